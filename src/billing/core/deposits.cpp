#include "billing/core/deposits.h"

#include "data/boundquery.h"
#include "data/dataset.h"
#include "data/dialect.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

using namespace Qt::StringLiterals;

namespace DepositWords {
const QStringList &types()
{
    static const QStringList list = {Received, Refunded, Offset};
    return list;
}

const QStringList &methods()
{
    static const QStringList list = {u"现金"_s, u"银行转帐"_s};
    return list;
}
}

Money DepositMovement::effect(const QString &type, Money amount)
{
    return type == DepositWords::Received ? amount : -amount;
}

// A movement as it is stored now: what its deletion or an edit takes back.
struct StoredMovement
{
    bool found = false;
    QString houseCode;
    Money effect;
};

namespace {
using Outcome = DepositLedger::Outcome;
using Result = DepositLedger::Result;

Outcome outcome(Result result, const QString &error = {}, DepositLedger::Field field = DepositLedger::Field::None)
{
    Outcome o;
    o.result = result;
    o.error = error;
    o.field = field;
    return o;
}

bool readStored(const QSqlDatabase &db, qint64 id, StoredMovement *stored, QString *error)
{
    QSqlQuery q(db);
    if (!runBound(q, u"select 房屋代码, 操作类型, 金额 from 押金明细表 where id=?"_s, {id}, error)) {
        return false;
    }
    *stored = {};
    if (q.next()) {
        const std::optional<Money> amount = Money::fromStored(q.value(2));
        if (!amount) {
            // What it did cannot be taken back by an amount nobody knows.
            *error = u"这条押金记录的金额有误(%1),押金余额没有改变!"_s.arg(q.value(2).toString());
            return false;
        }
        stored->found = true;
        stored->houseCode = q.value(0).toString();
        stored->effect = DepositMovement::effect(q.value(1).toString(), *amount);
    }
    return true;
}

// 押金 = 押金 + delta for the house; *moved tells whether the house was there. A house without a
// balance yet starts from 0.
bool moveBalance(const QSqlDatabase &db, const QString &houseCode, Money delta, bool *moved, QString *error)
{
    QSqlQuery q(db);
    if (!runBound(q, u"update 房屋资料 set 押金=coalesce(押金,0)+? where (房屋代码=?)"_s, {delta.raw(), houseCode},
                  error)) {
        return false;
    }
    *moved = q.numRowsAffected() > 0;
    return true;
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariantList fieldValues(const DepositMovement &m)
{
    return {DataSet::toStoredDateTime(m.date.startOfDay()),
            orNull(m.building),
            orNull(m.unit),
            m.houseCode,
            orNull(m.owner),
            m.type,
            m.amount ? QVariant(m.amount->raw()) : QVariant(),
            orNull(m.method),
            orNull(m.receipt),
            orNull(m.operatorName),
            m.operatedAt.isValid() ? QVariant(DataSet::toStoredDateTime(m.operatedAt)) : QVariant(),
            orNull(m.remark)};
}

const QString Fields =
    u"日期,楼宇名称,楼宇单元,房屋代码,业主名称,操作类型,金额,缴费方式,单据号码,操作人员,操作日期,备注"_s;

QString noHouse(const QString &code)
{
    return u"房屋代码为“%1”的房屋已经不存在,请重新选择房屋!"_s.arg(code);
}
}

std::optional<Outcome> DepositLedger::check(const DepositMovement &m)
{
    if (m.houseCode.trimmed().isEmpty()) {
        return outcome(Result::Invalid, u"房屋代码不能为空,请重新输入!"_s, Field::HouseCode);
    }
    if (!m.date.isValid()) {
        return outcome(Result::Invalid, u"日期不能为空,请重新输入!"_s, Field::Date);
    }
    if (!DepositWords::types().contains(m.type)) {
        return outcome(Result::Invalid, u"操作类型应该为(收取、退还、冲抵费用),请重新输入!"_s, Field::Type);
    }
    if (m.amount && *m.amount < Money()) {
        return outcome(Result::Invalid, u"金额不能为负数,请重新输入!"_s, Field::Amount);
    }
    return std::nullopt;
}

DepositLedger::DepositLedger(const QSqlDatabase &db)
    : m_db(db)
{ }

namespace {
QString failedReason(const Outcome &o)
{
    return o.result == Result::Failed ? o.error : QString();
}
}

Outcome DepositLedger::save(const DepositMovement &m, qint64 id) const
{
    if (const auto refused = check(m)) {
        return *refused;
    }
    return Transaction::retried(
        m_db, [&] { return saveOnce(m, id); }, failedReason);
}

Outcome DepositLedger::remove(qint64 id) const
{
    return Transaction::retried(
        m_db, [&] { return removeOnce(id); }, failedReason);
}

bool DepositLedger::lockAndRead(const QString &houseCode, qint64 id, StoredMovement *stored, QString *error) const
{
    const Dialect &dialect = Dialect::of(m_db);
    QStringList houses;
    if (!houseCode.isEmpty()) {
        houses << houseCode;
    }
    *stored = {};
    if (id != 0) {
        if (!readStored(m_db, id, stored, error)) {
            return false;
        }
        if (stored->found) {
            houses << stored->houseCode;
        }
    }
    if (!dialect.lockHouses(m_db, houses, error)) {
        return false;
    }
    if (id == 0) {
        return true;
    }
    // Read again under the lock; should another counter have moved the movement to a third
    // house meanwhile, that house is locked too.
    if (!readStored(m_db, id, stored, error)) {
        return false;
    }
    return !stored->found || houses.contains(stored->houseCode) || dialect.lockHouses(m_db, {stored->houseCode}, error);
}

Outcome DepositLedger::saveOnce(const DepositMovement &m, qint64 id) const
{
    Transaction tx(m_db);
    QString error = tx.error();
    if (!tx.begun()) {
        return outcome(Result::Failed, error);
    }
    // What the movement did so far, as the database holds it now.
    StoredMovement old;
    if (!lockAndRead(m.houseCode, id, &old, &error)) {
        return outcome(Result::Failed, error);
    }
    if (id != 0) {
        if (!old.found) {
            return outcome(Result::Gone, u"这条押金记录已经被其他工作站删除,修改没有保存!"_s);
        }
    }

    QSqlQuery write(m_db);
    QVariantList values = fieldValues(m);
    if (id == 0) {
        const QString marks = QStringList(values.size(), u"?"_s).join(u',');
        if (!runBound(write, u"insert into 押金明细表 (%1) values (%2) returning id"_s.arg(Fields, marks), values,
                      &error)
            || !write.next()) {
            return outcome(Result::Failed, error);
        }
        id = write.value(0).toLongLong();
        write.finish();
    } else {
        values << id;
        if (!runBound(write, u"update 押金明细表 set %1=? where id=?"_s.arg(Fields.split(u',').join(u"=?,"_s)), values,
                      &error)) {
            return outcome(Result::Failed, error);
        }
    }

    // The old effect off, the new one on: on one house as their difference.
    bool moved = true;
    if (old.found && old.houseCode == m.houseCode) {
        if (!moveBalance(m_db, m.houseCode, m.effect() - old.effect, &moved, &error)) {
            return outcome(Result::Failed, error);
        }
    } else {
        // A house deleted since the movement was made takes no correction.
        bool oldMoved = false;
        if (old.found && !moveBalance(m_db, old.houseCode, -old.effect, &oldMoved, &error)) {
            return outcome(Result::Failed, error);
        }
        if (!moveBalance(m_db, m.houseCode, m.effect(), &moved, &error)) {
            return outcome(Result::Failed, error);
        }
    }
    if (!moved) {
        return outcome(Result::NoHouse, noHouse(m.houseCode));
    }
    if (!tx.commit(&error)) {
        return outcome(Result::Failed, error);
    }
    Outcome done = outcome(Result::Saved);
    done.id = id;
    return done;
}

Outcome DepositLedger::removeOnce(qint64 id) const
{
    Transaction tx(m_db);
    QString error = tx.error();
    if (!tx.begun()) {
        return outcome(Result::Failed, error);
    }
    StoredMovement old;
    if (!lockAndRead({}, id, &old, &error)) {
        return outcome(Result::Failed, error);
    }
    if (!old.found) {
        return outcome(Result::Gone, u"这条押金记录已经被其他工作站删除,押金余额没有改变!"_s);
    }
    QSqlQuery del(m_db);
    if (!runBound(del, u"delete from 押金明细表 where id=?"_s, {id}, &error)) {
        return outcome(Result::Failed, error);
    }
    bool moved = false;
    if (!moveBalance(m_db, old.houseCode, -old.effect, &moved, &error) || !tx.commit(&error)) {
        return outcome(Result::Failed, error);
    }
    return outcome(Result::Deleted);
}

std::optional<Money> DepositLedger::balance(const QString &houseCode) const
{
    QSqlQuery q(m_db);
    QString error;
    if (!runBound(q, u"select 押金 from 房屋资料 where (房屋代码=?)"_s, {houseCode}, &error) || !q.next()) {
        return Money();
    }
    return Money::fromStored(q.value(0));
}
