#include "reports/core/billreports.h"

#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/money.h"
#include "data/rowstore.h"

#include <QHash>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// A statement that stopped half-way (interrupted, or a damaged page) says so only here.
bool finished(const QSqlQuery &q, QString *error)
{
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool refused(QString *error)
{
    if (error->isEmpty()) {
        *error = QStringLiteral("统计已取消");
    }
    return false;
}

// The bill lines of the period's years with the other conditions, as a where clause.
QString withinYears(const BillReportFilter &f, Conditions *lines)
{
    ReportPeriod::addYears(f.from, f.to, QStringLiteral("b.年度"), lines);
    return lines->where();
}

int stepInPeriod(const BillReportFilter &f, const QVariant &year, const QVariant &month)
{
    return ReportPeriod::stepWithin(f.from, f.to, year, month);
}

// The rows in the order of their keys.
template<typename Key> bool appendAll(QMap<Key, ScratchRow> &rows, ScratchSink &out, QString *error)
{
    for (ScratchRow &row : rows) {
        if (!out.append(std::move(row))) {
            return refused(error);
        }
    }
    return true;
}

// The fields of a bill line each listing shows as they are, and the columns of 通用 it shows them
// in (besides the fee name and the amount).
QList<std::pair<QString, const char *>> listedTexts(BillReports::Listing kind)
{
    QList<std::pair<QString, const char *>> texts = {{QStringLiteral("楼宇名称"), "texth"},
                                                     {QStringLiteral("楼宇单元"), "texti"},
                                                     {QStringLiteral("房屋代码"), "texta"},
                                                     {QStringLiteral("业主名称"), "textb"}};
    if (kind == BillReports::Listing::All) {
        return texts << std::pair {QStringLiteral("年度"), "textf"} << std::pair {QStringLiteral("月份"), "textg"};
    }
    texts << std::pair {QStringLiteral("年度"), "texte"} << std::pair {QStringLiteral("月份"), "textf"}
          << std::pair {QStringLiteral("开始日期"), "dateb"} << std::pair {QStringLiteral("结束日期"), "datec"};
    if (kind == BillReports::Listing::Paid) {
        texts << std::pair {QStringLiteral("缴费时间"), "datea"};
    }
    return texts;
}

QString captionOf(const QString &text, const char *unit)
{
    return text + QString::fromUtf8(unit);
}

}

BillReports::Statement BillReports::arrearsSums(const BillReportFilter &f)
{
    // In one grouped pass over the unpaid lines' own index (those without a state among them).
    Conditions lines;
    lines.add(BillState::unpaid(QStringLiteral("b")));
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString sql = QStringLiteral("SELECT b.房屋代码, b.年度, b.月份, sum(b.收费金额) FROM 收费明细表 b")
        + withinYears(f, &lines) + QStringLiteral("\nGROUP BY b.年度, b.月份, b.房屋代码\nHAVING sum(b.收费金额) > 0");
    return {sql, lines.binds()};
}

