// Writes the demo estate into an empty database, every value bound, in one transaction.
#include "demo/demo.h"

#include "demo/demoestate.h"
#include "data/clock.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/schema.h"

#include <QDateTime>
#include <QStringList>

using namespace Qt::StringLiterals;
using namespace DemoEstate;

namespace {

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

class Writer
{
public:
    Writer(Dm1 *dm, const Plan &plan)
        : m_dm(dm)
        , m_plan(plan)
        , m_now(Clock::now())
    { }

    bool write(QString *error)
    {
        return writeSettings(error) && writeBuildings(error) && writeOwners(error) && writeHouses(error)
            && writeLeases(error) && writeItems(error) && writeHouseItems(error) && writeLines(error)
            && writePayments(error) && writeDeposits(error);
    }

private:
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
        return m_dm->exec(u"delete from 公司信息"_s, {}, error)
            && Row()
                   .set(u"公司名称"_s, u"翠园物业管理有限公司"_s)
                   .set(u"公司地址"_s, u"翠湖路88号翠园小区物业服务中心"_s)
                   .set(u"邮政编码"_s, u"310012"_s)
                   .set(u"联系人"_s, u"陈建国"_s)
                   .set(u"联系电话"_s, u"0571-88861234"_s)
                   .set(u"开户银行"_s, u"中国工商银行翠湖支行"_s)
                   .set(u"银行帐号"_s, u"1202021109900012345"_s)
                   .set(u"系统标题"_s, u"翠园小区物业收费管理系统"_s)
                   .set(u"动态文字"_s,
                        u"欢迎使用翠园小区物业收费管理系统！请提醒业主按时缴纳物业管理费和水电费，谢谢合作。"_s)
                   .set(u"自动提醒"_s, 1)
                   .set(u"提前提醒天数"_s, 20)
                   .insert(m_dm, u"公司信息"_s, error);
    }

    bool writeBuildings(QString *error)
    {
        for (const Building &b : std::as_const(m_plan.buildings)) {
            int houses = 0;
            int vacant = 0;
            for (const House &h : std::as_const(m_plan.houses)) {
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
        for (const Owner &o : std::as_const(m_plan.owners)) {
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
        for (const House &h : std::as_const(m_plan.houses)) {
            const Owner *o = h.owner >= 0 ? &m_plan.owners[h.owner] : nullptr;
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
                     .audit(at(m_plan.months.first().addDays(-20), 15, 30))
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
        for (const PastLease &l : std::as_const(m_plan.pastLeases)) {
            if (!writeLease(m_plan.houses[l.house], m_plan.owners[l.owner], l.in, l.plannedOut, l.out, true, error)) {
                return false;
            }
        }
        for (const House &h : std::as_const(m_plan.houses)) {
            if (h.state != Vacant
                && !writeLease(h, m_plan.owners[h.owner], h.moveIn, h.moveOut, {}, h.state == Occupied, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeItems(QString *error)
    {
        for (const Item &it : std::as_const(m_plan.items)) {
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
                     .audit(at(m_plan.months.first().addDays(-40), 9, 15))
                     .insert(m_dm, u"收费项目"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeHouseItems(QString *error)
    {
        for (const HouseItem &hi : std::as_const(m_plan.houseItems)) {
            const House &h = m_plan.houses[hi.house];
            const Item &it = m_plan.items[hi.item];
            if (!Row()
                     .set(u"房屋代码"_s, h.code)
                     .set(u"房屋名称"_s, h.name)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"业主名称"_s, h.owner >= 0 ? m_plan.owners[h.owner].person.name : QString())
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
                     .audit(at(m_plan.months.first().addDays(-30), 14))
                     .insert(m_dm, u"房屋收费项目"_s, error)) {
                return false;
            }
        }
        return true;
    }

    bool writeLines(QString *error)
    {
        for (const Line &l : std::as_const(m_plan.lines)) {
            const House &h = m_plan.houses[l.house];
            const Item &it = m_plan.items[l.item];
            const QDate first = m_plan.months[l.month];
            const bool paid = l.state != Unpaid;
            if (!Row()
                     .set(u"房屋代码"_s, h.code)
                     .set(u"房屋名称"_s, h.name)
                     .set(u"业主名称"_s, m_plan.owners[h.owner].person.name)
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
        for (const Payment &p : std::as_const(m_plan.payments)) {
            const House &h = m_plan.houses[p.house];
            const QDate month = m_plan.months[p.month];
            if (!Row()
                     .set(u"年度"_s, QString::number(month.year()))
                     .set(u"月份"_s, QString::number(month.month()))
                     .set(u"收费项目"_s, p.what)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"房屋代码"_s, h.code)
                     .set(u"业主名称"_s, m_plan.owners[h.owner].person.name)
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
        for (const Deposit &d : std::as_const(m_plan.deposits)) {
            const House &h = m_plan.houses[d.house];
            if (!Row()
                     .date(u"日期"_s, d.date)
                     .set(u"楼宇名称"_s, h.building)
                     .set(u"楼宇单元"_s, h.unit)
                     .set(u"房屋代码"_s, h.code)
                     .set(u"业主名称"_s, m_plan.owners[h.owner].person.name)
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

    Dm1 *m_dm;
    const Plan &m_plan;
    QDateTime m_now;
};

} // namespace

bool Demo::fill(Dm1 *dm, QString *error)
{
    QString why;
    for (const QString &table : {u"楼宇资料"_s, u"房屋资料"_s, u"业主资料"_s, u"收费项目"_s, u"收费明细表"_s}) {
        QString refused;
        const QVariant rows = dm->scalar(u"select count(*) from %1"_s.arg(Schema::quoted(table)), {}, &refused);
        if (!rows.isValid() || rows.toInt() != 0) {
            why = rows.isValid() ? u"数据库中已有数据，不能再填入示例小区。"_s : u"数据库不能读取：%1"_s.arg(refused);
            if (error) {
                *error = why;
            }
            return false;
        }
    }
    const Plan plan = DemoEstate::plan(Clock::today());
    Writer writer(dm, plan);
    return dm->inTransaction([&writer](QString *e) { return writer.write(e); }, error);
}
