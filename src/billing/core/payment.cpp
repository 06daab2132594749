#include "billing/core/payment.h"

#include "data/clock.h"
#include "data/dataset.h"
#include "data/entryrule.h"
#include "data/refusal.h"
#include "data/dialect.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace PaymentWords {
const QStringList &methods()
{
    static const QStringList list = {u"银行转帐"_s, u"现金"_s, u"现金+银行转帐"_s, Unpaid};
    return list;
}

bool isPaid(const QString &state)
{
    return !state.isEmpty() && state != Unpaid;
}
}

namespace {
// The house's lines a payment marks: its unpaid lines of the month, or its unpaid line of one
// fee item. Binds: 房屋代码, 年度, 月份 (and 收费名称).
const QString LinesOfPayment = u"(房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')"_s;
const QString OfItem = u"and(收费名称=?)"_s;

const QString RecordFields = u"id,实收金额,收费金额,现金,支票,零头,缴费时间,缴费方式,单据号码,缴费人,收款人,备注"_s;
const QString RecordByKey =
    u"(年度=?)and(月份=?)and(楼宇名称=?)and(房屋代码=?)and(业主名称=?)and(收费项目=?) order by id"_s;

QString failureReason(const QSqlQuery &q)
{
    const QString reason = q.lastError().databaseText();
    return reason.isEmpty() ? q.lastError().text() : reason;
}

QVariant orNull(const std::optional<Money> &m)
{
    return m ? QVariant(m->raw()) : QVariant();
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

std::optional<Money> optionalMoney(const QVariant &v)
{
    return v.isNull() ? std::nullopt : Money::fromStored(v);
}

// Statements on one connection, each prepared, bound and run; the first refusal is kept.
class Statements
{
public:
    explicit Statements(const QSqlDatabase &db)
        : m_db(db)
    { }

    bool run(QSqlQuery &q, const QString &sql, const QVariantList &binds)
    {
        q = QSqlQuery(m_db);
        q.setForwardOnly(true);
        if (!q.prepare(sql)) {
            m_error = failureReason(q);
            return false;
        }
        for (const QVariant &v : binds) {
            q.addBindValue(v);
        }
        if (!q.exec()) {
            m_error = failureReason(q);
            return false;
        }
        return true;
    }
    QString error() const { return m_error; }

    // A stored amount; false, with what holds it named, when the column holds no amount.
    bool amount(const QVariant &stored, const QString &what, Money *out)
    {
        const auto m = Money::fromStored(stored);
        if (!m) {
            m_error =
                what + QStringLiteral("的金额有误（") + stored.toString() + QStringLiteral("），请先更正再缴费。");
            return false;
        }
        *out = *m;
        return true;
    }

private:
    QSqlDatabase m_db;
    QString m_error;
};

struct House
{
    bool found = false;
    Money odd;
};

struct Record
{
    qint64 id = 0;
    PaymentEntry entry;
    Money paid, due;
};

struct Lines
{
    int count = 0;
    Money value;
};

bool readHouse(Statements &s, const PaymentKey &key, House *house)
{
    QSqlQuery q;
    if (!s.run(q, u"select 零头 from 房屋资料 where (房屋代码=?)and(楼宇名称=?)"_s, {key.houseCode, key.building})) {
        return false;
    }
    house->found = q.next();
    house->odd = Money();
    return !house->found || s.amount(q.value(0), u"房屋%1的零头"_s.arg(key.houseCode), &house->odd);
}

bool readRecord(Statements &s, const PaymentKey &key, Record *record)
{
    QSqlQuery q;
    if (!s.run(q, u"select "_s + RecordFields + u" from 收费汇总表 where "_s + RecordByKey,
               {key.year, key.month, key.building, key.houseCode, key.owner, key.item})) {
        return false;
    }
    *record = {};
    if (q.next()) {
        record->id = q.value(0).toLongLong();
        if (!s.amount(q.value(1), u"缴费记录的实收金额"_s, &record->paid)
            || !s.amount(q.value(2), u"缴费记录的收费金额"_s, &record->due)) {
            return false;
        }
        PaymentEntry &e = record->entry;
        e.paid = q.value(1).isNull() ? QString() : record->paid.toString();
        e.cash = optionalMoney(q.value(3));
        e.cheque = optionalMoney(q.value(4));
        e.waived = optionalMoney(q.value(5));
        e.date = DataSet::fromStored(q.value(6)).date();
        e.method = q.value(7).toString();
        e.receipt = q.value(8).toString();
        e.payer = q.value(9).toString();
        e.collector = q.value(10).toString();
        e.remark = q.value(11).toString();
    }
    return true;
}

QVariantList lineBinds(const PaymentKey &key)
{
    QVariantList binds {key.houseCode, key.year, key.month};
    if (!key.isWholeBill()) {
        binds << key.item;
    }
    return binds;
}

QString lineCondition(const PaymentKey &key)
{
    return key.isWholeBill() ? LinesOfPayment : LinesOfPayment + OfItem;
}

bool readLines(Statements &s, const PaymentKey &key, Lines *lines)
{
    QSqlQuery q;
    if (!s.run(q, u"select sum(收费金额),count(*) from 收费明细表 where "_s + lineCondition(key), lineBinds(key))) {
        return false;
    }
    *lines = {};
    if (q.next()) {
        lines->count = q.value(1).toInt();
        return s.amount(q.value(0), u"房屋%1的收费明细"_s.arg(key.houseCode), &lines->value);
    }
    return true;
}

PaymentDesk::Outcome outcome(PaymentDesk::Result result, const QString &error = {})
{
    PaymentDesk::Outcome o;
    o.result = result;
    o.error = error;
    return o;
}
}

std::optional<Money> PaymentEntry::amountPaid() const
{
    const Money::Reading r = paidRule().read(paid);
    return r.ok() ? std::optional<Money>(r.value) : std::nullopt;
}

EntryRule PaymentEntry::paidRule()
{
    return EntryRule::of(u"收费汇总表"_s, u"实收金额"_s);
}

Money PaymentDraft::previousOdd() const
{
    // A reused record's earlier payment is taken back first: 零头 without its effect.
    return recordId != 0 ? houseOdd - (storedPaid - storedDue) : houseOdd;
}

std::optional<PaymentDesk::Refusal> PaymentDesk::check(const PaymentEntry &entry)
{
    if (!PaymentWords::methods().contains(entry.method)) {
        return Refusal {Field::Method, u"缴费方式不正确，请重新选择！"_s};
    }
    if (!entry.date.isValid()) {
        return Refusal {Field::Date, u"请输入缴费时间！"_s};
    }
    if (entry.payer.trimmed().isEmpty()) {
        return Refusal {Field::Payer, u"请输入缴费人！"_s};
    }
    if (entry.collector.trimmed().isEmpty()) {
        return Refusal {Field::Collector, u"请输入收款人！"_s};
    }
    if (!entry.amountPaid()) {
        // Nothing typed is asked for; what was typed and cannot be taken is told why.
        const QString why = PaymentEntry::paidRule().refusal(u"实缴金额"_s, entry.paid);
        return Refusal {Field::Paid, why.isEmpty() ? u"请输入实缴金额！"_s : why};
    }
    return std::nullopt;
}

QString PaymentDesk::Outcome::message() const
{
    switch (result) {
    case Result::Paid:
        return u"该业主本次零头是："_s + odd.toString();
    case Result::Opened:
        return {};
    case Result::NoHouse:
        return u"没有发现这个房屋代码，请确认后重试！"_s;
    case Result::NothingToPay:
        return u"该房屋本月已经没有未缴的费用，请核对后重试！"_s;
    case Result::Settled:
        return u"这笔费用已经缴过，不能重复缴费！"_s;
    case Result::Changed:
        return u"该房屋的未缴费用刚被其他操作员改动（可能已经缴费），本次缴费没有保存，请核对后重试！"_s;
    case Result::Invalid:
        return error;
    case Result::Failed:
        return ::Refusal::of(error).message;
    }
    return error;
}

PaymentDesk::PaymentDesk(const QSqlDatabase &db)
    : m_db(db)
{ }

std::optional<PaymentDraft> PaymentDesk::open(const PaymentKey &key, const QString &unit, Outcome *why) const
{
    Statements s(m_db);
    House house;
    Record record;
    Lines lines;
    if (!readHouse(s, key, &house) || !readRecord(s, key, &record) || !readLines(s, key, &lines)) {
        *why = outcome(Result::Failed, s.error());
        return std::nullopt;
    }
    if (!house.found) {
        *why = outcome(Result::NoHouse);
        return std::nullopt;
    }
    if (lines.count == 0) {
        *why = outcome(Result::NothingToPay);
        return std::nullopt;
    }
    if (record.id != 0 && PaymentWords::isPaid(record.entry.method)) {
        *why = outcome(Result::Settled);
        return std::nullopt;
    }
    PaymentDraft d;
    d.key = key;
    d.unit = unit;
    d.houseOdd = house.odd;
    d.due = lines.value;
    d.lines = lines.count;
    d.recordId = record.id;
    d.stored = record.entry;
    d.storedPaid = record.paid;
    d.storedDue = record.due;
    *why = outcome(Result::Opened);
    return d;
}

PaymentDesk::Outcome PaymentDesk::confirm(const PaymentDraft &draft, const PaymentEntry &entry) const
{
    if (const auto refusal = check(entry)) {
        return outcome(Result::Invalid, refusal->message);
    }
    return Transaction::retried(
        m_db, [&] { return confirmOnce(draft, entry); },
        [](const Outcome &o) { return o.result == Result::Failed ? o.error : QString(); });
}

PaymentDesk::Outcome PaymentDesk::confirmOnce(const PaymentDraft &draft, const PaymentEntry &entry) const
{
    const Money paid = *entry.amountPaid();
    const PaymentKey &key = draft.key;

    // Under the write lock: the house, the record and the lines as they are now.
    Transaction tx(m_db);
    QString locked;
    if (!tx.begun()) {
        return outcome(Result::Failed, tx.error());
    }
    if (!Dialect::of(m_db).lockHouses(m_db, {key.houseCode}, &locked)) {
        return outcome(Result::Failed, locked);
    }
    Statements s(m_db);
    House house;
    Record record;
    Lines lines;
    if (!readHouse(s, key, &house) || !readRecord(s, key, &record) || !readLines(s, key, &lines)) {
        return outcome(Result::Failed, s.error());
    }
    if (!house.found) {
        return outcome(Result::NoHouse);
    }
    // Another workstation made, reused or paid this record, or paid some of these lines.
    const bool recordChanged = record.id != draft.recordId
        || (record.id != 0
            && (record.paid != draft.storedPaid || record.due != draft.storedDue
                || record.entry.method != draft.stored.method));
    if (recordChanged || lines.count != draft.lines || lines.value != draft.due) {
        return outcome(Result::Changed);
    }
    if (record.id != 0 && PaymentWords::isPaid(record.entry.method)) {
        return outcome(Result::Settled);
    }

    const bool marks = PaymentWords::isPaid(entry.method);
    const Money charged = marks ? lines.value : Money();
    const Money earlier = record.id != 0 ? record.paid - record.due : Money();
    // What the dialog showed as 上次零头 (PaymentDraft::previousOdd()): the house and the record
    // are as they were when it was opened.
    const Money before = house.odd - earlier;
    const Money change = paid - charged - earlier;
    const QString day = DataSet::toStoredDateTime(entry.date.startOfDay());

    const QVariantList values {draft.unit,
                               charged.raw(),
                               paid.raw(),
                               orNull(entry.cash),
                               orNull(entry.cheque),
                               orNull(entry.waived),
                               before.raw(),
                               day,
                               entry.method,
                               orNull(entry.receipt),
                               entry.payer,
                               entry.collector,
                               orNull(entry.remark),
                               orNull(entry.operatorName),
                               DataSet::toStoredDateTime(Clock::now())};
    QSqlQuery q;
    bool written;
    if (record.id == 0) {
        written = s.run(q,
                        u"insert into 收费汇总表 (楼宇单元,收费金额,实收金额,现金,支票,零头,上次零头,缴费时间,缴费方式,"
                        "单据号码,缴费人,收款人,备注,操作人员,操作日期,年度,月份,楼宇名称,房屋代码,业主名称,收费项目) "
                        "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"_s,
                        values + QVariantList {key.year, key.month, key.building, key.houseCode, key.owner, key.item});
    } else {
        written = s.run(q,
                        u"update 收费汇总表 set 楼宇单元=?,收费金额=?,实收金额=?,现金=?,支票=?,零头=?,上次零头=?,"
                        "缴费时间=?,缴费方式=?,单据号码=?,缴费人=?,收款人=?,备注=?,操作人员=?,操作日期=? where id=?"_s,
                        values + QVariantList {record.id});
    }
    if (!written) {
        return outcome(Result::Failed, s.error());
    }
    if (marks) {
        if (!s.run(q,
                   u"update 收费明细表 set 缴费状态=?,缴费时间=?,缴费人=?,收款人=?,单据号码=? where "_s
                       + lineCondition(key),
                   QVariantList {entry.method, day, entry.payer, entry.collector, orNull(entry.receipt)}
                       + lineBinds(key))) {
            return outcome(Result::Failed, s.error());
        }
        if (q.numRowsAffected() != lines.count) {
            return outcome(Result::Changed);
        }
    }
    if (!s.run(q, u"update 房屋资料 set 零头=coalesce(零头,0)+? where (房屋代码=?)and(楼宇名称=?)"_s,
               {change.raw(), key.houseCode, key.building})) {
        return outcome(Result::Failed, s.error());
    }
    QString error;
    if (!tx.commit(&error)) {
        return outcome(Result::Failed, error);
    }
    Outcome done = outcome(Result::Paid);
    done.odd = house.odd + change;
    return done;
}
