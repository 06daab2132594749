#include "billing/core/billgeneration.h"

#include "masterdata/core/formulas.h"
#include "shell/core/dataset.h"
#include "shell/core/money.h"
#include "shell/core/schema.h"
#include "shell/core/transaction.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString Unpaid = QStringLiteral("未缴费");

QString reason(const QSqlQuery &q)
{
    const QString db = q.lastError().databaseText().trimmed();
    return db.isEmpty() ? q.lastError().text() : db;
}

QVariant storedDay(const QDate &d)
{
    return DataSet::toStoredDateTime(d.startOfDay());
}

// The fields a generated line is given, in the order the insert binds them.
const QStringList LineFields = {
    QStringLiteral("房屋代码"), QStringLiteral("房屋名称"),  QStringLiteral("业主名称"), QStringLiteral("楼宇名称"),
    QStringLiteral("楼宇单元"), QStringLiteral("收费名称"),  QStringLiteral("单价"),     QStringLiteral("计算公式"),
    QStringLiteral("收费面积"), QStringLiteral("面积/数量"), QStringLiteral("本月表数"), QStringLiteral("上月表数"),
    QStringLiteral("开始日期"), QStringLiteral("结束日期"),  QStringLiteral("收费金额"), QStringLiteral("年度"),
    QStringLiteral("月份"),     QStringLiteral("缴费状态"),
};

QString insertStatement()
{
    QStringList quoted;
    for (const QString &f : LineFields) {
        quoted << Schema::quoted(f);
    }
    return QStringLiteral("insert into 收费明细表 (%1) values (%2)")
        .arg(quoted.join(QLatin1Char(',')), QStringList(LineFields.size(), QStringLiteral("?")).join(QLatin1Char(',')));
}
}

// The statements of a generation, prepared once and run for every house.
struct BillGeneration::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : count(db)
        , house(db)
        , items(db)
        , insert(db)
    {
        for (QSqlQuery *q : {&count, &house, &items}) {
            q->setForwardOnly(true);
        }
        const bool ok =
            count.prepare(QStringLiteral("select count(*) from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)"))
            && house.prepare(
                QStringLiteral("select 房屋名称, 业主名称, 楼宇名称, 楼宇单元 from 房屋资料 where (房屋代码=?)"))
            // The previous reading is looked up for the meter formula only: the first line of the
            // same item and house in the month before.
            && items.prepare(QStringLiteral(
                "select i.收费名称, i.单价, i.计算公式, i.收费面积, i.预付金额, "
                "case when i.计算公式=? then (select p.本月表数 from 收费明细表 p "
                "where (p.收费名称=i.收费名称)and(p.房屋代码=?)and(p.年度=?)and(p.月份=?) order by p.id limit 1) "
                "end as 上月 from 房屋收费项目 i where i.房屋代码=? order by i.收费名称, i.id"))
            && insert.prepare(insertStatement());
        if (!ok) {
            for (const QSqlQuery *q : {&count, &house, &items, &insert}) {
                if (q->lastError().isValid()) {
                    error = reason(*q);
                    break;
                }
            }
        }
    }

    QSqlQuery count, house, items, insert;
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

BillGeneration::HouseOutcome BillGeneration::generateHouse(const QString &houseCode, BillMonth month)
{
    // Every line of the house or none: a refusal part-way undoes the lines made before it.
    Transaction tx(m_db);
    if (!tx.begun()) {
        return {Result::Failed, 0, tx.error()};
    }
    HouseOutcome out = generateInside(houseCode, month);
    if (out.result == Result::Generated && tx.commit(&out.error)) {
        return out;
    }
    tx.rollback();
    if (out.result == Result::Generated || out.result == Result::Failed) {
        // The bill lines' key refuses a second set: lines made elsewhere since the look.
        QString again;
        if (hasLines(houseCode, month, &again)) {
            return {Result::AlreadyBilled, 0, {}};
        }
        out.result = Result::Failed;
        out.lines = 0;
    }
    return out;
}

