// Works out the demo estate "翠园小区": three buildings, their houses and occupants, the fee
// catalogue, the fee items of every house, three months of bills with their payments, and
// deposits, each step the way the office's own windows do it.
#include "demo/demoestate.h"

#include "data/dm1.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace DemoEstate {
namespace {

double areaOf(qint64 hundredths)
{
    return double(hundredths) / 100;
}

const Money Yuan = Money::fromUnits(1);
const Money TenYuan = Money::fromUnits(10);

Money ceilToYuan(Money m)
{
    return m > Money() ? m.roundedTo(Yuan, Money::Rounding::Ceiling) : Money();
}

class Planner
{
public:
    explicit Planner(const QDate &today)
        : m_today(today)
        , m_rnd(20040815)
    {
        const QDate thisMonth(m_today.year(), m_today.month(), 1);
        for (int m = 0; m < Months; ++m) {
            m_plan.months << thisMonth.addMonths(m - (Months - 1));
        }
    }

    Plan run()
    {
        planBuildings();
        planHouses();
        planItems();
        planHouseItems();
        for (int m = 0; m < Months; ++m) {
            planBills(m);
            planPayments(m);
        }
        planDeposits();
        return m_plan;
    }

private:
    void planBuildings()
    {
        m_plan.buildings = {{u"翠园1号楼"_s, QDate(2012, 10, 18), u"钢混结构"_s, 6, 2},
                            {u"翠园2号楼"_s, QDate(2013, 5, 26), u"钢混结构"_s, 5, 2},
                            {u"翠园3号楼"_s, QDate(2014, 9, 12), u"砖混结构"_s, 4, 2}};
    }

    void planHouses()
    {
        static const QStringList unitNames = {u"一单元"_s, u"二单元"_s, u"三单元"_s};
        const QDate firstBilled = m_plan.months.first();
        for (int b = 0; b < m_plan.buildings.size(); ++b) {
            const Building &bld = m_plan.buildings[b];
            for (int u = 0; u < bld.units; ++u) {
                for (int floor = 1; floor <= bld.floors; ++floor) {
                    for (int door = 1; door <= 2; ++door) {
                        House h;
                        const int room = floor * 100 + door;
                        h.code = u"%1-%2-%3"_s.arg(b + 1).arg(u + 1).arg(room);
                        h.building = bld.name;
                        h.unit = unitNames[u];
                        h.name = bld.name + h.unit + u"%1室"_s.arg(room);
                        h.location = h.unit + u"%1层%2"_s.arg(floor).arg(door == 1 ? u"东户"_s : u"西户"_s);
                        describe(h, floor, floor == bld.floors, door);
                        m_plan.houses << h;
                    }
                }
            }
        }
        // One tenant in the last building has a lease that ends within the next three weeks.
        const int bookedHouse = int(m_plan.houses.size()) - 3;
        for (int i = 0; i < m_plan.houses.size(); ++i) {
            House &h = m_plan.houses[i];
            h.water = m_rnd.between(100, 900);
            h.power = m_rnd.between(1000, 9000);
            if (i == bookedHouse) {
                h.state = Booked;
                h.lease = Lease;
                h.moveOut = m_today.addDays(m_rnd.between(5, 18));
                h.moveIn = h.moveOut.addYears(-1);
            } else if (m_rnd.chance(20)) {
                continue; // vacant
            } else if (m_rnd.chance(15)) {
                h.state = Occupied;
                h.lease = Lease;
                h.moveOut = m_today.addDays(m_rnd.between(40, 330));
                h.moveIn = h.moveOut.addYears(-2);
            } else {
                h.state = Occupied;
                h.lease = Sale;
                h.moveIn = m_rnd.dateBetween(QDate(2015, 3, 1), firstBilled.addDays(-60));
            }
            h.chronicDebtor = h.state == Occupied && m_rnd.chance(10);
            h.owner = addOwner(h.moveIn, u"翠园小区"_s + h.name);
            m_plan.owners[h.owner].houseCode = h.code;
        }
        // Two vacant houses were let before; their tenants have moved out.
        int movedOut = 0;
        for (int i = 0; i < m_plan.houses.size() && movedOut < 2; ++i) {
            if (m_plan.houses[i].state != Vacant) {
                continue;
            }
            const QDate out = firstBilled.addDays(-m_rnd.between(30, 150));
            const QDate in = out.addYears(-2).addDays(m_rnd.between(0, 60));
            const int owner = addOwner(in, u"翠湖路%1号"_s.arg(m_rnd.between(2, 300)));
            m_plan.pastLeases << PastLease {i, owner, in, out.addDays(m_rnd.between(-20, 20)), out};
            ++movedOut;
        }
    }

