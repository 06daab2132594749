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
