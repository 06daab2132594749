#pragma once

// The estate of the payment benchmarks: 5,000 houses in 50 buildings, 10 fee items, 24 months
// (January 2004 to December 2005), every month but the last paid: 1.2 million bill lines and
// their payment records, written through the program's connection in one transaction; with
// houseItems, each house also carries its ten fee items (for a month's generation).
#include "billing/core/payment.h"
#include "data/dm1.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

namespace PaymentEstate {

using namespace Qt::StringLiterals;

constexpr int Houses = 5000;
constexpr int Items = 10;
constexpr int Months = 24; // January 2004 to December 2005; December unpaid

inline QString houseCode(int h)
{
    return u"%1-%2"_s.arg(h / 100 + 1, 2, 10, QLatin1Char('0')).arg(h % 100 + 1, 3, 10, QLatin1Char('0'));
}
inline QString building(int h)
{
    return u"翠苑%1号楼"_s.arg(h / 100 + 1);
}
inline QString owner(int h)
{
    return u"业主%1"_s.arg(h);
}

inline bool fill(Dm1 &dm, bool houseItems, QString *error)
{
    return dm.inTransaction(
        [&](QString *why) {
            QSqlQuery house(dm.database()), item(dm.database()), line(dm.database()), record(dm.database());
            house.prepare(u"insert into 房屋资料 (房屋代码,房屋名称,楼宇名称,楼宇单元,业主名称,房屋面积,零头,押金) "
                          "values (?,?,?,'一单元',?,89.5,0,0)"_s);
            item.prepare(
                u"insert into 房屋收费项目 (房屋代码,房屋名称,楼宇名称,楼宇单元,业主名称,收费名称,计算公式,单价,"
                "预付金额,金额) values (?,?,?,'一单元',?,?,'直接输入金额',?,10000,?)"_s);
            line.prepare(u"insert into 收费明细表 (房屋代码,房屋名称,业主名称,楼宇名称,楼宇单元,收费名称,计算公式,单价,"
                         "\"面积/数量\",收费金额,开始日期,结束日期,年度,月份,缴费状态,缴费时间,缴费人,收款人,单据号码) "
                         "values (?,?,?,?,'一单元',?,'直接输入金额',?,1,?,?,?,?,?,?,?,?,?,?)"_s);
            record.prepare(u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,楼宇单元,房屋代码,业主名称,收费金额,"
                           "实收金额,上次零头,缴费时间,缴费方式,单据号码,缴费人,收款人) "
                           "values (?,?,'按单缴费',?,'一单元',?,?,?,?,0,?,'现金',?,?,'管理员')"_s);
            const auto run = [why](QSqlQuery &q, const QVariantList &values) {
                for (int i = 0; i < values.size(); ++i) {
                    q.bindValue(i, values[i]);
                }
                if (!q.exec()) {
                    *why = q.lastError().text();
                    return false;
                }
                return true;
            };
            int receipt = 0;
            for (int h = 0; h < Houses; ++h) {
                if (!run(house, {houseCode(h), houseCode(h), building(h), owner(h)})) {
                    return false;
                }
                for (int i = 0; houseItems && i < Items; ++i) {
                    const qint64 price = (i + 1) * 125000 + h % 97;
                    if (!run(item,
                             {houseCode(h), houseCode(h), building(h), owner(h), u"收费项目%1"_s.arg(i), price,
                              price})) {
                        return false;
                    }
                }
                for (int m = 0; m < Months; ++m) {
                    const QDate first(2004 + m / 12, m % 12 + 1, 1);
                    const bool paid = m < Months - 1;
                    const QString day = first.addDays(9).toString(u"yyyy-MM-dd 00:00:00"_s);
                    const QString number = u"SF%1"_s.arg(++receipt, 8, 10, QLatin1Char('0'));
                    qint64 due = 0;
                    for (int i = 0; i < Items; ++i) {
                        const qint64 amount = (i + 1) * 125000 + h % 97;
                        due += amount;
                        if (!run(line,
                                 {houseCode(h), houseCode(h), owner(h), building(h), u"收费项目%1"_s.arg(i), amount,
                                  amount, first.toString(u"yyyy-MM-dd 00:00:00"_s),
                                  QDate(first.year(), first.month(), first.daysInMonth())
                                      .toString(u"yyyy-MM-dd 00:00:00"_s),
                                  QString::number(first.year()), QString::number(first.month()),
                                  paid ? u"现金"_s : u"未缴费"_s, paid ? QVariant(day) : QVariant(),
                                  paid ? QVariant(owner(h)) : QVariant(), paid ? u"管理员"_s : QVariant(),
                                  paid ? QVariant(number) : QVariant()})) {
                            return false;
                        }
                    }
                    if (paid
                        && !run(record,
                                {QString::number(first.year()), QString::number(first.month()), building(h),
                                 houseCode(h), owner(h), due, due, day, number, owner(h)})) {
                        return false;
                    }
                }
            }
            return true;
        },
        error);
}

inline PaymentEntry cash(const QString &paid, int n)
{
    PaymentEntry e;
    e.date = QDate(2005, 12, 20);
    e.method = u"现金"_s;
    e.paid = paid;
    e.receipt = u"B%1"_s.arg(n);
    e.payer = u"业主"_s;
    e.collector = u"管理员"_s;
    e.operatorName = u"管理员"_s;
    return e;
}

}
