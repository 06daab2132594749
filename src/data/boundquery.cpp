#include "data/boundquery.h"

#include <QSqlError>
#include <QSqlQuery>

bool runBound(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error)
{
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    for (int i = 0; ok && i < binds.size(); ++i) {
        q.bindValue(i, binds[i]);
    }
    ok = ok && q.exec();
    if (!ok && error) {
        const QSqlError e = q.lastError();
        *error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    }
    return ok;
}
