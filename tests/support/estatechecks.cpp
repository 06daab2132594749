#include "estatechecks.h"

#include "data/dm1.h"
#include "data/money.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <limits>
#include <map>

using namespace Qt::StringLiterals;

namespace EstateChecks {

namespace {
// A stored amount; one that is no amount reads as the smallest count, which no rule meets.
Money money(const QVariant &v)
{
    return Money::fromStored(v).value_or(Money::fromRaw(std::numeric_limits<qint64>::min()));
}

Money realAsMoney(double v)
{
    return Money::fromReal(v).value_or(Money::fromRaw(std::numeric_limits<qint64>::min()));
}

QString house(const Row &r)
{
    return r.value(u"房屋代码"_s).toString();
}

QString monthOf(const Row &r)
{
    return r.value(u"年度"_s).toString() + u'-' + r.value(u"月份"_s).toString();
}

// "what: found, expected" for a value that breaks a rule.
QString breach(const QString &what, const QString &found, const QString &expected)
{
    return u"%1: %2, expected %3"_s.arg(what, found, expected);
}
}

QList<Row> rows(Dm1 *dm, const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(dm->database());
    q.prepare(sql);
    for (int i = 0; i < binds.size(); ++i) {
        q.bindValue(i, binds[i]);
    }
    QList<Row> out;
    if (!q.exec()) {
        qWarning() << sql << q.lastError().text();
        return out;
    }
    while (q.next()) {
        Row r;
        const QSqlRecord rec = q.record();
        for (int c = 0; c < rec.count(); ++c) {
            r.insert(rec.fieldName(c), q.value(c));
        }
        out << r;
    }
    return out;
}

QStringList houseItemAmounts(Dm1 *dm)
{
    QStringList out;
    for (const Row &hi : rows(dm, u"select * from 房屋收费项目 order by id"_s)) {
        const Money expected = money(hi[u"单价"_s]) * money(hi[u"预付金额"_s]);
        if (money(hi[u"金额"_s]) != expected) {
            out << breach(u"房屋收费项目 %1 %2 金额"_s.arg(house(hi), hi[u"收费名称"_s].toString()),
                          money(hi[u"金额"_s]).toString(), expected.toString());
        }
    }
    return out;
}

QStringList billLineAmounts(Dm1 *dm)
{
    QStringList out;
    for (const Row &l : rows(dm, u"select * from 收费明细表 order by id"_s)) {
        const QString line = u"收费明细 %1 %2 %3"_s.arg(house(l), l[u"收费名称"_s].toString(), monthOf(l));
        const Money quantity = realAsMoney(l[u"面积/数量"_s].toDouble());
        if (l[u"计算公式"_s].toString() == u"单价*(本月数-上月数)"_s) {
            const Money used = realAsMoney(l[u"本月表数"_s].toDouble()) - realAsMoney(l[u"上月表数"_s].toDouble());
            if (quantity != used) {
                out << breach(line + u" 面积/数量"_s, quantity.toString(), used.toString());
            }
        }
        const Money expected = money(l[u"单价"_s]) * quantity;
        if (money(l[u"收费金额"_s]) != expected) {
            out << breach(line + u" 收费金额"_s, money(l[u"收费金额"_s]).toString(), expected.toString());
        }
    }
    return out;
}

QStringList paidLines(Dm1 *dm)
{
    QStringList out;
    for (const Row &p : rows(dm, u"select * from 收费汇总表 where 单据号码 is not null order by id"_s)) {
        const QString receipt = p[u"单据号码"_s].toString();
        const QString record = u"缴费记录 %1"_s.arg(receipt);
        Money due;
        for (const Row &l : rows(dm, u"select * from 收费明细表 where 单据号码=? order by id"_s, {receipt})) {
            const QString line = u"%1 的收费明细 %2"_s.arg(record, l[u"收费名称"_s].toString());
            if (house(l) != house(p) || monthOf(l) != monthOf(p)) {
                out << breach(line, house(l) + u' ' + monthOf(l), house(p) + u' ' + monthOf(p));
            }
            const QList<QPair<QString, QString>> same = {{u"缴费状态"_s, u"缴费方式"_s},
                                                         {u"缴费时间"_s, u"缴费时间"_s},
                                                         {u"缴费人"_s, u"缴费人"_s},
                                                         {u"收款人"_s, u"收款人"_s}};
            for (const auto &[lineField, recordField] : same) {
                if (l[lineField] != p[recordField]) {
                    out << breach(line + u' ' + lineField, l[lineField].toString(), p[recordField].toString());
                }
            }
            due += money(l[u"收费金额"_s]);
        }
        if (money(p[u"收费金额"_s]) != due) {
            out << breach(record + u" 收费金额"_s, money(p[u"收费金额"_s]).toString(), due.toString());
        }
    }
    for (const Row &l :
         rows(dm,
              u"select * from 收费明细表 where 缴费状态<>'未缴费' and (单据号码 is null or 单据号码 not in "
              "(select 单据号码 from 收费汇总表 where 单据号码 is not null)) order by id"_s)) {
        out << u"收费明细 %1 %2 %3 已缴费，没有缴费记录"_s.arg(house(l), l[u"收费名称"_s].toString(), monthOf(l));
    }
    for (const Row &l : rows(dm,
                             u"select * from 收费明细表 where 缴费状态='未缴费' and "
                             "(缴费时间 is not null or 缴费人 is not null or 单据号码 is not null) order by id"_s)) {
        out << u"收费明细 %1 %2 %3 未缴费，却有缴费信息"_s.arg(house(l), l[u"收费名称"_s].toString(), monthOf(l));
    }
    return out;
}

QStringList oddAmounts(Dm1 *dm)
{
    QStringList out;
    std::map<QString, Money> odd; // per house, the running balance
    for (const Row &p : rows(dm, u"select * from 收费汇总表 order by 缴费时间, id"_s)) {
        const QString code = house(p);
        if (money(p[u"上次零头"_s]) != odd[code]) {
            out << breach(u"缴费记录 %1 %2 上次零头"_s.arg(code, p[u"单据号码"_s].toString()),
                          money(p[u"上次零头"_s]).toString(), odd[code].toString());
        }
        odd[code] += money(p[u"实收金额"_s]) - money(p[u"收费金额"_s]);
    }
    for (const Row &h : rows(dm, u"select 房屋代码, 零头 from 房屋资料 order by 房屋代码"_s)) {
        if (money(h[u"零头"_s]) != odd[house(h)]) {
            out << breach(u"房屋 %1 零头"_s.arg(house(h)), money(h[u"零头"_s]).toString(), odd[house(h)].toString());
        }
    }
    return out;
}

QStringList depositBalances(Dm1 *dm)
{
    QStringList out;
    std::map<QString, Money> balance;
    for (const Row &d : rows(dm, u"select * from 押金明细表 order by id"_s)) {
        const Money amount = money(d[u"金额"_s]);
        balance[house(d)] += d[u"操作类型"_s].toString() == u"收取"_s ? amount : -amount;
    }
    for (const Row &h : rows(dm, u"select 房屋代码, 押金 from 房屋资料 order by 房屋代码"_s)) {
        const Money m = money(h[u"押金"_s]);
        if (m != balance[house(h)]) {
            out << breach(u"房屋 %1 押金"_s.arg(house(h)), m.toString(), balance[house(h)].toString());
        }
        if (m < Money()) {
            out << u"房屋 %1 押金 %2 小于零"_s.arg(house(h), m.toString());
        }
    }
    return out;
}

QStringList all(Dm1 *dm)
{
    return houseItemAmounts(dm) + billLineAmounts(dm) + paidLines(dm) + oddAmounts(dm) + depositBalances(dm);
}

}
