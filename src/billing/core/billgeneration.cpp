#include "billing/core/billgeneration.h"

#include "data/dataset.h"
#include "data/dialect.h"
#include "data/formulas.h"
#include "data/money.h"
#include "data/refusal.h"
#include "data/transaction.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {
QString reason(const QSqlQuery &q)
{
    const QString db = q.lastError().databaseText().trimmed();
    return db.isEmpty() ? q.lastError().text() : db;
}

// The first column of every row of a lookup on one house; empty when the database refuses.
QStringList firstColumn(const QSqlDatabase &db, const QString &sql, const QString &houseCode)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QStringList out;
    if (q.prepare(sql)) {
        q.addBindValue(houseCode);
        if (q.exec()) {
            while (q.next()) {
                out << q.value(0).toString();
            }
        }
    }
    return out;
}

QVariant storedDay(const QDate &d)
{
    return DataSet::toStoredDateTime(d.startOfDay());
}

// A house's lines of a month in one statement, made only when the house has none in the month:
// one line per item of the house in 收费名称 order; the house's identity from its row (the
// first, should an older file hold the code twice); 面积/数量 the item's 预付金额 as a real
// number (its ten-thousandths divided, as Money::toReal does); 上月表数 the first line of the
// same item and house in the month before for the meter formula, else 0. A refusal undoes the
// whole statement, so a house has all its lines or none. Binds: the meter formula, the house,
// the previous year and month, 开始日期, 结束日期, 年度, 月份, the house twice, then the house,
// 年度 and 月份 of the lines looked for.
const QString InsertLines = QStringLiteral(
    "insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 单价, 计算公式, 收费面积, "
    "\"面积/数量\", 本月表数, 上月表数, 开始日期, 结束日期, 收费金额, 年度, 月份, 缴费状态) "
    "select h.房屋代码, h.房屋名称, h.业主名称, h.楼宇名称, h.楼宇单元, i.收费名称, coalesce(i.单价, 0), i.计算公式, "
    "i.收费面积, coalesce(i.预付金额, 0) / 10000.0, 0, "
    "coalesce(case when i.计算公式=? then (select p.本月表数 from 收费明细表 p "
    "where (p.收费名称=i.收费名称)and(p.房屋代码=?)and(p.年度=?)and(p.月份=?) order by p.id limit 1) end, 0), "
    "?, ?, 0, ?, ?, '未缴费' "
    "from 房屋收费项目 i, 房屋资料 h "
    "where (i.房屋代码=?)and(h.id=(select min(c.id) from 房屋资料 c where c.房屋代码=?)) "
    "and not exists (select x.id from 收费明细表 x where (x.房屋代码=?)and(x.年度=?)and(x.月份=?)) "
    "order by i.收费名称, i.id");

const QString CountLines = QStringLiteral("select count(*) from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)");
const QString LastId = QStringLiteral("select max(id) from 收费明细表");
const QString NewReadings = QStringLiteral("select id, 上月表数 from 收费明细表 where (id>?)and(上月表数<>0)");
const QString HousesWithItems = QStringLiteral("select h.房屋代码 from 房屋资料 h where exists "
                                               "(select i.id from 房屋收费项目 i where i.房屋代码=h.房屋代码) "
                                               "order by h.房屋代码");
}

QStringList BillGeneration::statements()
{
    return {HousesWithItems, CountLines, InsertLines, LastId, NewReadings};
}

// The statements of a generation, prepared once and run for every house.
struct BillGeneration::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : count(db)
        , insert(db)
        , lastId(db)
        , readings(db)
        , round(db)
    {
        count.setForwardOnly(true);
        lastId.setForwardOnly(true);
        readings.setForwardOnly(true);
        const bool ok =
            count.prepare(QStringLiteral("select count(*) from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)"))
            && insert.prepare(InsertLines) && lastId.prepare(QStringLiteral("select max(id) from 收费明细表"))
            && readings.prepare(QStringLiteral("select id, 上月表数 from 收费明细表 where (id>?)and(上月表数<>0)"))
            && round.prepare(QStringLiteral("update 收费明细表 set 上月表数=? where id=?"));
        if (!ok) {
            for (const QSqlQuery *q : {&count, &insert, &lastId, &readings, &round}) {
                if (q->lastError().isValid()) {
                    error = reason(*q);
                    break;
                }
            }
        }
    }

    QSqlQuery count, insert, lastId, readings, round;
    QString error; // a statement the database would not prepare
};

BillGeneration::BillGeneration(const QSqlDatabase &db)
    : m_db(db)
    , m_sql(std::make_unique<Statements>(db))
{ }

BillGeneration::~BillGeneration() = default;

QString BillGeneration::alreadyBilledMessage(BillMonth month)
{
    return QStringLiteral("该房屋%1的应缴费用已经生成，不能重复生成！").arg(month.caption());
}