bool BillReports::arrears(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    // Each house's unpaid sums of the period's months; the houses then take theirs in code
    // order.
    const Statement sumsOf = arrearsSums(f);
    QHash<QString, QList<QPair<int, Money>>> unpaidByHouse;
    StoredAmounts amount;
    if (!forEachRow(
            db, sumsOf.sql, sumsOf.binds,
            [&](const RowStore &sums, int r) {
                // Lines without a house code belong to no house.
                const int step = stepInPeriod(f, sums.value(r, 1), sums.value(r, 2));
                if (!sums.isNull(r, 0) && step >= 0) {
                    unpaidByHouse[sums.value(r, 0).toString()] << qMakePair(step, amount(sums.value(r, 3)));
                }
                return true;
            },
            error)
        || amount.refused(error)) {
        return false;
    }
    for (QList<QPair<int, Money>> &months : unpaidByHouse) {
        std::sort(months.begin(), months.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    Conditions houses;
    houses.equals(QStringLiteral("房屋代码"), f.houseCode).equals(QStringLiteral("楼宇名称"), f.building);
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT 房屋代码, 楼宇名称, 业主名称 FROM 房屋资料") + houses.where()
                      + QStringLiteral("\nORDER BY ") + Dm1::orderTerm(QStringLiteral("房屋代码"))
                      + QStringLiteral(", id"),
                  houses.binds(), error)) {
        return false;
    }
    // The running total restarts with every house; the separator and the house's details come
    // where the house code changes, and with the first row of all. The captions of a month are
    // made once for all its rows.
    QHash<int, std::pair<QVariant, QVariant>> captionsOf;
    const auto captions = [&](int step) -> const std::pair<QVariant, QVariant> & {
        auto it = captionsOf.find(step);
        if (it == captionsOf.end()) {
            const YearMonth ym = YearMonth::fromStep(step);
            it = captionsOf.insert(step, {ym.yearCaption(), ym.monthCaption()});
        }
        return *it;
    };
    bool any = false;
    QString previousCode;
    Money grandTotal;
    while (q.next()) {
        if (q.value(0).isNull()) {
            continue;
        }
        const QString code = q.value(0).toString();
        const auto it = unpaidByHouse.constFind(code);
        if (it == unpaidByHouse.constEnd()) {
            continue;
        }
        Money houseTotal;
        for (const auto &[step, sum] : *it) {
            houseTotal += sum;
            grandTotal += sum;
            const bool newHouse = !any || code != previousCode;
            if (any && newHouse && !out.append({{"moneyc", QVariant::fromValue(Money())}})) {
                return refused(error);
            }
            const auto &[year, month] = captions(step);
            ScratchRow row {{"texta", year},
                            {"textb", month},
                            {"moneya", QVariant::fromValue(sum)},
                            {"moneyb", QVariant::fromValue(houseTotal)}};
            if (newHouse) {
                row << ScratchCell {"texte", q.value(1).toString()} << ScratchCell {"textc", code}
                    << ScratchCell {"textd", q.value(2).toString()};
            }
            if (!out.append(std::move(row))) {
                return refused(error);
            }
            previousCode = code;
            any = true;
        }
    }
    if (!finished(q, error)) {
        return false;
    }
    if (any
        && (!out.append({{"moneyc", QVariant::fromValue(Money())}})
            || !out.append({{"textb", QStringLiteral("合   计")}, {"moneyb", QVariant::fromValue(grandTotal)}}))) {
        return refused(error);
    }
    return true;
}

BillReports::Statement BillReports::monthSums(const BillReportFilter &f)
{
    // Each house's sums of a month, of its unpaid and of its paid lines, each part grouped in
    // the order of its own index; the months then add up their houses. Houses are counted by
    // their distinct codes; lines without a code count as one house, as a list of the distinct
    // codes would show them.
    QVariantList binds;
    const auto part = [&f, &binds](const QString &state, const char *paid) {
        Conditions lines;
        lines.add(state);
        lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
        const QString sql = QStringLiteral("SELECT b.年度 AS y, b.月份 AS m, b.房屋代码 AS code, %1 AS paid, "
                                           "sum(b.收费金额) AS amount FROM 收费明细表 b")
                                .arg(QString::fromLatin1(paid))
            + withinYears(f, &lines) + QStringLiteral(" GROUP BY b.年度, b.月份, b.房屋代码");
        binds << lines.binds();
        return sql;
    };
    QString sql = QStringLiteral("SELECT h.y, h.m, sum(h.amount), count(DISTINCT h.code) + "
                                 "max(CASE WHEN h.code IS NULL THEN 1 ELSE 0 END), "
                                 "sum(CASE WHEN h.paid = 1 THEN h.amount END), sum(h.paid), "
                                 "sum(CASE WHEN h.paid = 0 THEN h.amount END), sum(1 - h.paid)\nFROM (");
    sql += part(BillState::unpaid(QStringLiteral("b")), "0") + QStringLiteral("\nUNION ALL\n");
    sql += part(BillState::paid(QStringLiteral("b")), "1") + QStringLiteral(") h\nGROUP BY h.y, h.m");
    return {sql, binds};
}

