#pragma once

#include <QString>
#include <QVariantList>

class QSqlQuery;

// Prepares sql on q (forward only), binds the values to its "?" in order and runs it. False
// with the database's own reason in *error when the statement is refused.
bool runBound(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error);