bool BillGeneration::hasLines(const QString &houseCode, BillMonth month, QString *error)
{
    QSqlQuery &q = m_sql->count;
    q.addBindValue(houseCode);
    q.addBindValue(month.yearText());
    q.addBindValue(month.monthText());
    if (!q.exec() || !q.next()) {
        *error = reason(q);
        return false;
    }
    const bool any = q.value(0).toLongLong() > 0;
    q.finish();
    error->clear();
    return any;
}

bool BillGeneration::lastLineId(qint64 *id, QString *error)
{
    QSqlQuery &q = m_sql->lastId;
    if (!q.exec() || !q.next()) {
        *error = reason(q);
        return false;
    }
    *id = q.value(0).toLongLong();
    q.finish();
    return true;
}

bool BillGeneration::roundReadings(qint64 afterId, QString *error)
{
    // 上月表数 is the reading taken as money: rounded to four places from its shortest text.
    // Readings typed in this program have no more places than that, so this rarely writes.
    QSqlQuery &readings = m_sql->readings;
    readings.addBindValue(afterId);
    if (!readings.exec()) {
        *error = reason(readings);
        return false;
    }
    QList<QPair<qint64, double>> roundings;
    while (readings.next()) {
        const double stored = readings.value(1).toDouble();
        // A reading beyond any amount is carried as it is; the computation refuses it.
        const auto taken = Money::fromReal(stored);
        if (taken && taken->toReal() != stored) {
            roundings.append({readings.value(0).toLongLong(), taken->toReal()});
        }
    }
    readings.finish();
    QSqlQuery &round = m_sql->round;
    for (const auto &[id, value] : std::as_const(roundings)) {
        round.addBindValue(value);
        round.addBindValue(id);
        if (!round.exec()) {
            *error = reason(round);
            return false;
        }
    }
    return true;
}

BillGeneration::HouseOutcome BillGeneration::generateHouse(const QString &houseCode, BillMonth month)
{
    if (!m_sql->error.isEmpty()) {
        return {Result::Failed, 0, m_sql->error};
    }
    return Transaction::retried(
        m_db, [&] { return generateHouseOnce(houseCode, month); },
        [](const HouseOutcome &o) { return o.result == Result::Failed ? o.error : QString(); });
}

BillGeneration::HouseOutcome BillGeneration::generateHouseOnce(const QString &houseCode, BillMonth month)
{
    // Under the write lock (on a server: the house's row) from the start: lines made by
    // another workstation a moment ago are seen, and none can be made while this house's are.
    Transaction tx(m_db);
    if (!tx.begun()) {
        return {Result::Failed, 0, tx.error()};
    }
    qint64 before = 0;
    QString error;
    if (!Dialect::of(m_db).lockHouses(m_db, {houseCode}, &error) || !lastLineId(&before, &error)) {
        return {Result::Failed, 0, error};
    }
    HouseOutcome out = insertLines(houseCode, month);
    if (out.result == Result::Generated && (!roundReadings(before, &out.error) || !tx.commit(&out.error))) {
        tx.rollback();
        out.result = Result::Failed;
        out.lines = 0;
    }
    return out;
}

BillGeneration::HouseOutcome BillGeneration::insertLines(const QString &houseCode, BillMonth month)
{
    const BillMonth before = month.previous();
    const QVariantList binds = {
        Formula::ByMeter,
        houseCode,
        before.yearText(),
        before.monthText(),
        storedDay(month.firstDay()),
        storedDay(month.lastDay()),
        month.yearText(),
        month.monthText(),
        houseCode,
        houseCode,
        houseCode,
        month.yearText(),
        month.monthText(),
    };
    QSqlQuery &insert = m_sql->insert;
    for (int i = 0; i < binds.size(); ++i) {
        insert.bindValue(i, binds[i]);
    }
    QString error;
    // On a savepoint of its own: a refused insert leaves the transaction usable on every engine
    // (a server refuses every further statement of a transaction after an error until then).
    Transaction attempt(m_db);
    if (!attempt.begun()) {
        return {Result::Failed, 0, attempt.error()};
    }
    const bool inserted = insert.exec();
    const int lines = inserted ? insert.numRowsAffected() : 0;
    if (!inserted || !attempt.commit(&error)) {
        if (error.isEmpty()) {
            error = reason(insert);
        }
        attempt.rollback();
        // The lines' key refuses a second set: made elsewhere since the look (where the
        // database does not lock as SQLite does), or an item the house carries twice.
        QString again;
        if (hasLines(houseCode, month, &again)) {
            return {Result::AlreadyBilled, 0, {}};
        }
        const QStringList twice = firstColumn(
            m_db,
            QStringLiteral("select 收费名称 from 房屋收费项目 where 房屋代码=? group by 收费名称 having count(*)>1"),
            houseCode);
        if (!twice.isEmpty()) {
            error = QStringLiteral("房屋“%1”的收费项目“%2”重复，请到房屋收费项目中删除多余的一项。")
                        .arg(houseCode, twice.constFirst());
        }
        return {Result::Failed, 0, error};
    }
    if (lines > 0) {
        return {Result::Generated, lines, {}};
    }
    if (hasLines(houseCode, month, &error)) {
        return {Result::AlreadyBilled, 0, {}};
    }
    if (!error.isEmpty()) {
        return {Result::Failed, 0, error};
    }
    if (firstColumn(m_db, QStringLiteral("select 房屋代码 from 房屋资料 where 房屋代码=?"), houseCode).isEmpty()) {
        return {Result::NoHouse, 0, QStringLiteral("房屋代码为“%1”的房屋已经不存在。").arg(houseCode)};
    }
    return {Result::NoFeeItems, 0, {}};
}

