#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class Dm1;

// The rules every estate database keeps, whoever wrote it (the demo estate, the billing and
// payment windows, a test's own rows): amounts priced by their formula, payments and the lines
// they paid agreeing, and the odd-amount and deposit balances of the houses agreeing with their
// movements. Each check returns the breaches it found, one readable line each; empty when the
// rule holds. Core only: usable from any test.
//
//     QVERIFY2(EstateChecks::oddAmounts(dm).isEmpty(), qPrintable(EstateChecks::oddAmounts(dm).join('\n')));
//
// or, shorter, ESTATE_HOLDS(EstateChecks::all(dm)).
namespace EstateChecks {

using Row = QVariantMap;
// Every row of a bound select, by field name.
QList<Row> rows(Dm1 *dm, const QString &sql, const QVariantList &binds = {});

// 房屋收费项目: 金额 = 单价 × 预付金额 (the multiplier), rounded ties-to-even.
QStringList houseItemAmounts(Dm1 *dm);
// 收费明细表: 收费金额 = 单价 × 面积/数量; a meter line's quantity = 本月表数 − 上月表数.
QStringList billLineAmounts(Dm1 *dm);
// A paid line (缴费状态 not "未缴费") has its payment record (by 单据号码) and carries the record's
// house, year, month, way of payment, time, payer and receiver; the record's 收费金额 is the sum
// of the lines it paid; an unpaid line carries no payment details.
QStringList paidLines(Dm1 *dm);
// The odd-amount chain: taken in order of 缴费时间, each payment's 上次零头 is the house's
// balance before it, which then moves by 实收金额 − 收费金额; the house's 零头 is where its chain
// ends (0 for a house that never paid).
QStringList oddAmounts(Dm1 *dm);
// 押金 of each house = what was received ("收取") minus what was returned ("退还") or set off
// against fees ("冲抵费用"); never below zero.
QStringList depositBalances(Dm1 *dm);
// All of the above.
QStringList all(Dm1 *dm);

}

// Fails the running test with every breach when one of the estate's rules is broken.
#define ESTATE_HOLDS(check)                                                                                            \
    do {                                                                                                               \
        const QStringList breaches_ = (check);                                                                         \
        QVERIFY2(breaches_.isEmpty(), qPrintable(breaches_.mid(0, 20).join(QLatin1Char('\n'))));                       \
    } while (false)
