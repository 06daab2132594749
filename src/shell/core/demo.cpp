// The demo estate "翠园小区": three buildings, their houses and occupants, the fee catalogue,
// the fee items of every house, three months of bills with their payments, and deposits.
// Everything is worked out in memory first, the way the office's windows would have left it,
// and then written in one transaction.
#include "shell/core/demo.h"

#include "shell/core/clock.h"
#include "shell/core/dataset.h"
#include "shell/core/demopeople.h"
#include "shell/core/dm1.h"
#include "shell/core/money.h"
#include "shell/core/schema.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString Unpaid = u"未缴费"_s;
const QString ByArea = u"单价*面积"_s;
const QString ByMeter = u"单价*(本月数-上月数)"_s;
const QString ByQuantity = u"单价*数量"_s;
const QString ByRatio = u"比例*金额"_s;
const QString Direct = u"直接输入金额"_s;
const QString SameAmount = u"业主收费金额相同"_s;
const QString DiffersPerOwner = u"业主收费金额不同"_s;
const QString Occupied = u"入住"_s;
const QString Vacant = u"空置"_s;
const QString Booked = u"预定"_s;
const QString Lease = u"租房"_s;
const QString Sale = u"售房"_s;
constexpr int Months = 3;

struct Building
{
    QString name;
    QDate built;
    QString structure;
    int floors;
    int units;
};

struct Owner
{
    DemoPerson person;
    QString address;
    QString houseCode;
    QDate registered;
    bool hasPayments = false;
};

struct House
{
    QString code, name, building, unit, location, layout, title;
    qint64 area = 0, shared = 0, other1 = 0, other2 = 0;   // hundredths of a square metre
    QString state = Vacant;
    int owner = -1;
    QString lease;
    QDate moveIn, moveOut;
    Money odd, deposit;
    int water = 0, power = 0;   // meter readings before the first billed month
    bool chronicDebtor = false;
};

struct Item
{
    QString name;
    Money price;
    QString formula, area, scope, period, category;
    Money amount;
    QString note;
    bool stopped = false;
};

struct HouseItem
{
    int house;
    int item;
    Money price;
    Money multiplier;
};

struct Line
{
    int house = 0;
    int item = 0;
    int month = 0;   // 0 .. Months-1, oldest first
    Money price;
    double thisReading = 0;
    double lastReading = 0;
    double quantity = 0;
    Money due;
    QString state = Unpaid;
    QDate paidOn;
    QString payer, receiver, receipt;
};

struct Payment
{
    int house = 0;
    int month = 0;
    QString what;   // "按单缴费" or the fee paid alone
    Money due, paid, cash, transfer, previousOdd;
    QDate date;
    QString method, receipt, payer, receiver;
};

struct Deposit
{
    QDate date;
    int house;
    QString type;
    Money amount;
    QString method, receipt, note;
};

double areaOf(qint64 hundredths)
{
    return double(hundredths) / 100;
}

QVariant storedDate(const QDate &d)
{
    return d.isValid() ? QVariant(DataSet::toStoredDateTime(d.startOfDay())) : QVariant();
}

QVariant storedMoment(const QDateTime &dt)
{
    return QVariant(DataSet::toStoredDateTime(dt));
}

Money ceilToYuan(Money m)
{
    if (m.raw() <= 0) {
        return {};
    }
    return Money::fromRaw((m.raw() + Money::Scale - 1) / Money::Scale * Money::Scale);
}

class Estate
{
public:
    explicit Estate(Dm1 *dm)
        : m_dm(dm)
        , m_today(Clock::today())
        , m_now(Clock::now())
        , m_rnd(20040815)
    {
        const QDate thisMonth(m_today.year(), m_today.month(), 1);
        for (int m = 0; m < Months; ++m) {
            m_months << thisMonth.addMonths(m - (Months - 1));
        }
    }

    void plan()
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
    }

    bool write(QString *error)
    {
        return writeSettings(error) && writeBuildings(error) && writeOwners(error) && writeHouses(error) &&
               writeLeases(error) && writeItems(error) && writeHouseItems(error) && writeLines(error) &&
               writePayments(error) && writeDeposits(error);
    }

