#include "data/boundquery.h"

#include "data/dialect.h"
#include "data/rowstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

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

bool forEachRow(const QSqlDatabase &db, const QString &sql, const QVariantList &binds, const TakeRow &take,
                QString *error)
{
    const auto takeAll = [&](const RowStore &rows) {
        for (int row = 0; row < rows.rowCount(); ++row) {
            if (!take(rows, row)) {
                return false;
            }
        }
        return true;
    };
    // A stop asked by take() keeps what take() said.
    QString why;
    switch (Dialect::of(db).fetchInParts(
        db, sql, binds, [&](const Dialect::Rows &part) { return takeAll(part.store); }, &why)) {
    case Dialect::Fetch::Done:
        return true;
    case Dialect::Fetch::Failed:
        if (!why.isEmpty()) {
            *error = why;
        }
        return false;
    case Dialect::Fetch::NotHandled:
        break;
    }
    QSqlQuery q(db);
    if (!runBound(q, sql, binds, error)) {
        return false;
    }
    const int columns = q.record().count();
    RowStore one;
    while (q.next()) {
        one.reset(columns);
        one.appendRow();
        for (int c = 0; c < columns; ++c) {
            one.set(0, c, q.value(c));
        }
        if (!take(one, 0)) {
            return false;
        }
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}
