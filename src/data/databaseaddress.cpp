#include "data/databaseaddress.h"

#include "data/dm1.h"

bool DatabaseAddress::open(const QString &name, bool readOnly, QString *error) const
{
    QString why;
    bool ok;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(dialect().driver(), name);
        ok = dialect().open(db, where, password, readOnly, &why) && (readOnly || Dm1::setUpConnection(db, &why));
    }
    if (!ok) {
        close(name);
        if (error) {
            *error = why;
        }
    }
    return ok;
}

void DatabaseAddress::close(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString DatabaseAddress::shownName() const
{
    return onServer ? QStringLiteral("数据库服务器（%1）").arg(where) : where;
}

bool DatabaseAddress::reach(const PasswordAsker &ask, QString *error)
{
    for (int asked = 0;; ++asked) {
        const Dialect::Probe probe = dialect().probe(where, password);
        if (probe.connected) {
            return true;
        }
        if (!probe.passwordRefused || !ask || asked == 3) {
            *error = QStringLiteral("%1不能连接：%2").arg(shownName(), probe.reason);
            return false;
        }
        QString question = QStringLiteral("请输入%1的口令：").arg(shownName());
        if (asked > 0) {
            question = QStringLiteral("口令不正确，请重新输入。\n") + question;
        }
        const std::optional<QString> typed = ask(question);
        if (!typed) {
            *error = QStringLiteral("%1需要口令，没有输入口令，不能连接。").arg(shownName());
            return false;
        }
        password = *typed;
    }
}