QStringList BillGeneration::housesWithItems(QString *error)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    QStringList out;
    if (!q.exec(HousesWithItems)) {
        *error = reason(q);
        return out;
    }
    QSet<QString> seen;
    while (q.next()) {
        // A code that an older file holds twice is billed once.
        const QString code = q.value(0).toString();
        if (!seen.contains(code)) {
            seen.insert(code);
            out << code;
        }
    }
    error->clear();
    return out;
}

BillGeneration::EstateOutcome BillGeneration::generateEstate(BillMonth month, const Progress &progress,
                                                             int housesPerBatch)
{
    EstateOutcome out;
    if (!m_sql->error.isEmpty()) {
        out.error = m_sql->error;
        return out;
    }
    const QStringList houses = housesWithItems(&out.error);
    if (!out.error.isEmpty()) {
        return out;
    }
    return generateHouses(houses, month, progress, housesPerBatch);
}

BillGeneration::EstateOutcome BillGeneration::generateHouses(const QStringList &houses, BillMonth month,
                                                             const Progress &progress, int housesPerBatch)
{
    EstateOutcome out;
    if (!m_sql->error.isEmpty()) {
        out.error = m_sql->error;
        return out;
    }
    const int total = int(houses.size());
    int next = 0;
    while (next < total && !out.cancelled) {
        // Each house's lines are made by one statement, which the database undoes whole when it
        // refuses it: a house refused leaves the others of the batch as they are.
        Transaction batch(m_db);
        qint64 before = 0;
        const int end = qMin(total, next + qMax(1, housesPerBatch));
        // The batch's houses are locked first, in 房屋代码 order as every counter locks them.
        if (!batch.begun() || !Dialect::of(m_db).lockHouses(m_db, houses.mid(next, end - next), &out.error)
            || !lastLineId(&before, &out.error)) {
            if (out.error.isEmpty()) {
                out.error = batch.error();
            }
            return out;
        }
        EstateOutcome done; // this batch's houses, counted once it is committed
        for (; next < end; ++next) {
            if (progress && !progress(next, total)) {
                out.cancelled = true;
                break;
            }
            const HouseOutcome one = insertLines(houses[next], month);
            switch (one.result) {
            case Result::Generated:
                ++done.generated;
                done.lines += one.lines;
                break;
            case Result::AlreadyBilled:
                ++done.skipped;
                break;
            case Result::Failed:
                done.failed << houses[next] + QStringLiteral("：") + Refusal::of(one.error).message;
                break;
            case Result::NoHouse:
            case Result::NoFeeItems:
                // Deleted, or stripped of its items, since the list was read: nothing to bill.
                break;
            }
        }
        if (!roundReadings(before, &out.error) || !batch.commit(&out.error)) {
            batch.rollback();
            return out;
        }
        out.generated += done.generated;
        out.skipped += done.skipped;
        out.lines += done.lines;
        out.failed += done.failed;
    }
    if (progress && !out.cancelled) {
        progress(total, total);
    }
    return out;
}

QString BillGeneration::EstateOutcome::message() const
{
    QString text = QStringLiteral("已生成 %1 户，跳过 %2 户").arg(generated).arg(skipped);
    if (cancelled) {
        text += QStringLiteral("\n生成已取消，其余房屋没有生成。");
    }
    if (!failed.isEmpty()) {
        // The first few, so that the message stays on the screen.
        const int shown = qMin<int>(int(failed.size()), 10);
        text += QStringLiteral("\n以下 %1 户没有生成：\n").arg(failed.size())
            + failed.mid(0, shown).join(QLatin1Char('\n'));
        if (shown < failed.size()) {
            text += QStringLiteral("\n……");
        }
    }
    if (!error.isEmpty()) {
        text += QStringLiteral("\n生成中断，其余房屋没有生成：") + Refusal::of(error).message;
    }
    return text;
}
