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
