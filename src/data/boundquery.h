#pragma once

#include <QString>
#include <QVariantList>
#include <functional>

class QSqlDatabase;
class QSqlQuery;
class RowStore;

// Prepares sql on q (forward only), binds the values to its "?" in order and runs it. False
// with the database's own reason in *error when the statement is refused.
bool runBound(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error);

// Runs the select sql with the values bound to its "?" and hands its rows, in order, to
// take(rows, row), read straight from the engine where it can (a few thousand rows held at a
// time), else through QSqlQuery. Texts repeated down a column come as one shared QString. False
// with the database's reason in *error, or with *error as take() left it when take() returned
// false.
using TakeRow = std::function<bool(const RowStore &rows, int row)>;
bool forEachRow(const QSqlDatabase &db, const QString &sql, const QVariantList &binds, const TakeRow &take,
                QString *error);
