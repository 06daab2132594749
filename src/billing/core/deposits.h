#pragma once

#include "data/money.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The words of deposit movements as they are stored.
namespace DepositWords {
inline const QString Received = QStringLiteral("收取");
inline const QString Refunded = QStringLiteral("退还");
inline const QString Offset = QStringLiteral("冲抵费用");
// 操作类型, in the order the window offers them.
const QStringList &types();
// 缴费方式 of a movement.
const QStringList &methods();
}

// One movement of 押金明细表 as the deposit window fills it.
struct DepositMovement
{
    QDate date; // 日期
    QString building, unit, houseCode, owner; // 楼宇名称, 楼宇单元, 房屋代码, 业主名称 (from the house chooser)
    QString type; // 操作类型
    std::optional<Money> amount; // 金额; a movement without one counts as 0
    QString method, receipt, remark; // 缴费方式, 单据号码, 备注
    QString operatorName; // 操作人员
    QDateTime operatedAt; // 操作日期

    // What the movement does to its house's 押金: up by 金额 for "收取", down by it for "退还"
    // and "冲抵费用".
    static Money effect(const QString &type, Money amount);
    Money effect() const { return effect(type, amount.value_or(Money())); }
};

// Deposit movements and the deposit balances (房屋资料.押金) they move. No widgets: the deposit
// window and the tests use it alike, on any connection to the estate's file.
//
// A movement and its balance change are written in one transaction that takes the write lock
// first. An edited or deleted movement's old effect is taken from the stored row, re-read by id
// inside that transaction, never from a value the window kept: whatever the window shows, the
// balance moves by the new effect minus the effect the stored row had. So an edit of a "收取"
// from 500 to 450 moves it by −50, a change of type from "收取" 300 to "退还" 300 by −600, and a
// movement moved to another house goes off the old house's balance and onto the new one's.
// Balances change only as 押金 = 押金 + delta, never recomputed. A refund may take a balance
// below zero.
//
//     DepositLedger ledger(Dm1::instance()->database());
//     const DepositLedger::Outcome done = ledger.save(movement, id);   // id 0: a new movement
//     if (done.result != DepositLedger::Result::Saved) show(done.message());
class DepositLedger
{
public:
    enum class Result {
        Saved, // the movement and the balances written; id names the row
        Deleted, // the movement gone and its effect taken off the balance
        Invalid, // the movement was refused (field and message tell which)
        NoHouse, // the movement's house does not exist (any more): nothing written
        Gone, // the stored movement was deleted by another workstation: nothing written
        Failed, // the database refused (error holds its reason): nothing written
    };
    // The fields a movement can be refused for, in the order they are checked.
    enum class Field { None, HouseCode, Date, Type, Amount };

    struct Outcome
    {
        Result result = Result::Failed;
        Field field = Field::None;
        QString error; // what the operator is told, or the database's reason (Failed)
        qint64 id = 0; // Saved: the movement's row
        bool ok() const { return result == Result::Saved || result == Result::Deleted; }
    };

    // The first field of the movement that cannot be taken: no house ("房屋代码不能为空,请重新输入!"),
    // no date ("日期不能为空,请重新输入!"), a type outside the three ("操作类型应该为(收取、退还、
    // 冲抵费用),请重新输入!"), an amount below zero ("金额不能为负数,请重新输入!").
    static std::optional<Outcome> check(const DepositMovement &m);

    explicit DepositLedger(const QSqlDatabase &db);

    // Writes the movement, new when id is 0, else over the stored row id, and moves the balances
    // by the difference of the effects; all or nothing (a savepoint inside an open transaction).
    Outcome save(const DepositMovement &m, qint64 id = 0) const;
    // Deletes the stored movement id and takes its stored effect off its house's balance; a
    // movement already deleted elsewhere leaves every balance as it is (Gone). A movement of a
    // house that no longer exists goes without a balance to correct.
    Outcome remove(qint64 id) const;

    // The house's 押金 (0 for none or no house); nothing when the stored value is no amount.
    std::optional<Money> balance(const QString &houseCode) const;

private:
    Outcome saveOnce(const DepositMovement &m, qint64 id) const;
    Outcome removeOnce(qint64 id) const;
    // Locks the houses' rows (on a server) and reads the stored movement under that lock: the
    // house of the movement and the one it stood for until now.
    bool lockAndRead(const QString &houseCode, qint64 id, struct StoredMovement *stored, QString *error) const;

    QSqlDatabase m_db;
};