    void describe(House &h, int floor, bool top, int door)
    {
        static const QStringList small = {u"一房一厅"_s, u"二房一厅"_s};
        if (top && door == 1) {
            h.layout = u"四房二厅"_s;
            h.area = m_rnd.between(14000, 15800);
        } else if (door == 1) {
            h.layout = m_rnd.chance(70) ? u"三房二厅"_s : u"三房一厅"_s;
            h.area = m_rnd.between(11500, 13200);
        } else if (floor == 1 && m_rnd.chance(50)) {
            h.layout = m_rnd.pick(small);
            h.area = m_rnd.between(5600, 6800);
        } else {
            h.layout = m_rnd.chance(60) ? u"二房二厅"_s : u"二房一厅"_s;
            h.area = m_rnd.between(8600, 9800);
        }
        h.shared = h.area * m_rnd.between(12, 16) / 100;
        h.other1 = floor == 1 || m_rnd.chance(15) ? m_rnd.between(650, 1280) : 0; // storeroom
        h.other2 = top ? m_rnd.between(1500, 3000) : 0; // attic
        const int t = m_rnd.below(100);
        h.title = t < 85 ? u"完全产权"_s : t < 96 ? u"使用权"_s : u"没有产权"_s;
    }

    int addOwner(const QDate &registered, const QString &address)
    {
        Owner o;
        o.person = DemoPeople::make(m_rnd, &m_names);
        o.address = address;
        o.registered = registered;
        m_plan.owners << o;
        return int(m_plan.owners.size()) - 1;
    }

    void planItems()
    {
        auto item = [](const QString &name, const char *price, const QString &formula, const QString &area,
                       const QString &scope, const QString &period, const QString &category, const char *amount,
                       const QString &note, bool stopped = false) {
            return Item {name,     *Money::parse(QString::fromLatin1(price)),  formula, area,   scope, period,
                         category, *Money::parse(QString::fromLatin1(amount)), note,    stopped};
        };
        const QString all = u"全部用户"_s;
        const QString some = u"部分用户"_s;
        const QString monthly = u"每月收取"_s;
        m_plan.items = {
            item(u"物业管理费"_s, "1.2", ByArea, u"房屋面积"_s, all, monthly, DiffersPerOwner, "0",
                 u"按房屋面积每平方米每月1.2元"_s),
            item(u"公共设施维护费"_s, "0.5", ByArea, u"公摊面积"_s, all, monthly, DiffersPerOwner, "0",
                 u"按公摊面积每平方米每月0.5元"_s),
            item(u"水费"_s, "3.45", ByMeter, QString(), all, monthly, DiffersPerOwner, "0", u"按水表读数每吨3.45元"_s),
            item(u"电费"_s, "0.58", ByMeter, QString(), all, monthly, DiffersPerOwner, "0", u"按电表读数每度0.58元"_s),
            item(u"停车费"_s, "120", ByQuantity, QString(), some, monthly, DiffersPerOwner, "0",
                 u"地面车位每个每月120元"_s),
            item(u"滞纳金"_s, "0.03", ByRatio, QString(), some, u"自定义收取"_s, DiffersPerOwner, "0",
                 u"按上季度欠缴金额的3%收取"_s),
            item(u"卫生费"_s, "0", Direct, QString(), all, monthly, SameAmount, "15", u"每户每月15元"_s),
            item(u"有线电视费"_s, "25", Direct, QString(), all, monthly, DiffersPerOwner, "0", u"每户每月25元"_s),
            item(u"垃圾清运费"_s, "8", Direct, QString(), all, monthly, DiffersPerOwner, "0",
                 u"已并入卫生费，停止收取"_s, true),
        };
        // Bills list a house's fees in name order.
        for (int i = 0; i < m_plan.items.size(); ++i) {
            if (!m_plan.items[i].stopped) {
                m_plan.billed << i;
            }
        }
        std::sort(m_plan.billed.begin(), m_plan.billed.end(),
                  [this](int a, int b) { return m_plan.items[a].name < m_plan.items[b].name; });
    }

