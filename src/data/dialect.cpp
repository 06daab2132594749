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

bool Dialect::RowWriter::addCells(const Cell *cells, int count)
{
    QVariantList row(count);
    for (int i = 0; i < count; ++i) {
        const Cell &c = cells[i];
        if (c.isInteger) {
            row[i] = c.integer;
        } else if (c.utf8) {
            row[i] = QString::fromUtf8(c.utf8, c.size);
        }
    }
    return add(row);
}