bool BillReports::monthTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    const auto [sql, binds] = monthSums(f);
    QSqlQuery q(db);
    if (!runBound(q, sql, binds, error)) {
        return false;
    }
    // The period's months in calendar order.
    QMap<int, ScratchRow> months;
    StoredAmounts amount;
    while (q.next()) {
        // Months of the period's years outside the period are not the report's.
        const int step = stepInPeriod(f, q.value(0), q.value(1));
        if (step < 0) {
            continue;
        }
        const Money billed = amount(q.value(2)), paidSum = amount(q.value(4)), unpaidSum = amount(q.value(6));
        if (amount.refused(error)) {
            return false;
        }
        const qint64 nBilled = q.value(3).toLongLong(), nPaid = q.value(5).toLongLong(),
                     nUnpaid = q.value(7).toLongLong();
        if (billed <= Money() && paidSum <= Money() && unpaidSum <= Money() && nBilled <= 0 && nPaid <= 0
            && nUnpaid <= 0) {
            continue;
        }
        months.insert(step,
                      {{"texta", captionOf(q.value(0).toString(), "年")},
                       {"textb", captionOf(q.value(1).toString(), "月")},
                       {"numbera", nBilled},
                       {"moneya", QVariant::fromValue(billed)},
                       {"numberb", nPaid},
                       {"moneyb", QVariant::fromValue(paidSum)},
                       {"numberc", nUnpaid},
                       {"moneyc", QVariant::fromValue(unpaidSum)}});
    }
    if (!finished(q, error)) {
        return false;
    }
    return appendAll(months, out, error);
}

bool BillReports::hasFeeItems(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    return runBound(q, QStringLiteral("SELECT count(*) FROM 收费项目"), {}, error) && q.next()
        && q.value(0).toLongLong() > 0;
}

BillReports::Statement BillReports::itemSums(const BillReportFilter &f)
{
    // The sums of each fee name, month and payment state, grouped in the order of the index led
    // by the fee name, read whole (a range of years would make the month's index the cheaper
    // guess, and its lines be sorted); the few sums then tell paid from unpaid. Each item takes
    // the lines of its name: an item is counted by its row, not its name.
    Conditions lines;
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString sql =
        QStringLiteral("SELECT t.y, t.m, i.收费名称, t.billed, t.paid, t.unpaid, i.id\n"
                       "FROM (SELECT s.年度 AS y, s.月份 AS m, s.收费名称 AS name, sum(s.amount) AS billed, "
                       "sum(CASE WHEN %1 THEN s.amount END) AS paid, sum(CASE WHEN %2 THEN s.amount END) AS unpaid\n"
                       "      FROM (SELECT b.收费名称, b.年度, b.月份, b.缴费状态, sum(b.收费金额) AS amount "
                       "FROM 收费明细表 b")
            .arg(BillState::paid(QStringLiteral("s")), BillState::unpaid(QStringLiteral("s")))
        + lines.where()
        + QStringLiteral(" GROUP BY b.收费名称, b.年度, b.月份, b.缴费状态) s\n"
                         "      GROUP BY s.年度, s.月份, s.收费名称) t\n"
                         "JOIN 收费项目 i ON i.收费名称 = t.name");
    return {sql, lines.binds()};
}

bool BillReports::itemTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    const auto [sql, binds] = itemSums(f);
    QSqlQuery q(db);
    if (!runBound(q, sql, binds, error)) {
        return false;
    }
    // By month in calendar order, and within it the items in the order they were entered.
    QMap<QPair<int, qint64>, ScratchRow> rows;
    StoredAmounts amount;
    while (q.next()) {
        const int step = stepInPeriod(f, q.value(0), q.value(1));
        if (step < 0) {
            continue;
        }
        const Money billed = amount(q.value(3)), paidSum = amount(q.value(4)), unpaidSum = amount(q.value(5));
        if (amount.refused(error)) {
            return false;
        }
        if (billed <= Money() && paidSum <= Money() && unpaidSum <= Money()) {
            continue;
        }
        rows.insert({step, q.value(6).toLongLong()},
                    {{"texta", captionOf(q.value(0).toString(), "年")},
                     {"textb", captionOf(q.value(1).toString(), "月")},
                     {"textc", q.value(2).toString()},
                     {"moneya", QVariant::fromValue(billed)},
                     {"moneyb", QVariant::fromValue(paidSum)},
                     {"moneyc", QVariant::fromValue(unpaidSum)}});
    }
    if (!finished(q, error)) {
        return false;
    }
    return appendAll(rows, out, error);
}

