#pragma once

#include "components/grid/core/exporttable.h"
#include "data/money.h"
#include "reports/core/scratchrows.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The owner account statement (业主对账单) of one house and the arrears aging of the estate.
// No widgets: the statement window, the printed statement and any other caller compute alike.
//
// The fee ledger lists the house's bill lines (应缴 = 收费金额, dated by 开始日期) and payment
// records (实缴 = 实收金额, dated by 缴费时间) with a running balance: positive is owed, negative
// is the owner's credit. Its balances are worked backwards from what is stored, so the statement
// agrees with the counter: the balance after every movement is Σ unpaid 收费金额 − 零头 of the
// house, and the balance at an earlier date undoes the movements after it. Each payment lowers
// that balance by what was received, whatever the way of payment (a "未缴费" payment moves 零头
// and leaves its lines owed, a paid one marks lines and moves 零头 by the rest). Where the
// movements summed from the first one do not reach the stored balance (imported or older data),
// the ledger opens with one row "历史差额" holding the difference, never a silently shifted
// balance.
namespace OwnerStatement {

// The aging buckets of unpaid lines by days overdue (the day counted from the line's 结束日期):
// 未到期 (0 or less), 1–30, 31–60, 61–90, 90天以上.
constexpr int AgingBuckets = 5;
using Aging = std::array<Money, AgingBuckets>;
const QStringList &agingTitles();
int agingBucket(int daysOverdue);

// "开始日期不能晚于结束日期" when the range is reversed, "请输入开始日期和结束日期" when a date is
// missing; nothing when it can be computed.
std::optional<QString> checkRange(const QDate &from, const QDate &to);

struct Request
{
    QString houseCode;
    QDate from, to; // whole days, both included
    // Only the movements of the house's current occupant (业主名称 of 房屋资料), for a move-out
    // settlement: the balance is then that owner's own, summed from their first movement.
    bool currentOwnerOnly = false;
};

struct LedgerRow
{
    enum class Kind { History, Bill, Payment };
    Kind kind = Kind::Bill;
    QDate date;
    QString summary; // "2004年8月 物业管理费", "缴费 单据号0012 现金", "历史差额"
    QString owner; // 业主名称 of the line or the record
    Money due; // 应缴
    Money paid; // 实缴
    Money balance; // after this row
    QString note; // "未计算" for a line without an amount
};

struct DepositRow
{
    QDate date;
    QString type; // 收取, 退还, 冲抵费用
    Money change; // + received, − refunded or offset
    Money balance; // after this row
    QString note; // "不冲减欠费" for an offset
};

struct UnpaidLine
{
    QString month; // "2004年8月"
    QString fee;
    QDate end; // 结束日期
    Money amount;
    int daysOverdue = 0; // to − 结束日期
    bool uncomputed = false;
};

struct Statement
{
    bool houseFound = false; // false: a house deleted while its lines remain
    QString houseCode, building, unit, owner, phone;
    QDate from, to;
    bool currentOwnerOnly = false;

    Money opening; // the balance at the start of from
    QList<LedgerRow> rows;
    Money totalDue, totalPaid;
    Money closing; // the balance at the end of to: opening + totalDue − totalPaid

    Money depositOpening;
    QList<DepositRow> deposits;
    Money depositClosing;

    QList<UnpaidLine> unpaid; // unpaid at the end of to, oldest first
    Aging aging {};
    Money odd; // 零头 now
    Money deposit; // 押金 now

    // "无往来记录": nothing to list in the range and nothing owed either side.
    bool isEmpty() const { return rows.isEmpty() && deposits.isEmpty() && opening.raw() == 0; }
};

// The statement of request. False with the database's reason when a statement fails, or the
// message of a value that is no amount.
bool compute(const QSqlDatabase &db, const Request &request, Statement *out, QString *error);

// The statement's rows for the scratch table, in the order of the printed statement: the
// opening row "期初余额", the ledger, the closing row "期末余额"; then the deposit section, its
// opening "期初押金", the movements and "期末押金". Columns: datea date, texta 摘要, moneya
// 应缴 (deposit: received), moneyb 实缴 (deposit: refunded or offset), moneyc 余额, textb
// 业主名称, textc 备注, textd section ("往来" or "押金").
bool writeRows(const Statement &statement, ScratchSink &out, QString *error);

// The estate's arrears aging at a date: the unpaid lines of every house (dated by 开始日期 on
// or before the date, unpaid at its end) in the five buckets.
struct AgingFilter
{
    QDate date;
    QString building; // as typed; blank: every building
    std::optional<Money> minimumNet; // only houses owing at least this (净欠)
};
struct AgingRow
{
    QString building, houseCode, owner, phone;
    Aging buckets {};
    Money total; // 欠费合计
    Money odd; // 零头
    Money net() const { return total - odd; } // 净欠
    QString earliestMonth; // "2004年8月"
};
bool aging(const QSqlDatabase &db, const AgingFilter &filter, QList<AgingRow> *out, QString *error);
// The aging rows for the scratch table: texta 楼宇名称, textb 房屋代码, textc 业主名称, textd
// 联系电话, texte 最早欠费月份, moneya … moneye the buckets, moneyf 欠费合计, moneyg 零头, moneyh 净欠.
bool writeAgingRows(const QList<AgingRow> &rows, ScratchSink &out, QString *error);
// The scratch field of an aging bucket ("moneya" for 未到期 … "moneye" for 90天以上).
QString agingField(int bucket);
// The reminder list for the office's own messaging tools, as the export writers take it:
// 业主名称, 联系电话, 房屋代码, 净欠, 最早欠费月份, one row per house.
ExportTable reminderList(const QList<AgingRow> &rows);

}
