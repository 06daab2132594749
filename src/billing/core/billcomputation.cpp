#include "billing/core/billcomputation.h"

#include "data/formulas.h"
#include "data/dataset.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
QString reason(const QSqlQuery &q)
{
    const QString db = q.lastError().databaseText().trimmed();
    return db.isEmpty() ? q.lastError().text() : db;
}

// A stored reading or quantity taken as money; null reads as 0, a value that is no amount
// (beyond the range) as nothing.
std::optional<Money> taken(const QVariant &real)
{
    return real.isNull() ? std::optional<Money>(Money()) : Money::fromReal(real.toDouble());
}

// The unpaid lines of a house and month, with the columns the computation reads.
bool selectUnpaid(QSqlQuery &q, const QString &houseCode, BillMonth month, QString *error)
{
    q.setForwardOnly(true);
    if (!q.prepare(BillComputation::unpaidLinesOfMonth())) {
        *error = reason(q);
        return false;
    }
    q.addBindValue(houseCode);
    q.addBindValue(month.yearText());
    q.addBindValue(month.monthText());
    if (!q.exec()) {
        *error = reason(q);
        return false;
    }
    return true;
}
}

QStringList BillComputation::linesOfMonth()
{
    return {QStringLiteral("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)"),
            QStringLiteral("order by 收费名称")};
}

QString BillComputation::unpaidLinesOfMonth()
{
    return QStringLiteral("select id, 计算公式, 单价, 本月表数, 上月表数, \"面积/数量\", 收费名称 from 收费明细表 "
                          "where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费') order by 收费名称");
}

Money BillComputation::quantity(const QString &formula, Money own, Money thisReading, Money lastReading)
{
    if (formula == Formula::ByMeter) {
        return thisReading - lastReading;
    }
    return formula == Formula::Direct ? Money::fromUnits(1) : own;
}

QList<BillComputation::DoubtfulReading>
BillComputation::doubtfulReadings(const QSqlDatabase &db, const QString &houseCode, BillMonth month, QString *error)
{
    QList<DoubtfulReading> out;
    QSqlQuery q(db);
    if (!selectUnpaid(q, houseCode, month, error)) {
        return out;
    }
    while (q.next()) {
        // A reading that is no amount at all is refused by the computation itself.
        const auto now = taken(q.value(3));
        const auto before = taken(q.value(4));
        if (q.value(1).toString() == Formula::ByMeter && now && before
            && (*now < *before || *now < Money() || *before < Money())) {
            out.append({q.value(6).toString(), *now, *before});
        }
    }
    error->clear();
    return out;
}

QString BillComputation::describe(const QList<DoubtfulReading> &readings)
{
    QStringList lines;
    for (const DoubtfulReading &r : readings) {
        lines << QStringLiteral("%1：本月表数 %2，上月表数 %3")
                     .arg(r.feeName, r.thisReading.toString(), r.lastReading.toString());
    }
    return lines.join(QLatin1Char('\n'));
}

std::optional<QString> BillComputation::storedState(const QSqlDatabase &db, qint64 lineId, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select 缴费状态 from 收费明细表 where id=?"));
    q.addBindValue(lineId);
    if (!q.exec()) {
        *error = reason(q);
        return std::nullopt;
    }
    error->clear();
    if (!q.next()) {
        return std::nullopt;
    }
    return q.value(0).toString();
}

bool BillComputation::deleteUnpaid(const QSqlDatabase &db, qint64 lineId, QString *error)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("delete from 收费明细表 where (id=?)and(缴费状态='未缴费')"));
    q.addBindValue(lineId);
    if (!q.exec()) {
        *error = reason(q);
        return false;
    }
    error->clear();
    return q.numRowsAffected() > 0;
}

int BillComputation::compute(const QSqlDatabase &db, const QString &houseCode, BillMonth month, const Stamp *stamp,
                             QString *error)
{
    Transaction tx(db);
    if (!tx.begun()) {
        *error = tx.error();
        return -1;
    }
    // Read under the write lock, so a line paid at another workstation a moment ago is left alone.
    QSqlQuery lines(db);
    if (!selectUnpaid(lines, houseCode, month, error)) {
        return -1;
    }
    struct Result
    {
        qint64 id;
        QVariant quantity;
        qint64 amount;
    };
    QList<Result> results;
    while (lines.next()) {
        const QString formula = lines.value(1).toString();
        const auto own = taken(lines.value(5));
        const auto now = taken(lines.value(3));
        const auto before = taken(lines.value(4));
        const auto price = Money::fromStored(lines.value(2));
        if (!own || !now || !before || !price) {
            // Nothing is computed on a value that is no amount: the house's lines stay as they were.
            *error = QStringLiteral("“%1”的单价、表数或数量有误，请改正后再计算。").arg(lines.value(6).toString());
            return -1;
        }
        const Money q = quantity(formula, *own, *now, *before);
        // Only the meter and the typed amount set 面积/数量; the others keep it as it was typed.
        const bool sets = formula == Formula::ByMeter || formula == Formula::Direct;
        results.append({lines.value(0).toLongLong(), sets ? QVariant(q.toReal()) : lines.value(5),
                        amount(*price, q).raw()});
    }
    if (lines.lastError().isValid()) {
        *error = reason(lines);
        return -1;
    }
    lines.finish();

    QSqlQuery update(db);
    if (!update.prepare(QStringLiteral("update 收费明细表 set \"面积/数量\"=?, 收费金额=? where id=?"))) {
        *error = reason(update);
        return -1;
    }
    for (const Result &r : std::as_const(results)) {
        update.addBindValue(r.quantity);
        update.addBindValue(r.amount);
        update.addBindValue(r.id);
        if (!update.exec()) {
            *error = reason(update);
            return -1;
        }
    }
    if (stamp && stamp->lineId >= 0) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("update 收费明细表 set 操作人员=?, 操作日期=? where (id=?)and(缴费状态='未缴费')"));
        q.addBindValue(stamp->operatorName);
        q.addBindValue(DataSet::toStoredDateTime(stamp->at));
        q.addBindValue(stamp->lineId);
        if (!q.exec()) {
            *error = reason(q);
            return -1;
        }
    }
    if (!tx.commit(error)) {
        return -1;
    }
    error->clear();
    return int(results.size());
}
