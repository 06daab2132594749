#pragma once

#include <QString>

// Files installed with the program that it reads but never changes (report templates): they
// live in PREFIX/share/parvell/ beside the installed program (PREFIX/bin/parvell), and in the
// share/parvell/ folder of the source tree for a program run from its build folder.
namespace InstalledFiles {

// The path of share/parvell/<relative> (a file or folder), or empty when neither place has it.
QString find(const QString &relative);

}