    void planHouseItems()
    {
        for (int h = 0; h < m_plan.houses.size(); ++h) {
            const House &house = m_plan.houses[h];
            const int cars = m_rnd.below(100) < 55 ? 0 : m_rnd.chance(90) ? 1 : 2;
            for (int i : std::as_const(m_plan.billed)) {
                const Item &it = m_plan.items[i];
                HouseItem hi {h, i, it.category == SameAmount ? it.amount : it.price, {}};
                if (it.formula == ByArea) {
                    hi.multiplier =
                        Money::fromReal(areaOf(it.area == u"公摊面积"_s ? house.shared : house.area)).value_or(Money());
                } else if (it.formula == Direct) {
                    hi.multiplier = Money::fromUnits(1);
                } else if (it.formula == ByQuantity) {
                    hi.multiplier = Money::fromUnits(cars);
                }
                m_plan.houseItems << hi;
            }
        }
    }

    bool billed(const House &h) const { return h.state != Vacant; }

    void planBills(int m)
    {
        for (const HouseItem &hi : std::as_const(m_plan.houseItems)) {
            House &h = m_plan.houses[hi.house];
            if (!billed(h)) {
                continue;
            }
            const Item &it = m_plan.items[hi.item];
            Line l;
            l.house = hi.house;
            l.item = hi.item;
            l.month = m;
            l.price = hi.price;
            l.quantity = hi.multiplier.toReal();
            if (it.formula == ByMeter) {
                const bool water = it.name == u"水费"_s;
                int &reading = water ? h.water : h.power;
                l.lastReading = reading;
                reading += water ? m_rnd.between(4, 16) : m_rnd.between(90, 320);
                l.thisReading = reading;
                l.quantity = (Money::fromUnits(reading) - Money::fromReal(l.lastReading).value_or(Money())).toReal();
            } else if (it.formula == Direct) {
                l.quantity = 1;
            } else if (it.formula == ByRatio && m == Months - 1) {
                // The late fee of the current month is charged on what is still owed from the oldest.
                Money owed;
                for (const Line &old : std::as_const(m_plan.lines)) {
                    if (old.house == hi.house && old.month == 0 && old.state == Unpaid) {
                        owed += old.due;
                    }
                }
                l.quantity = owed.toReal();
            }
            l.due = l.price * Money::fromReal(l.quantity).value_or(Money());
            m_plan.lines << l;
        }
    }

    void planPayments(int m)
    {
        const QDate first = m_plan.months[m];
        const QDate last = m == Months - 1 ? m_today : QDate(first.year(), first.month(), first.daysInMonth());
        int water = -1;
        for (int i = 0; i < m_plan.items.size(); ++i) {
            if (m_plan.items[i].name == u"水费"_s) {
                water = i;
            }
        }
        for (int h = 0; h < m_plan.houses.size(); ++h) {
            const House &house = m_plan.houses[h];
            if (!billed(house)) {
                continue;
            }
            QDate day = first.addDays(qMin(2, int(first.daysTo(last))));
            // Some households pay the water alone: those who dispute the other fees, and a few
            // who settle it as soon as the meter is read.
            if ((house.chronicDebtor && m < Months - 1) || (m == 1 && m_rnd.chance(10))) {
                day = m_rnd.dateBetween(day, last);
                pay(h, m, m_plan.items[water].name, day);
            }
            const int share = m == 0 ? 100 : m == 1 ? 85 : 35;
            if (!house.chronicDebtor && m_rnd.chance(share)) {
                pay(h, m, u"按单缴费"_s, m_rnd.dateBetween(day, last));
            }
        }
    }