private:
    // --- planning -------------------------------------------------------------------------

    void planBuildings()
    {
        m_buildings = {{u"翠园1号楼"_s, QDate(2012, 10, 18), u"钢混结构"_s, 6, 2},
                       {u"翠园2号楼"_s, QDate(2013, 5, 26), u"钢混结构"_s, 5, 2},
                       {u"翠园3号楼"_s, QDate(2014, 9, 12), u"砖混结构"_s, 4, 2}};
    }

    void planHouses()
    {
        static const QStringList unitNames = {u"一单元"_s, u"二单元"_s, u"三单元"_s};
        const QDate firstBilled = m_months.first();
        for (int b = 0; b < m_buildings.size(); ++b) {
            const Building &bld = m_buildings[b];
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
                        m_houses << h;
                    }
                }
            }
        }
        // One tenant in the last building has a lease that ends within the next three weeks.
        const int bookedHouse = int(m_houses.size()) - 3;
        for (int i = 0; i < m_houses.size(); ++i) {
            House &h = m_houses[i];
            h.water = m_rnd.between(100, 900);
            h.power = m_rnd.between(1000, 9000);
            if (i == bookedHouse) {
                h.state = Booked;
                h.lease = Lease;
                h.moveOut = m_today.addDays(m_rnd.between(5, 18));
                h.moveIn = h.moveOut.addYears(-1);
            } else if (m_rnd.chance(20)) {
                continue;   // vacant
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
            m_owners[h.owner].houseCode = h.code;
        }
        // Two vacant houses were let before; their tenants have moved out.
        int movedOut = 0;
        for (int i = 0; i < m_houses.size() && movedOut < 2; ++i) {
            if (m_houses[i].state != Vacant) {
                continue;
            }
            const QDate out = firstBilled.addDays(-m_rnd.between(30, 150));
            const QDate in = out.addYears(-2).addDays(m_rnd.between(0, 60));
            const int owner = addOwner(in, u"翠湖路%1号"_s.arg(m_rnd.between(2, 300)));
            m_pastLeases << PastLease{i, owner, in, out.addDays(m_rnd.between(-20, 20)), out};
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
        h.other1 = floor == 1 || m_rnd.chance(15) ? m_rnd.between(650, 1280) : 0;   // storeroom
        h.other2 = top ? m_rnd.between(1500, 3000) : 0;                            // attic
        const int t = m_rnd.below(100);
        h.title = t < 85 ? u"完全产权"_s : t < 96 ? u"使用权"_s : u"没有产权"_s;
    }

    int addOwner(const QDate &registered, const QString &address)
    {
        Owner o;
        o.person = DemoPeople::make(m_rnd, &m_names);
        o.address = address;
        o.registered = registered;
        m_owners << o;
        return int(m_owners.size()) - 1;
    }

    void planItems()
    {
        auto item = [](const QString &name, const char *price, const QString &formula, const QString &area,
                       const QString &scope, const QString &period, const QString &category, const char *amount,
                       const QString &note, bool stopped = false) {
            return Item{name,     *Money::parse(QString::fromLatin1(price)), formula, area, scope, period,
                        category, *Money::parse(QString::fromLatin1(amount)), note, stopped};
        };
        const QString all = u"全部用户"_s;
        const QString some = u"部分用户"_s;
        const QString monthly = u"每月收取"_s;
        m_items = {
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
        for (int i = 0; i < m_items.size(); ++i) {
            if (!m_items[i].stopped) {
                m_billed << i;
            }
        }
        std::sort(m_billed.begin(), m_billed.end(),
                  [this](int a, int b) { return m_items[a].name < m_items[b].name; });
    }

    void planHouseItems()
    {
        for (int h = 0; h < m_houses.size(); ++h) {
            const House &house = m_houses[h];
            const int cars = m_rnd.below(100) < 55 ? 0 : m_rnd.chance(90) ? 1 : 2;
            for (int i : std::as_const(m_billed)) {
                const Item &it = m_items[i];
                HouseItem hi{h, i, it.category == SameAmount ? it.amount : it.price, {}};
                if (it.formula == ByArea) {
                    hi.multiplier = Money::fromReal(areaOf(it.area == u"公摊面积"_s ? house.shared : house.area));
                } else if (it.formula == Direct) {
                    hi.multiplier = Money::fromUnits(1);
                } else if (it.formula == ByQuantity) {
                    hi.multiplier = Money::fromUnits(cars);
                }
                m_houseItems << hi;
            }
        }
    }

    bool billed(const House &h) const { return h.state != Vacant; }

    void planBills(int m)
    {
        for (const HouseItem &hi : std::as_const(m_houseItems)) {
            House &h = m_houses[hi.house];
            if (!billed(h)) {
                continue;
            }
            const Item &it = m_items[hi.item];
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
                l.quantity = (Money::fromUnits(reading) - Money::fromReal(l.lastReading)).toReal();
            } else if (it.formula == Direct) {
                l.quantity = 1;
            } else if (it.formula == ByRatio && m == Months - 1) {
                // The late fee of the current month is charged on what is still owed from the oldest.
                Money owed;
                for (const Line &old : std::as_const(m_lines)) {
                    if (old.house == hi.house && old.month == 0 && old.state == Unpaid) {
                        owed += old.due;
                    }
                }
                l.quantity = owed.toReal();
            }
            l.due = l.price * Money::fromReal(l.quantity);
            m_lines << l;
        }
    }

    void planPayments(int m)
    {
        const QDate first = m_months[m];
        const QDate last = m == Months - 1 ? m_today : QDate(first.year(), first.month(), first.daysInMonth());
        int water = -1;
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_items[i].name == u"水费"_s) {
                water = i;
            }
        }
        for (int h = 0; h < m_houses.size(); ++h) {
            const House &house = m_houses[h];
            if (!billed(house)) {
                continue;
            }
            QDate day = first.addDays(qMin(2, int(first.daysTo(last))));
            // Some households pay the water alone: those who dispute the other fees, and a few
            // who settle it as soon as the meter is read.
            if ((house.chronicDebtor && m < Months - 1) || (m == 1 && m_rnd.chance(10))) {
                day = m_rnd.dateBetween(day, last);
                pay(h, m, m_items[water].name, day);
            }
            const int share = m == 0 ? 100 : m == 1 ? 85 : 35;
            if (!house.chronicDebtor && m_rnd.chance(share)) {
                pay(h, m, u"按单缴费"_s, m_rnd.dateBetween(day, last));
            }
        }
    }

    void pay(int h, int m, const QString &what, const QDate &date)
    {
        House &house = m_houses[h];
        const bool whole = what == u"按单缴费"_s;
        QList<int> lines;
        Money due;
        for (int i = 0; i < m_lines.size(); ++i) {
            const Line &l = m_lines[i];
            if (l.house == h && l.month == m && l.state == Unpaid && (whole || m_items[l.item].name == what)) {
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
            p.paid = due - house.odd;   // to the fen
        } else if (how < 90) {
            p.paid = ceilToYuan(due - house.odd);
        } else {
            // Short by the odd yuan: left as debt until the next payment.
            p.paid = Money::fromUnits(qMax<qint64>(0, (due - house.odd).raw() / Money::Scale / 10 * 10));
        }
        if (p.paid.raw() < 0) {
            p.paid = {};
        }
        const int way = m_rnd.below(100);
        p.method = way < 60 ? u"现金"_s : way < 90 ? u"银行转帐"_s : u"现金+银行转帐"_s;
        if (p.method == u"现金"_s) {
            p.cash = p.paid;
        } else if (p.method == u"银行转帐"_s) {
            p.transfer = p.paid;
        } else {
            p.transfer = Money::fromUnits(p.paid.raw() / Money::Scale / 2 / 10 * 10);
            p.cash = p.paid - p.transfer;
        }
        const QString owner = m_owners[house.owner].person.name;
        p.payer = m_rnd.chance(85) ? owner : DemoPeople::relativeOf(m_rnd, owner);
        p.receiver = Dm1::defaultOperator();
        p.receipt = u"SF%1%2"_s.arg(date.toString(u"yyyyMM"_s)).arg(++m_receipts, 4, 10, QChar(u'0'));
        for (int i : std::as_const(lines)) {
            Line &l = m_lines[i];
            l.state = p.method;
            l.paidOn = date;
            l.payer = p.payer;
            l.receiver = p.receiver;
            l.receipt = p.receipt;
        }
        house.odd = house.odd + p.paid - p.due;
        m_owners[house.owner].hasPayments = true;
        m_payments << p;
    }

    void planDeposits()
    {
        int renovations = 0;
        int offsets = 0;
        for (int h = 0; h < m_houses.size(); ++h) {
            const House &house = m_houses[h];
            if (house.lease == Lease) {
                const Money amount = Money::fromUnits(m_rnd.chance(50) ? 1000 : 2000);
                deposit(house.moveIn, h, u"收取"_s, amount, u"租房押金"_s);
                if (house.state == Occupied && offsets++ == 0) {
                    deposit(m_months[1].addDays(9), h, u"冲抵费用"_s, Money::fromUnits(300), u"冲抵物业管理费"_s);
                }
            } else if (house.lease == Sale && house.moveIn.daysTo(m_today) > 400 && renovations < 4 && m_rnd.chance(25)) {
                // Renovation deposits, refunded once the work passed inspection (the last one is still held).
                const QDate taken = house.moveIn.addDays(10);
                deposit(taken, h, u"收取"_s, Money::fromUnits(2000), u"装修押金"_s);
                if (renovations++ < 3) {
                    deposit(qMin(taken.addDays(m_rnd.between(90, 200)), m_today), h, u"退还"_s,
                            Money::fromUnits(2000), u"装修验收合格，退还押金"_s);
                }
            }
        }
        std::stable_sort(m_deposits.begin(), m_deposits.end(),
                         [](const Deposit &a, const Deposit &b) { return a.date < b.date; });
        for (int i = 0; i < m_deposits.size(); ++i) {
            Deposit &d = m_deposits[i];
            d.receipt = u"YJ%1%2"_s.arg(d.date.toString(u"yyyyMMdd"_s)).arg(i + 1, 3, 10, QChar(u'0'));
        }
    }

    void deposit(const QDate &date, int h, const QString &type, Money amount, const QString &note)
    {
        const QString method = m_rnd.chance(70) ? u"现金"_s : u"银行转帐"_s;
        m_deposits << Deposit{date, h, type, amount, method, QString(), note};
        m_houses[h].deposit += type == u"收取"_s ? amount : -amount;
    }

    // --- writing --------------------------------------------------------------------------

    // One row of a table: field names and their values, written with bound values.
    class Row
    {
    public:
        Row &set(const QString &field, const QVariant &value)
        {
            m_fields << Schema::quoted(field);
            // An absent text is stored as the empty string, as the office's windows leave it.
            const bool noText = value.typeId() == QMetaType::QString && value.toString().isNull();
            m_values << (noText ? QVariant(u""_s) : value);
            return *this;
        }
        Row &money(const QString &field, Money m) { return set(field, m.raw()); }
        Row &date(const QString &field, const QDate &d) { return set(field, storedDate(d)); }
        Row &audit(const QDateTime &when)
        {
            return set(u"操作人员"_s, Dm1::defaultOperator()).set(u"操作日期"_s, storedMoment(when));
        }
        bool insert(Dm1 *dm, const QString &table, QString *error) const
        {
            QStringList marks;
            marks.fill(u"?"_s, m_fields.size());
            const QString sql = u"insert into %1 (%2) values (%3)"_s.arg(Schema::quoted(table), m_fields.join(u", "_s),
                                                                          marks.join(u", "_s));
            if (dm->exec(sql, m_values, error)) {
                return true;
            }
            if (error) {
                *error = table + u": "_s + *error;
            }
            return false;
        }

    private:
        QStringList m_fields;
        QVariantList m_values;
    };

    // An office moment on a day, never later than now.
    QDateTime at(const QDate &d, int hour, int minute = 0) const
    {
        return qMin(QDateTime(d, QTime(hour, minute)), m_now);
    }

    bool writeSettings(QString *error)
    {
        return m_dm->exec(u"delete from 公司信息"_s, {}, error) &&
               Row()
                   .set(u"公司名称"_s, u"翠园物业管理有限公司"_s)
                   .set(u"公司地址"_s, u"翠湖路88号翠园小区物业服务中心"_s)
                   .set(u"邮政编码"_s, u"310012"_s)
                   .set(u"联系人"_s, u"陈建国"_s)
                   .set(u"联系电话"_s, u"0571-88861234"_s)
                   .set(u"开户银行"_s, u"中国工商银行翠湖支行"_s)
                   .set(u"银行帐号"_s, u"1202021109900012345"_s)
                   .set(u"系统标题"_s, u"翠园小区物业收费管理系统"_s)
                   .set(u"动态文字"_s, u"欢迎使用翠园小区物业收费管理系统！请提醒业主按时缴纳物业管理费和水电费，谢谢合作。"_s)
                   .set(u"自动提醒"_s, 1)
                   .set(u"提前提醒天数"_s, 20)
                   .insert(m_dm, u"公司信息"_s, error);
    }

    bool writeBuildings(QString *error)
    {
        for (const Building &b : std::as_const(m_buildings)) {
            int houses = 0;
            int vacant = 0;
            for (const House &h : std::as_const(m_houses)) {
                if (h.building == b.name) {
                    ++houses;
                    vacant += h.state == Vacant ? 1 : 0;
                }
            }
            if (!Row()
                     .set(u"楼宇名称"_s, b.name)
                     .date(u"建成日期"_s, b.built)
                     .set(u"楼房结构"_s, b.structure)
                     .set(u"楼宇层数"_s, b.floors)
                     .set(u"房屋数量"_s, houses)
                     .set(u"住户数量"_s, houses - vacant)
                     .set(u"空置房数量"_s, vacant)
                     .audit(at(b.built.addYears(1), 9))
                     .set(u"备注"_s, u"%1个单元，每层每单元两户"_s.arg(b.units))
                     .insert(m_dm, u"楼宇资料"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeOwners(QString *error)
    {
        for (const Owner &o : std::as_const(m_owners)) {
            const DemoPerson &p = o.person;
            if (!Row()
                     .set(u"业主名称"_s, p.name)
                     .set(u"身份证号"_s, p.idNumber)
                     .set(u"联系电话"_s, p.phone)
                     .set(u"工作单位"_s, p.employer)
                     .set(u"联系地址"_s, o.address)
                     .set(u"开户银行"_s, p.bank)
                     .set(u"银行帐号"_s, p.account)
                     .set(u"房屋代码"_s, o.houseCode)
                     .money(u"预付金额"_s, {})
                     .set(u"开始使用"_s, o.hasPayments ? u"是"_s : u"否"_s)
                     .set(u"是否使用"_s, u"是"_s)
                     .audit(at(o.registered, 10))
                     .insert(m_dm, u"业主资料"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeHouses(QString *error)
    {
        for (const House &h : std::as_const(m_houses)) {
            const Owner *o = h.owner >= 0 ? &m_owners[h.owner] : nullptr;
            const DemoPerson none;
            const DemoPerson &p = o ? o->person : none;
            if (!Row()
                     .set(u"房屋代码"_s, h.code)
                     .set(u"房屋名称"_s, h.name)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"房屋位置"_s, h.location)
                     .set(u"房型"_s, h.layout)
                     .set(u"产权状况"_s, h.title)
                     .set(u"房屋面积"_s, areaOf(h.area))
                     .set(u"公摊面积"_s, areaOf(h.shared))
                     .set(u"其它面积一"_s, areaOf(h.other1))
                     .set(u"其它面积二"_s, areaOf(h.other2))
                     .set(u"使用状况"_s, h.state)
                     .date(u"迁入日期"_s, h.moveIn)
                     .date(u"迁出日期"_s, h.moveOut)
                     .set(u"业主名称"_s, p.name)
                     .set(u"身份证号"_s, p.idNumber)
                     .set(u"工作单位"_s, p.employer)
                     .set(u"联系地址"_s, o ? o->address : QString())
                     .set(u"联系电话"_s, p.phone)
                     .set(u"银行帐号"_s, p.account)
                     .money(u"零头"_s, h.odd)
                     .money(u"押金"_s, h.deposit)
                     .audit(at(m_months.first().addDays(-20), 15, 30))
                     .insert(m_dm, u"房屋资料"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeLease(const House &h, const Owner &o, const QDate &in, const QDate &plannedOut, const QDate &out,
                    bool movedIn, QString *error)
    {
        const DemoPerson &p = o.person;
        return Row()
            .set(u"房屋代码"_s, h.code)
            .set(u"房屋名称"_s, h.name)
            .set(u"房屋位置"_s, h.location)
            .set(u"楼宇名称"_s, h.building)
            .set(u"楼宇单元"_s, h.unit)
            .set(u"业主名称"_s, p.name)
            .set(u"身份证号"_s, p.idNumber)
            .set(u"工作单位"_s, p.employer)
            .set(u"联系地址"_s, o.address)
            .set(u"联系电话"_s, p.phone)
            .set(u"租售情况"_s, plannedOut.isValid() ? Lease : Sale)
            .date(u"迁入日期"_s, in)
            .set(u"已经迁入"_s, movedIn ? 1 : 0)
            .date(u"预计迁出日期"_s, plannedOut)
            .date(u"实际迁出日期"_s, out)
            .set(u"已经迁出"_s, out.isValid() ? 1 : 0)
            .audit(at(out.isValid() ? out : in, 10, 20))
            .insert(m_dm, u"房屋租赁表"_s, error);
    }

    bool writeLeases(QString *error)
    {
        for (const PastLease &l : std::as_const(m_pastLeases)) {
            if (!writeLease(m_houses[l.house], m_owners[l.owner], l.in, l.plannedOut, l.out, true, error)) {
                return false;
            }
        }
        for (const House &h : std::as_const(m_houses)) {
            if (h.state != Vacant &&
                !writeLease(h, m_owners[h.owner], h.moveIn, h.moveOut, {}, h.state == Occupied, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeItems(QString *error)
    {
        for (const Item &it : std::as_const(m_items)) {
            if (!Row()
                     .set(u"收费名称"_s, it.name)
                     .money(u"单价"_s, it.price)
                     .set(u"计算公式"_s, it.formula)
                     .set(u"收费面积"_s, it.area)
                     .set(u"收费范围"_s, it.scope)
                     .set(u"收费周期"_s, it.period)
                     .set(u"收费类别"_s, it.category)
                     .money(u"金额"_s, it.amount)
                     .set(u"收费说明"_s, it.note)
                     .set(u"停止收费"_s, it.stopped ? u"是"_s : u"否"_s)
                     .audit(at(m_months.first().addDays(-40), 9, 15))
                     .insert(m_dm, u"收费项目"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeHouseItems(QString *error)
    {
        for (const HouseItem &hi : std::as_const(m_houseItems)) {
            const House &h = m_houses[hi.house];
            const Item &it = m_items[hi.item];
            if (!Row()
                     .set(u"房屋代码"_s, h.code)
                     .set(u"房屋名称"_s, h.name)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"业主名称"_s, h.owner >= 0 ? m_owners[h.owner].person.name : QString())
                     .set(u"房屋面积"_s, areaOf(h.area))
                     .set(u"公摊面积"_s, areaOf(h.shared))
                     .set(u"其它面积一"_s, areaOf(h.other1))
                     .set(u"其它面积二"_s, areaOf(h.other2))
                     .set(u"收费名称"_s, it.name)
                     .set(u"计算公式"_s, it.formula)
                     .set(u"收费面积"_s, it.area)
                     .set(u"收费范围"_s, it.scope)
                     .set(u"收费说明"_s, it.note)
                     .set(u"收费周期"_s, it.period)
                     .set(u"收费类别"_s, it.category)
                     .money(u"单价"_s, hi.price)
                     .money(u"预付金额"_s, hi.multiplier)
                     .money(u"金额"_s, hi.price * hi.multiplier)
                     .audit(at(m_months.first().addDays(-30), 14))
                     .insert(m_dm, u"房屋收费项目"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeLines(QString *error)
    {
        for (const Line &l : std::as_const(m_lines)) {
            const House &h = m_houses[l.house];
            const Item &it = m_items[l.item];
            const QDate first = m_months[l.month];
            const bool paid = l.state != Unpaid;
            if (!Row()
                     .set(u"房屋代码"_s, h.code)
                     .set(u"房屋名称"_s, h.name)
                     .set(u"业主名称"_s, m_owners[h.owner].person.name)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"收费名称"_s, it.name)
                     .set(u"计算公式"_s, it.formula)
                     .set(u"收费面积"_s, it.area)
                     .money(u"单价"_s, l.price)
                     .set(u"本月表数"_s, l.thisReading)
                     .set(u"上月表数"_s, l.lastReading)
                     .set(u"面积/数量"_s, l.quantity)
                     .money(u"收费金额"_s, l.due)
                     .date(u"开始日期"_s, first)
                     .date(u"结束日期"_s, QDate(first.year(), first.month(), first.daysInMonth()))
                     .set(u"年度"_s, QString::number(first.year()))
                     .set(u"月份"_s, QString::number(first.month()))
                     .set(u"缴费状态"_s, l.state)
                     .date(u"缴费时间"_s, l.paidOn)
                     .set(u"缴费人"_s, paid ? QVariant(l.payer) : QVariant())
                     .set(u"收款人"_s, paid ? QVariant(l.receiver) : QVariant())
                     .set(u"单据号码"_s, paid ? QVariant(l.receipt) : QVariant())
                     .audit(at(first.addDays(1), 9, 30))
                     .insert(m_dm, u"收费明细表"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writePayments(QString *error)
    {
        for (const Payment &p : std::as_const(m_payments)) {
            const House &h = m_houses[p.house];
            const QDate month = m_months[p.month];
            if (!Row()
                     .set(u"年度"_s, QString::number(month.year()))
                     .set(u"月份"_s, QString::number(month.month()))
                     .set(u"收费项目"_s, p.what)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"房屋代码"_s, h.code)
                     .set(u"业主名称"_s, m_owners[h.owner].person.name)
                     .money(u"收费金额"_s, p.due)
                     .money(u"实收金额"_s, p.paid)
                     .money(u"现金"_s, p.cash)
                     .money(u"支票"_s, p.transfer)
                     .money(u"零头"_s, {})
                     .money(u"上次零头"_s, p.previousOdd)
                     .date(u"缴费时间"_s, p.date)
                     .set(u"缴费方式"_s, p.method)
                     .set(u"单据号码"_s, p.receipt)
                     .set(u"缴费人"_s, p.payer)
                     .set(u"收款人"_s, p.receiver)
                     .insert(m_dm, u"收费汇总表"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeDeposits(QString *error)
    {
        for (const Deposit &d : std::as_const(m_deposits)) {
            const House &h = m_houses[d.house];
            if (!Row()
                     .date(u"日期"_s, d.date)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"房屋代码"_s, h.code)
                     .set(u"业主名称"_s, m_owners[h.owner].person.name)
                     .set(u"操作类型"_s, d.type)
                     .money(u"金额"_s, d.amount)
                     .set(u"缴费方式"_s, d.method)
                     .set(u"单据号码"_s, d.receipt)
                     .audit(at(d.date, 11))
                     .set(u"备注"_s, d.note)
                     .insert(m_dm, u"押金明细表"_s, error)) {
                return false;
            }
        }
        return true;
    }

    struct PastLease
    {
        int house;
        int owner;
        QDate in, plannedOut, out;
    };

    Dm1 *m_dm;
    QDate m_today;
    QDateTime m_now;
    DemoRandom m_rnd;
    QList<QDate> m_months;   // first day of each billed month, oldest first
    QSet<QString> m_names;
    QList<Building> m_buildings;
    QList<House> m_houses;
    QList<Owner> m_owners;
    QList<PastLease> m_pastLeases;
    QList<Item> m_items;
    QList<int> m_billed;   // active items in name order
    QList<HouseItem> m_houseItems;
    QList<Line> m_lines;
    QList<Payment> m_payments;
    QList<Deposit> m_deposits;
    int m_receipts = 0;
};

} // namespace

bool Demo::fill(Dm1 *dm, QString *error)
{
    QString why;
    for (const QString &table : {u"楼宇资料"_s, u"房屋资料"_s, u"业主资料"_s, u"收费项目"_s, u"收费明细表"_s}) {
        const QVariant rows = dm->scalar(u"select count(*) from %1"_s.arg(Schema::quoted(table)));
        if (!rows.isValid() || rows.toInt() != 0) {
            why = rows.isValid() ? u"数据库中已有数据，不能再填入示例小区。"_s : u"数据库不能读取。"_s;
            if (error) {
                *error = why;
            }
            return false;
        }
    }
    Estate estate(dm);
    estate.plan();
    return dm->inTransaction([&estate](QString *e) { return estate.write(e); }, error);
}
