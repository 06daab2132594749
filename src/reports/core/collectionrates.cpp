#include "reports/core/collectionrates.h"

#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/rowstore.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>

std::optional<qint64> CollectionRow::rateTenths() const
{
    return CollectionRates::rateTenths(paid, billed);
}

std::optional<qint64> CollectionRates::rateTenths(Money paid, Money billed)
{
    if (billed.isZero()) {
        return std::nullopt;
    }
    // paid × 1000 / billed in whole numbers, wide enough for any sum of amounts.
    const __int128 num = __int128(paid.raw()) * 1000;
    const __int128 den = billed.raw();
    const bool negative = (num < 0) != (den < 0);
    const __int128 a = num < 0 ? -num : num, b = den < 0 ? -den : den;
    const __int128 q = (2 * a + b) / (2 * b);
    return qint64(negative ? -q : q);
}

QString CollectionRates::rateText(std::optional<qint64> tenths)
{
    if (!tenths) {
        return QStringLiteral("—");
    }
    const qint64 t = *tenths, whole = (t < 0 ? -t : t) / 10, tenth = (t < 0 ? -t : t) % 10;
    return (t < 0 ? QStringLiteral("-") : QString()) + QString::number(whole) + QLatin1Char('.')
        + QString::number(tenth) + QLatin1Char('%');
}

namespace {

// The estate's months, their sums read from the state indexes.
bool estateTotals(const QSqlDatabase &db, const CollectionFilter &f, QList<CollectionRow> *rows, QString *error)
{
    const auto [sql, binds] = CollectionRates::estateSums(f);
    QMap<int, CollectionRow> months;
    StoredAmounts amount;
    if (!forEachRow(
            db, sql, binds,
            [&](const RowStore &sums, int r) {
                // Months of the period's years outside the period are not the report's.
                const int step = ReportPeriod::stepWithin(f.from, f.to, sums.value(r, 0), sums.value(r, 1));
                if (step < 0) {
                    return true;
                }
                CollectionRow row;
                row.month = YearMonth::fromStep(step);
                row.billed = amount(sums.value(r, 2));
                row.unpaid = amount(sums.value(r, 3));
                // Paid and unpaid lines make up every line, so the rest of the billed sum is paid.
                row.paid = row.billed - row.unpaid;
                row.housesUnpaid = sums.value(r, 4).toLongLong();
                row.negativeLines = sums.value(r, 5).toLongLong();
                months.insert(step, row);
                return true;
            },
            error)
        || amount.refused(error)) {
        return false;
    }
    *rows << months.values();
    return true;
}

}

// The estate's months without a building or fee item chosen: each month's sum of all its lines
// and of its negative ones, from the index of all the lines, and its unpaid sum and houses with
// unpaid lines (by their distinct codes), from the unpaid lines' own; each part grouped in its
// index's order, no line read from the table.
BillReports::Statement CollectionRates::estateSums(const CollectionFilter &f)
{
    QVariantList binds;
    const auto where = [&f, &binds](const QString &state) {
        Conditions lines;
        lines.add(state);
        ReportPeriod::addYears(f.from, f.to, QStringLiteral("b.年度"), &lines);
        binds << lines.binds();
        return lines.where();
    };
    QString sql = QStringLiteral("SELECT h.y, h.m, sum(h.billed), sum(h.unpaid), sum(h.houses), sum(h.negative)\n"
                                 "FROM (SELECT b.年度 AS y, b.月份 AS m, sum(b.收费金额) AS billed, 0 AS unpaid, "
                                 "0 AS houses, sum(CASE WHEN b.收费金额 < 0 THEN 1 ELSE 0 END) AS negative "
                                 "FROM 收费明细表 b");
    sql += where(QString()) + QStringLiteral(" GROUP BY b.年度, b.月份\nUNION ALL\n");
    sql += QStringLiteral("SELECT b.年度, b.月份, 0, sum(b.收费金额), count(DISTINCT b.房屋代码), 0 FROM 收费明细表 b")
        + where(BillState::unpaid(QStringLiteral("b")))
        + QStringLiteral(" GROUP BY b.年度, b.月份) h\nGROUP BY h.y, h.m");
    return {sql, binds};
}

