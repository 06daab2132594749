#pragma once

#include "reports/core/scratchrows.h"
#include "data/money.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// What the operator chose in a deposit report's filter bar: whole days from one date to
// another; the detail's house code (required) and building as typed.
struct DepositFilter
{
    QDate from;
    QDate to;
    QString houseCode; // ComboBox1
    QString building; // ComboBox2
};

// The reports over the deposit movements 押金明细表. The movement types they know are "收取"
// (received), "退还" (refunded) and "冲抵费用" (offset against fees); a movement of another type
// is listed without an amount and moves no balance.
namespace DepositReports {

// "业主押金明细表": every movement of the house (and building, when given) in the period, by
// date, each amount in the column of its type (收取 moneya, 退还 moneyb, 冲抵费用 moneyc) with
// the running balance after it in moneyd and the type itself in textd.
bool detail(const QSqlDatabase &db, const DepositFilter &filter, ScratchSink &out, QString *error);

// "业主押金汇总表": one row per house of 房屋资料 in code order, also for a house without
// movements: the period's dates and the sums received (moneya), offset (moneyb) and refunded
// (moneyc) in the period, and the balance received − offset − refunded (moneyd).
bool summary(const QSqlDatabase &db, const DepositFilter &filter, ScratchSink &out, QString *error);

// One row of the detail as it stands in 通用, for "整理".
struct DetailRow
{
    qint64 id = 0;
    QString type; // textd
    Money received; // moneya
    Money refunded; // moneyb
    Money offset; // moneyc
};
// The running balance after each row, in the order given.
QList<Money> balances(const QList<DetailRow> &rows);
// "整理": writes each row's running balance into its moneyd, in one transaction on the
// program's connection; the deposit movements themselves are not touched.
bool tidy(const QSqlDatabase &db, const QList<DetailRow> &rows, QString *error);

}