bool BillReports::listing(const QSqlDatabase &db, Listing kind, const BillReportFilter &f, ScratchSink &out,
                          QString *error)
{
    const QString paid = BillState::paid(QStringLiteral("b"));
    Conditions c;
    if (kind == Listing::Paid) {
        c.add(paid);
    } else if (kind == Listing::Unpaid) {
        c.add(BillState::unpaid(QStringLiteral("b")));
    }
    c.equals(QStringLiteral("b.房屋代码"), f.houseCode)
        .equals(QStringLiteral("b.楼宇名称"), f.building)
        .equals(QStringLiteral("b.楼宇单元"), f.unit)
        .equals(QStringLiteral("b.收费名称"), f.feeName)
        .add(QStringLiteral("(b.开始日期 BETWEEN ? AND ?)"), {f.from.firstDayStart(), f.to.firstDayEnd()});
    // Only what the listing shows is read (the sort carries every column read): the amount, the fee
    // name, for the full listing whether the line is paid, then the texts shown as they are.
    const QList<std::pair<QString, const char *>> texts = listedTexts(kind);
    QString sql = QStringLiteral("SELECT b.收费金额, b.收费名称");
    if (kind == Listing::All) {
        sql += QStringLiteral(", CASE WHEN %1 THEN 1 ELSE 0 END").arg(paid);
    }
    const int firstText = kind == Listing::All ? 3 : 2;
    QList<std::pair<int, int>> copied; // (the statement's column, the column of 通用)
    for (const auto &[field, column] : texts) {
        copied.append({firstText + int(copied.size()), ScratchBatch::columnOf(column)});
        sql += QStringLiteral(", b.") + field;
    }
    sql += QStringLiteral("\nFROM 收费明细表 b") + c.where() + QStringLiteral("\nORDER BY b.")
        + Dm1::orderTerm(QStringLiteral("房屋代码")) + QStringLiteral(", b.开始日期, b.")
        + Dm1::orderTerm(QStringLiteral("收费名称")) + QStringLiteral(", b.id");
    const auto column = [](const char *name) { return ScratchBatch::columnOf(name); };
    const int feeName = column("textc"), paidName = column("textd"), unpaidName = column("texte");
    const int billed = column("moneya"), paidAmount = column("moneyb"), unpaidAmount = column("moneyc");
    StoredAmounts amount;
    ScratchRowMaker make(out);
    bool cancelled = false;
    const bool read = forEachRow(
        db, sql, c.binds(),
        [&](const RowStore &rows, int r) {
            const qint64 due = amount(rows.value(r, 0)).raw();
            if (amount.refused(error)) {
                return false;
            }
            // Straight from the statement's cells into the row, without a QVariant between.
            ScratchBatch &row = make.row();
            for (const auto &[cell, to] : copied) {
                row.putText(to, rows, r, cell);
            }
            if (kind == Listing::All) {
                // A line's fee name and amount under 应缴, and under 已缴 or 未缴 by its state.
                const bool isPaid = rows.value(r, 2).toInt() == 1;
                row.putText(feeName, rows, r, 1);
                row.putText(isPaid ? paidName : unpaidName, rows, r, 1);
                row.putInteger(billed, due);
                row.putInteger(isPaid ? paidAmount : unpaidAmount, due);
            } else {
                row.putText(paidName, rows, r, 1);
                row.putInteger(paidAmount, due);
            }
            cancelled = !make.append();
            return !cancelled;
        },
        error);
    if (!read && cancelled) {
        return refused(error);
    }
    return read;
}
