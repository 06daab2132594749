#pragma once

#include <QString>

class Dm1;
class Report;

// The login of the command line, checked as the login dialog checks it: an operator of 权限表
// (by name, exactly; the first by name when none is given) and his password with letters
// upper-cased. The password is the first line of the standard input (--password-stdin) or typed
// on the terminal without echo; it is never taken from the command line, and a refused
// password is not asked again. An operator whose password is empty is let in without asking.
namespace Login {
// Exit::Done with dm's session set to the operator, or the exit code with the reason told.
int logIn(Dm1 *dm, const QString &operatorName, bool passwordFromStdin, Report &report);
}
