#include "reports/core/billreports.h"

#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/money.h"

#include <QHash>
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

QVariantList periodBinds(const BillReportFilter &f)
{
    return {f.from.step(), f.to.step()};
}

QString captionOf(const QString &text, const char *unit)
{
    return text + QString::fromUtf8(unit);
}

}

bool BillReports::arrears(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    // Each house's unpaid sums of the period's months, in one grouped pass over the lines; the
    // houses then take theirs in code order. The unpaid lines (BillState::unpaid) are taken in
    // two parts, those marked "未缴费" or "" and those without a state, so that each month's are
    // found through the lines' index on year, month and state rather than by reading every line.
    Conditions house;
    house.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString part = QStringLiteral("SELECT b.房屋代码 AS code, p.k AS k, b.收费金额 AS amount "
                                        "FROM period p CROSS JOIN 收费明细表 b\n"
                                        "  WHERE b.年度 = p.y AND b.月份 = p.m AND %1")
        + house.andJoined();
    QSqlQuery sums(db);
    if (!runBound(sums,
                  ReportPeriod::withPeriod() + QStringLiteral("SELECT code, k, sum(amount) FROM (\n")
                      + part.arg(QStringLiteral("(b.缴费状态 IN ('未缴费', ''))")) + QStringLiteral("\nUNION ALL\n")
                      + part.arg(QStringLiteral("(b.缴费状态 IS NULL)"))
                      + QStringLiteral(") unpaid\nGROUP BY code, k\nHAVING sum(amount) > 0"),
                  periodBinds(f) + house.binds() + house.binds(), error)) {
        return false;
    }
    QHash<QString, QList<QPair<int, Money>>> unpaidByHouse;
    StoredAmounts amount;
    while (sums.next()) {
        // Lines without a house code belong to no house.
        if (!sums.value(0).isNull()) {
            unpaidByHouse[sums.value(0).toString()] << qMakePair(sums.value(1).toInt(), amount(sums.value(2)));
        }
    }
    if (!finished(sums, error) || amount.refused(error)) {
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
    // where the house code changes, and with the first row of all.
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
            const YearMonth ym = YearMonth::fromStep(step);
            ScratchRow row {{"texta", ym.yearCaption()},
                            {"textb", ym.monthCaption()},
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

bool BillReports::monthTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    Conditions lines;
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    // Houses are counted by their distinct codes; lines without a code count as one house, as
    // a list of the distinct codes would show them.
    const auto houses = [](const QString &when) {
        return QStringLiteral("count(DISTINCT CASE WHEN %1 THEN b.房屋代码 END) + "
                              "max(CASE WHEN %1 AND b.房屋代码 IS NULL THEN 1 ELSE 0 END)")
            .arg(when);
    };
    const auto amounts = [](const QString &when) {
        return QStringLiteral("sum(CASE WHEN %1 THEN b.收费金额 END)").arg(when);
    };
    const QString paid = BillState::paid(QStringLiteral("b")), unpaid = BillState::unpaid(QStringLiteral("b"));
    const QString sql = ReportPeriod::withPeriod() + QStringLiteral("SELECT p.y, p.m, sum(b.收费金额), ")
        + houses(QStringLiteral("1 = 1")) + QStringLiteral(", ") + amounts(paid) + QStringLiteral(", ") + houses(paid)
        + QStringLiteral(", ") + amounts(unpaid) + QStringLiteral(", ") + houses(unpaid)
        + QStringLiteral("\nFROM period p JOIN 收费明细表 b ON b.年度 = p.y AND b.月份 = p.m\n") + lines.where()
        + QStringLiteral("\nGROUP BY p.k, p.y, p.m\nORDER BY p.k");
    QSqlQuery q(db);
    if (!runBound(q, sql, periodBinds(f) + lines.binds(), error)) {
        return false;
    }
    StoredAmounts amount;
    while (q.next()) {
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
        if (!out.append({{"texta", captionOf(q.value(0).toString(), "年")},
                         {"textb", captionOf(q.value(1).toString(), "月")},
                         {"numbera", nBilled},
                         {"moneya", QVariant::fromValue(billed)},
                         {"numberb", nPaid},
                         {"moneyb", QVariant::fromValue(paidSum)},
                         {"numberc", nUnpaid},
                         {"moneyc", QVariant::fromValue(unpaidSum)}})) {
            return refused(error);
        }
    }
    return finished(q, error);
}

bool BillReports::hasFeeItems(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    return runBound(q, QStringLiteral("SELECT count(*) FROM 收费项目"), {}, error) && q.next()
        && q.value(0).toLongLong() > 0;
}

bool BillReports::itemTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    Conditions lines;
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString paid = BillState::paid(QStringLiteral("b")), unpaid = BillState::unpaid(QStringLiteral("b"));
    // Each item takes the lines of its name: an item is counted by its row, not its name.
    const QString sql = ReportPeriod::withPeriod()
        + QStringLiteral("SELECT p.y, p.m, i.收费名称, s.billed, s.paid, s.unpaid\n"
                         "FROM (SELECT p.k AS k, b.收费名称 AS name, sum(b.收费金额) AS billed, "
                         "sum(CASE WHEN %1 THEN b.收费金额 END) AS paid, "
                         "sum(CASE WHEN %2 THEN b.收费金额 END) AS unpaid\n"
                         "      FROM period p JOIN 收费明细表 b ON b.年度 = p.y AND b.月份 = p.m\n      ")
              .arg(paid, unpaid)
        + lines.where()
        + QStringLiteral("\n      GROUP BY p.k, b.收费名称) s\n"
                         "JOIN 收费项目 i ON i.收费名称 = s.name\n"
                         "JOIN period p ON p.k = s.k\n"
                         "ORDER BY s.k, i.id");
    QSqlQuery q(db);
    if (!runBound(q, sql, periodBinds(f) + lines.binds(), error)) {
        return false;
    }
    StoredAmounts amount;
    while (q.next()) {
        const Money billed = amount(q.value(3)), paidSum = amount(q.value(4)), unpaidSum = amount(q.value(5));
        if (amount.refused(error)) {
            return false;
        }
        if (billed <= Money() && paidSum <= Money() && unpaidSum <= Money()) {
            continue;
        }
        if (!out.append({{"texta", captionOf(q.value(0).toString(), "年")},
                         {"textb", captionOf(q.value(1).toString(), "月")},
                         {"textc", q.value(2).toString()},
                         {"moneya", QVariant::fromValue(billed)},
                         {"moneyb", QVariant::fromValue(paidSum)},
                         {"moneyc", QVariant::fromValue(unpaidSum)}})) {
            return refused(error);
        }
    }
    return finished(q, error);
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
    const QString sql =
        QStringLiteral("SELECT b.楼宇名称, b.楼宇单元, b.房屋代码, b.业主名称, b.年度, b.月份, b.收费名称, "
                       "b.收费金额, b.开始日期, b.结束日期, b.缴费时间, CASE WHEN %1 THEN 1 ELSE 0 END\n"
                       "FROM 收费明细表 b")
            .arg(paid)
        + c.where() + QStringLiteral("\nORDER BY b.") + Dm1::orderTerm(QStringLiteral("房屋代码"))
        + QStringLiteral(", b.开始日期, b.") + Dm1::orderTerm(QStringLiteral("收费名称")) + QStringLiteral(", b.id");
    QSqlQuery q(db);
    if (!runBound(q, sql, c.binds(), error)) {
        return false;
    }
    StoredAmounts amount;
    while (q.next()) {
        const QVariant name = q.value(6).toString();
        const QVariant due = QVariant::fromValue(amount(q.value(7)));
        if (amount.refused(error)) {
            return false;
        }
        ScratchRow row;
        row.reserve(12);
        row << ScratchCell {"texth", q.value(0).toString()} << ScratchCell {"texti", q.value(1).toString()}
            << ScratchCell {"texta", q.value(2).toString()} << ScratchCell {"textb", q.value(3).toString()};
        if (kind == Listing::All) {
            row << ScratchCell {"textf", q.value(4).toString()} << ScratchCell {"textg", q.value(5).toString()}
                << ScratchCell {"textc", name} << ScratchCell {"moneya", due};
            if (q.value(11).toInt() == 1) {
                row << ScratchCell {"textd", name} << ScratchCell {"moneyb", due};
            } else {
                row << ScratchCell {"texte", name} << ScratchCell {"moneyc", due};
            }
        } else {
            row << ScratchCell {"texte", q.value(4).toString()} << ScratchCell {"textf", q.value(5).toString()}
                << ScratchCell {"dateb", q.value(8)} << ScratchCell {"datec", q.value(9)} << ScratchCell {"textd", name}
                << ScratchCell {"moneyb", due};
            if (kind == Listing::Paid) {
                row << ScratchCell {"datea", q.value(10)};
            }
        }
        if (!out.append(std::move(row))) {
            return refused(error);
        }
    }
    return finished(q, error);
}
