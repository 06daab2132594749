#pragma once

#include "data/entryrule.h"
#include "data/money.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The words of payments as they are stored.
namespace PaymentWords {
// 收费项目 of a record that pays a house's whole unpaid bill of a month.
inline const QString WholeBill = QStringLiteral("按单缴费");
// 缴费状态 of a line nobody has paid yet, and the way of payment that leaves the lines so.
inline const QString Unpaid = QStringLiteral("未缴费");
// The ways of payment the dialog offers, in its order.
const QStringList &methods();
// A line's 缴费状态 (or a record's 缴费方式) that says the lines were paid: anything but "未缴费"
// and the empty text.
bool isPaid(const QString &state);
}

// The six fields that name a payment record of 收费汇总表: one record per house, month and kind
// of payment; a second payment of the same kind finds and reuses it.
struct PaymentKey
{
    QString year, month; // 年度, 月份 as stored ("2004", "8")
    QString building, houseCode, owner; // 楼宇名称, 房屋代码, 业主名称 of the bill line
    QString item; // 收费项目: "按单缴费", or the 收费名称 of the one line paid

    bool isWholeBill() const { return item == PaymentWords::WholeBill; }
};

// What the operator enters in the payment dialog.
struct PaymentEntry
{
    QDate date; // 缴费时间; the lines get the date without a time of day
    QString method; // 缴费方式, one of PaymentWords::methods()
    QString paid; // 实收金额 as typed (P)
    std::optional<Money> cash, cheque, waived; // 现金, 支票, 零头 (免去零头): kept as entered
    QString receipt, payer, collector, remark; // 单据号码, 缴费人, 收款人, 备注
    QString operatorName; // 操作人员 of the record

    // 实收金额: zero or more, at most four decimals, within the money range; nothing otherwise.
    std::optional<Money> amountPaid() const;
    // The rule 实收金额 is typed by.
    static EntryRule paidRule();
};

// A payment opened at the counter, not yet confirmed: what the dialog shows.
struct PaymentDraft
{
    PaymentKey key;
    QString unit; // 楼宇单元 of the bill line
    Money houseOdd; // the house's 零头 when the payment was opened: "上次零头"
    Money due; // what the lines this payment marks are worth now: "应缴费用"
    int lines = 0; // how many lines that is
    // The record of the key when there is one already (reused), with what it holds.
    qint64 recordId = 0;
    PaymentEntry stored;
    Money storedPaid, storedDue; // its 实收金额 and 收费金额

    // "上次零头": the balance the payment starts from and its record stores, the house's 零头
    // without the effect of the reused record's earlier payment.
    Money previousOdd() const;
};

// Payments at the counter: a house's whole unpaid bill of a month ("按单缴费") or the line of
// one fee item ("单笔缴费"), recorded in 收费汇总表. No widgets: the payment dialog, the tests and
// the reports use it alike, on any connection to the estate's file.
//
// A confirmation writes the record (with 上次零头), marks the lines with the way of payment and
// moves the house's 零头, in one transaction that first takes the write lock (on a server: the
// house's row) and re-reads the house, the record and the lines: when another workstation has
// paid or changed them since the payment was opened, nothing is written (Changed) and the
// caller shows the lines again. A house another counter holds longer than the lock timeout is
// refused with the database's reason (Failed: "其他工作站正在处理该房屋，请稍后再试！").
//
// The balance moves by what was received minus the value of the lines the payment marks paid:
// P − D for a way of payment, P alone for "未缴费" (the lines stay unpaid and are still owed).
// The record's 收费金额 is the value of the lines it marked (0 for "未缴费"), so every record
// moved 零头 by 实收金额 − 收费金额. A reused record first takes back that earlier effect, then
// applies the new payment; its 上次零头 is the balance without its earlier effect. A record whose
// lines were paid already is not reused (Settled). 零头 is always written as 零头 + change.
//
//     PaymentDesk desk(Dm1::instance()->database());
//     PaymentDesk::Outcome why;
//     const auto draft = desk.open(key, unit, &why);   // nothing: why.message() tells
//     ... the operator fills an entry ...
//     const PaymentDesk::Outcome done = desk.confirm(*draft, entry);
//     if (done.result == PaymentDesk::Result::Paid) show("该业主本次零头是：" + done.odd.toString());
class PaymentDesk
{
public:
    enum class Result {
        Paid, // confirmed: record, lines and balance written
        Opened, // open(): the draft is ready
        NoHouse, // no house of that code in that building
        NothingToPay, // the house has no unpaid line to pay (any more)
        Settled, // the key's record paid its lines already
        Changed, // another workstation paid or changed the lines or the record: nothing written
        Invalid, // the entry was refused (message() tells which field)
        Failed, // the database refused (error holds its reason): nothing written
    };
    struct Outcome
    {
        Result result = Result::Failed;
        QString error; // the refusal of the entry, or the database's reason
        Money odd; // Paid: the house's 零头 now
        // What the operator is told.
        QString message() const;
    };

    // The fields of the dialog an entry can be refused for, in the order they are checked.
    enum class Field { Method, Date, Payer, Collector, Paid };
    struct Refusal
    {
        Field field;
        QString message;
    };
    // The first field of the entry that cannot be taken: a way of payment outside the list
    // ("缴费方式不正确，请重新选择！"), no date ("请输入缴费时间！"), no payer ("请输入缴费人！"), no
    // collector ("请输入收款人！"), no amount paid ("请输入实缴金额！") or one its rule refuses
    // ("“实缴金额”只能是数字！", "“实缴金额”不能小于零！").
    static std::optional<Refusal> check(const PaymentEntry &entry);

    explicit PaymentDesk(const QSqlDatabase &db);

    // Opens the payment of key: finds the house by 房屋代码 and 楼宇名称, the record by the six
    // fields, and the value of the lines the payment would mark (the house's unpaid lines of the
    // month, or its unpaid line of the fee item). Nothing, with why set, when it cannot be paid.
    std::optional<PaymentDraft> open(const PaymentKey &key, const QString &unit, Outcome *why) const;

    // Confirms the draft with the operator's entry, all or nothing (a savepoint inside an open
    // transaction).
    Outcome confirm(const PaymentDraft &draft, const PaymentEntry &entry) const;

private:
    Outcome confirmOnce(const PaymentDraft &draft, const PaymentEntry &entry) const;

    QSqlDatabase m_db;
};
