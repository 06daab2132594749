#include "reports/core/depositreports.h"

#include "reports/core/reportperiod.h"
#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString Received = QStringLiteral("收取");
const QString Refunded = QStringLiteral("退还");
const QString Offset = QStringLiteral("冲抵费用");

bool stopped(const QSqlQuery &q, QString *error)
{
    *error = q.lastError().isValid() ? q.lastError().text() : QStringLiteral("统计已取消");
    return false;
}

QVariant money(Money m)
{
    return QVariant::fromValue(m);
}
}

bool DepositReports::detail(const QSqlDatabase &db, const DepositFilter &f, ScratchSink &out, QString *error)
{
    Conditions c;
    c.equals(QStringLiteral("d.房屋代码"), f.houseCode)
        .equals(QStringLiteral("d.楼宇名称"), f.building)
        .add(QStringLiteral("(d.日期 BETWEEN ? AND ?)"), {ReportPeriod::dayStart(f.from), ReportPeriod::dayEnd(f.to)});
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT d.日期, d.楼宇名称, d.房屋代码, d.业主名称, d.操作类型, d.金额, d.操作人员\n"
                                 "FROM 押金明细表 d")
                      + c.where() + QStringLiteral("\nORDER BY d.日期, d.") + Dm1::orderTerm(QStringLiteral("房屋代码"))
                      + QStringLiteral(", d.id"),
                  c.binds(), error)) {
        return false;
    }
    Money balance;
    StoredAmounts amounts;
    while (q.next()) {
        const QString type = q.value(4).toString();
        const Money amount = amounts(q.value(5));
        if (amounts.refused(error)) {
            return false;
        }
        ScratchRow row {{"datea", q.value(0)},
                        {"textc", q.value(1).toString()},
                        {"texta", q.value(2).toString()},
                        {"textb", q.value(3).toString()},
                        {"textd", type}};
        if (type == Received) {
            row << ScratchCell {"moneya", money(amount)};
            balance += amount;
        } else if (type == Refunded) {
            row << ScratchCell {"moneyb", money(amount)};
            balance -= amount;
        } else if (type == Offset) {
            row << ScratchCell {"moneyc", money(amount)};
            balance -= amount;
        }
        row << ScratchCell {"moneyd", money(balance)} << ScratchCell {"texte", q.value(6).toString()};
        if (!out.append(std::move(row))) {
            return stopped(q, error);
        }
    }
    return !q.lastError().isValid() || stopped(q, error);
}

bool DepositReports::summary(const QSqlDatabase &db, const DepositFilter &f, ScratchSink &out, QString *error)
{
    // The period belongs to the join: a house without movements in it keeps its row of zeros.
    const auto sumOf = [](const QString &type) {
        return QStringLiteral("sum(CASE WHEN d.操作类型 = '%1' THEN d.金额 END)").arg(type);
    };
    const QString from = ReportPeriod::dayStart(f.from), to = ReportPeriod::dayEnd(f.to);
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT h.楼宇名称, h.房屋代码, h.业主名称, %1, %2, %3\n"
                                 "FROM 房屋资料 h LEFT JOIN 押金明细表 d\n"
                                 "  ON d.房屋代码 = h.房屋代码 AND (d.日期 BETWEEN ? AND ?)\n"
                                 "GROUP BY h.id, h.楼宇名称, h.房屋代码, h.业主名称\n"
                                 "ORDER BY h.%4, h.id")
                      .arg(sumOf(Received), sumOf(Offset), sumOf(Refunded), Dm1::orderTerm(QStringLiteral("房屋代码"))),
                  {from, to}, error)) {
        return false;
    }
    StoredAmounts amounts;
    while (q.next()) {
        const Money received = amounts(q.value(3)), offset = amounts(q.value(4)), refunded = amounts(q.value(5));
        if (amounts.refused(error)) {
            return false;
        }
        if (!out.append({{"datea", from},
                         {"dateb", ReportPeriod::dayStart(f.to)},
                         {"textc", q.value(0).toString()},
                         {"texta", q.value(1).toString()},
                         {"textb", q.value(2).toString()},
                         {"moneya", money(received)},
                         {"moneyb", money(offset)},
                         {"moneyc", money(refunded)},
                         {"moneyd", money(received - offset - refunded)}})) {
            return stopped(q, error);
        }
    }
    return !q.lastError().isValid() || stopped(q, error);
}

QList<Money> DepositReports::balances(const QList<DetailRow> &rows)
{
    QList<Money> out;
    Money balance;
    for (const DetailRow &r : rows) {
        if (r.type == Received) {
            balance += r.received;
        } else if (r.type == Refunded) {
            balance -= r.refunded;
        } else if (r.type == Offset) {
            balance -= r.offset;
        }
        out << balance;
    }
    return out;
}

bool DepositReports::tidy(const QSqlDatabase &db, const QList<DetailRow> &rows, QString *error)
{
    Transaction tx(db);
    if (!tx.begun()) {
        *error = tx.error();
        return false;
    }
    const QList<Money> after = balances(rows);
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("UPDATE 通用 SET moneyd = ? WHERE id = ?"))) {
        *error = q.lastError().text();
        return false;
    }
    for (int i = 0; i < rows.size(); ++i) {
        q.bindValue(0, after[i].raw());
        q.bindValue(1, rows[i].id);
        if (!q.exec()) {
            *error = q.lastError().text();
            return false;
        }
    }
    return tx.commit(error);
}