    void pay(int h, int m, const QString &what, const QDate &date)
    {
        House &house = m_plan.houses[h];
        const bool whole = what == u"按单缴费"_s;
        QList<int> lines;
        Money due;
        for (int i = 0; i < m_plan.lines.size(); ++i) {
            const Line &l = m_plan.lines[i];
            if (l.house == h && l.month == m && l.state == Unpaid && (whole || m_plan.items[l.item].name == what)) {
                lines << i;
                due += l.due;
            }
        }
        if (lines.isEmpty()) {
            return;
        }
        Payment p;
        p.house = h;
        p.month = m;
        p.what = what;
        p.due = due;
        p.previousOdd = house.odd;
        p.date = date;
        const int how = m_rnd.below(100);
        if (!whole || how < 15) {
            p.paid = due - house.odd; // to the fen
        } else if (how < 90) {
            p.paid = ceilToYuan(due - house.odd);
        } else {
            // Short by the odd yuan: left as debt until the next payment.
            p.paid = qMax(Money(), (due - house.odd).roundedTo(TenYuan, Money::Rounding::Floor));
        }
        if (p.paid < Money()) {
            p.paid = {};
        }
        const int way = m_rnd.below(100);
        p.method = way < 60 ? u"现金"_s : way < 90 ? u"银行转帐"_s : u"现金+银行转帐"_s;
        if (p.method == u"现金"_s) {
            p.cash = p.paid;
        } else if (p.method == u"银行转帐"_s) {
            p.transfer = p.paid;
        } else {
            p.transfer = p.paid.dividedBy(2, Money::Rounding::Floor).roundedTo(TenYuan, Money::Rounding::Floor);
            p.cash = p.paid - p.transfer;
        }
        const QString owner = m_plan.owners[house.owner].person.name;
        p.payer = m_rnd.chance(85) ? owner : DemoPeople::relativeOf(m_rnd, owner);
        p.receiver = Dm1::defaultOperator();
        p.receipt = u"SF%1%2"_s.arg(date.toString(u"yyyyMM"_s)).arg(++m_receipts, 4, 10, QChar(u'0'));
        for (int i : std::as_const(lines)) {
            Line &l = m_plan.lines[i];
            l.state = p.method;
            l.paidOn = date;
            l.payer = p.payer;
            l.receiver = p.receiver;
            l.receipt = p.receipt;
        }
        house.odd = house.odd + p.paid - p.due;
        m_plan.owners[house.owner].hasPayments = true;
        m_plan.payments << p;
    }

    void planDeposits()
    {
        int renovations = 0;
        int offsets = 0;
        for (int h = 0; h < m_plan.houses.size(); ++h) {
            const House &house = m_plan.houses[h];
            if (house.lease == Lease) {
                const Money amount = Money::fromUnits(m_rnd.chance(50) ? 1000 : 2000);
                deposit(house.moveIn, h, u"收取"_s, amount, u"租房押金"_s);
                if (house.state == Occupied && offsets++ == 0) {
                    deposit(m_plan.months[1].addDays(9), h, u"冲抵费用"_s, Money::fromUnits(300), u"冲抵物业管理费"_s);
                }
            } else if (house.lease == Sale && house.moveIn.daysTo(m_today) > 400 && renovations < 4
                       && m_rnd.chance(25)) {
                // Renovation deposits, refunded once the work passed inspection (the last one is still held).
                const QDate taken = house.moveIn.addDays(10);
                deposit(taken, h, u"收取"_s, Money::fromUnits(2000), u"装修押金"_s);
                if (renovations++ < 3) {
                    deposit(qMin(taken.addDays(m_rnd.between(90, 200)), m_today), h, u"退还"_s, Money::fromUnits(2000),
                            u"装修验收合格，退还押金"_s);
                }
            }
        }
        std::stable_sort(m_plan.deposits.begin(), m_plan.deposits.end(),
                         [](const Deposit &a, const Deposit &b) { return a.date < b.date; });
        for (int i = 0; i < m_plan.deposits.size(); ++i) {
            Deposit &d = m_plan.deposits[i];
            d.receipt = u"YJ%1%2"_s.arg(d.date.toString(u"yyyyMMdd"_s)).arg(i + 1, 3, 10, QChar(u'0'));
        }
    }

    void deposit(const QDate &date, int h, const QString &type, Money amount, const QString &note)
    {
        const QString method = m_rnd.chance(70) ? u"现金"_s : u"银行转帐"_s;
        m_plan.deposits << Deposit {date, h, type, amount, method, QString(), note};
        m_plan.houses[h].deposit += type == u"收取"_s ? amount : -amount;
    }

    QDate m_today;
    DemoRandom m_rnd;
    QSet<QString> m_names;
    int m_receipts = 0;
    Plan m_plan;
};

} // namespace

Plan plan(const QDate &today)
{
    return Planner(today).run();
}

} // namespace DemoEstate
