#pragma once

#include <QString>
#include <QVariant>

class Dm1;

// Operators' passwords. Letters are upper-cased on entry, so passwords are not case-sensitive;
// what is stored is a salted hash of the upper-cased text (Argon2id). An empty stored password
// is entered with an empty box. A password found stored as plain text (an older database) is
// still accepted, and the caller then stores it again as a hash.
namespace Passwords {

// The password as it is compared and hashed: letters in upper case.
QString normalise(const QString &typed);

// The text to store for a password: empty for an empty password, otherwise a hash.
// Empty as well when hashing failed (out of memory), which callers report.
QString hash(const QString &password);
bool isHash(const QString &stored);

enum class Check {
    Refused,
    Accepted,
    AcceptedPlainText, // matched a plain-text password: store it again as a hash
};
// Compares a typed password with the stored text. A stored hash that is damaged or asks for
// unreasonable work is refused like a wrong password.
Check verify(const QString &stored, const QString &typed);

// Stores the hash of a password into 操作口令 of the operator's row (by its id).
bool store(Dm1 *dm, const QVariant &operatorId, const QString &password, QString *error = nullptr);

}