BillGeneration::HouseOutcome BillGeneration::generateInside(const QString &houseCode, BillMonth month)
{
    if (!m_sql->error.isEmpty()) {
        return {Result::Failed, 0, m_sql->error};
    }
    QString error;
    // Under the write lock: lines made by another workstation a moment ago are seen here.
    if (hasLines(houseCode, month, &error)) {
        return {Result::AlreadyBilled, 0, {}};
    }
    if (!error.isEmpty()) {
        return {Result::Failed, 0, error};
    }

    QSqlQuery &house = m_sql->house;
    house.addBindValue(houseCode);
    if (!house.exec()) {
        return {Result::Failed, 0, reason(house)};
    }
    if (!house.next()) {
        return {Result::NoHouse, 0, QStringLiteral("房屋代码为“%1”的房屋已经不存在。").arg(houseCode)};
    }
    const QVariantList identity = {house.value(0), house.value(1), house.value(2), house.value(3)};
    house.finish();

    const BillMonth before = month.previous();
    QSqlQuery &items = m_sql->items;
    items.addBindValue(Formula::ByMeter);
    items.addBindValue(houseCode);
    items.addBindValue(before.yearText());
    items.addBindValue(before.monthText());
    items.addBindValue(houseCode);
    if (!items.exec()) {
        return {Result::Failed, 0, reason(items)};
    }
    const QVariant first = storedDay(month.firstDay());
    const QVariant last = storedDay(month.lastDay());
    const QVariant year = month.yearText();
    const QVariant monthText = month.monthText();

    QSqlQuery &insert = m_sql->insert;
    QSet<QString> names;
    int lines = 0;
    while (items.next()) {
        const QString name = items.value(0).toString();
        if (!items.value(0).isNull() && names.contains(name)) {
            items.finish();
            return {
                Result::Failed, 0,
                QStringLiteral("房屋“%1”的收费项目“%2”重复，请到房屋收费项目中删除多余的一项。").arg(houseCode, name)};
        }
        names.insert(name);
        // 上月表数 is taken as money, rounded to four places; none is 0.
        const double previous = Money::fromReal(items.value(5).toDouble()).toReal();
        const QVariantList values = {
            houseCode,
            identity[0],
            identity[1],
            identity[2],
            identity[3],
            items.value(0),
            Money::fromStored(items.value(1)).raw(),
            items.value(2),
            items.value(3),
            Money::fromStored(items.value(4)).toReal(),
            0.0,
            previous,
            first,
            last,
            qint64(0),
            year,
            monthText,
            Unpaid,
        };
        for (int i = 0; i < values.size(); ++i) {
            insert.bindValue(i, values[i]);
        }
        if (!insert.exec()) {
            items.finish();
            return {Result::Failed, 0, reason(insert)};
        }
        ++lines;
    }
    if (items.lastError().isValid()) {
        return {Result::Failed, 0, reason(items)};
    }
    return {lines > 0 ? Result::Generated : Result::NoFeeItems, lines, {}};
}

QStringList BillGeneration::housesWithItems(QString *error)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    QStringList out;
    if (!q.exec(QStringLiteral("select h.房屋代码 from 房屋资料 h where exists "
                               "(select i.id from 房屋收费项目 i where i.房屋代码=h.房屋代码) order by h.房屋代码"))) {
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
    const QStringList houses = housesWithItems(&out.error);
    if (!out.error.isEmpty()) {
        return out;
    }
    const int total = int(houses.size());
    int next = 0;
    while (next < total && !out.cancelled) {
        Transaction batch(m_db);
        if (!batch.begun()) {
            out.error = batch.error();
            return out;
        }
        EstateOutcome done; // this batch's houses, counted once it is committed
        const int end = qMin(total, next + qMax(1, housesPerBatch));
        for (; next < end; ++next) {
            if (progress && !progress(next, total)) {
                out.cancelled = true;
                break;
            }
            const HouseOutcome one = generateHouse(houses[next], month);
            switch (one.result) {
            case Result::Generated:
                ++done.generated;
                done.lines += one.lines;
                break;
            case Result::AlreadyBilled:
                ++done.skipped;
                break;
            case Result::Failed:
                done.failed << houses[next] + QStringLiteral("：") + one.error;
                break;
            case Result::NoHouse:
            case Result::NoFeeItems:
                // Deleted, or stripped of its items, since the list was read: nothing to bill.
                break;
            }
        }
        if (!batch.commit(&out.error)) {
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
        const int shown = qMin<int>(failed.size(), 10);
        text += QStringLiteral("\n以下 %1 户没有生成：\n").arg(failed.size())
            + failed.mid(0, shown).join(QLatin1Char('\n'));
        if (shown < failed.size()) {
            text += QStringLiteral("\n……");
        }
    }
    if (!error.isEmpty()) {
        text += QStringLiteral("\n生成中断，其余房屋没有生成：") + error;
    }
    return text;
}