bool CollectionRates::compute(const QSqlDatabase &db, const CollectionFilter &f, QList<CollectionRow> *rows,
                              QString *error)
{
    if (!f.byBuilding && f.building.trimmed().isEmpty() && f.feeName.trimmed().isEmpty()) {
        return estateTotals(db, f, rows, error);
    }
    Conditions c;
    c.equals(QStringLiteral("b.楼宇名称"), f.building).equals(QStringLiteral("b.收费名称"), f.feeName);
    // Lines without a building belong to the building without a name.
    const QString building = QStringLiteral("COALESCE(b.楼宇名称, '')");
    const QString sql = ReportPeriod::withPeriod() + QStringLiteral("SELECT p.k, ")
        + (f.byBuilding ? building : QStringLiteral("''"))
        + QStringLiteral(", sum(b.收费金额), sum(CASE WHEN %1 THEN b.收费金额 END), "
                         "count(DISTINCT CASE WHEN %2 THEN b.房屋代码 END), "
                         "sum(CASE WHEN b.收费金额 < 0 THEN 1 ELSE 0 END)\n"
                         "FROM period p JOIN 收费明细表 b ON b.年度 = p.y AND b.月份 = p.m")
              .arg(BillState::paid(QStringLiteral("b")), BillState::unpaid(QStringLiteral("b")))
        + c.where() + QStringLiteral("\nGROUP BY p.k") + (f.byBuilding ? QStringLiteral(", ") + building : QString())
        + QStringLiteral("\nORDER BY p.k")
        + (f.byBuilding ? QStringLiteral(", ") + building + Dm1::chineseCollation() : QString());
    QSqlQuery q(db);
    if (!runBound(q, sql, QVariantList {f.from.step(), f.to.step()} + c.binds(), error)) {
        return false;
    }
    StoredAmounts amount;
    const QString chosen = f.building.trimmed().isEmpty() ? QString() : f.building;
    while (q.next()) {
        CollectionRow r;
        r.month = YearMonth::fromStep(q.value(0).toInt());
        r.building = f.byBuilding ? q.value(1).toString() : chosen;
        r.billed = amount(q.value(2));
        r.paid = amount(q.value(3));
        // Paid and unpaid lines make up every line, so the rest of the billed sum is unpaid.
        r.unpaid = r.billed - r.paid;
        r.housesUnpaid = q.value(4).toLongLong();
        r.negativeLines = q.value(5).toLongLong();
        if (amount.refused(error)) {
            return false;
        }
        *rows << r;
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool CollectionRates::toScratch(const QSqlDatabase &db, const CollectionFilter &filter, ScratchSink &out,
                                QString *error)
{
    QList<CollectionRow> rows;
    if (!compute(db, filter, &rows, error)) {
        return false;
    }
    for (const CollectionRow &r : std::as_const(rows)) {
        ScratchRow row {{"texta", r.month.yearCaption()},
                        {"textb", r.month.monthCaption()},
                        {"moneya", QVariant::fromValue(r.billed)},
                        {"moneyb", QVariant::fromValue(r.paid)},
                        {"moneyc", QVariant::fromValue(r.unpaid)},
                        {"textd", rateText(r.rateTenths())},
                        {"numbera", r.housesUnpaid},
                        {"numberb", r.negativeLines},
                        {"numberc", r.month.step()}};
        if (!r.building.isEmpty()) {
            row << ScratchCell {"textc", r.building};
        }
        if (r.negativeLines > 0) {
            row << ScratchCell {"texte", QStringLiteral("含负数金额")};
        }
        if (!out.append(std::move(row))) {
            if (error->isEmpty()) {
                *error = QStringLiteral("统计已取消");
            }
            return false;
        }
    }
    return true;
}
