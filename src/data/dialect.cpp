#include "data/dialect.h"

#include "data/collation.h"

const Dialect &Dialect::of(const QSqlDatabase &db)
{
    return db.driverName() == postgres().driver() ? postgres() : sqlite();
}

QString Dialect::collation() const
{
    return QStringLiteral(" COLLATE ") + QLatin1String(Collation::Name);
}

Dialect::Fetch Dialect::fetchInParts(const QSqlDatabase &db, const QString &statement, const QVariantList &positional,
                                     const TakePart &take, QString *error) const
{
    Rows rows;
    const Fetch read = fetch(db, statement, {}, positional, &rows);
    if (read == Fetch::Failed) {
        *error = rows.error;
    } else if (read == Fetch::Done && !take(rows)) {
        error->clear();
        return Fetch::Failed;
    }
    return read;
}
