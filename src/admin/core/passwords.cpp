#include "admin/core/passwords.h"

#include "data/dm1.h"

#include <QByteArray>
#include <QRegularExpression>
#include <sodium.h>

namespace {
// Argon2id with 19 MiB and two passes: the recommended floor for interactive logins, which
// keeps a login well under a second.
constexpr unsigned long long OpsLimit = 2;
constexpr size_t MemLimit = size_t(19) * 1024 * 1024;
// A stored hash asking for more than this is not one of ours and is refused unread.
constexpr qint64 MaxMemoryKiB = 256 * 1024;
constexpr qint64 MaxPasses = 10;

const QLatin1String HashPrefix("$argon2");

bool ready()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}

bool reasonable(const QString &stored)
{
    static const QRegularExpression form(
        QStringLiteral("^\\$argon2id?\\$v=19\\$m=(\\d{1,9}),t=(\\d{1,4}),p=1\\$[A-Za-z0-9+/]+\\$[A-Za-z0-9+/]+$"));
    const auto m = form.match(stored);
    return m.hasMatch() && m.captured(1).toLongLong() <= MaxMemoryKiB && m.captured(2).toLongLong() <= MaxPasses
        && stored.size() < crypto_pwhash_STRBYTES;
}
}

QString Passwords::normalise(const QString &typed)
{
    return typed.toUpper();
}

bool Passwords::isHash(const QString &stored)
{
    return stored.startsWith(HashPrefix);
}

QString Passwords::hash(const QString &password)
{
    const QByteArray text = normalise(password).toUtf8();
    if (text.isEmpty()) {
        return QString();
    }
    if (!ready()) {
        return QString();
    }
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, text.constData(), quint64(text.size()), OpsLimit, MemLimit) != 0) {
        return QString();
    }
    return QString::fromLatin1(out);
}

Passwords::Check Passwords::verify(const QString &stored, const QString &typed)
{
    const QString password = normalise(typed);
    if (stored.isEmpty()) {
        return password.isEmpty() ? Check::Accepted : Check::Refused;
    }
    if (!isHash(stored)) {
        return normalise(stored) == password ? Check::AcceptedPlainText : Check::Refused;
    }
    if (!reasonable(stored) || !ready()) {
        return Check::Refused;
    }
    const QByteArray h = stored.toLatin1();
    const QByteArray text = password.toUtf8();
    return crypto_pwhash_str_verify(h.constData(), text.constData(), quint64(text.size())) == 0 ? Check::Accepted
                                                                                                : Check::Refused;
}

bool Passwords::store(Dm1 *dm, const QVariant &operatorId, const QString &password, QString *error)
{
    const QString stored = hash(password);
    if (stored.isEmpty() && !password.isEmpty()) {
        if (error) {
            *error = QStringLiteral("口令无法加密保存");
        }
        return false;
    }
    return dm->exec(QStringLiteral("update 权限表 set 操作口令=? where id=?"), {stored, operatorId}, error);
}
