#include "billing/shoufeimingxibiao.h"

#include "components/dbctrls/dbdatetimeedit.h"
#include "data/clock.h"
#include "data/dataset.h"
#include "data/dm1.h"

#include <QLabel>

using namespace Qt::StringLiterals;

namespace {
ListWindowDesign registerDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = u"TForm_shoufeimingxibiao"_s;
    s.caption = u"实收费用明细表"_s;
    s.titleBand = u"实收费用明细表"_s;
    s.printTitle = u"实收费用明细表打印清单"_s;
    s.exportName = u"实收费用明细表"_s;
    s.layoutFile = u"shoufeimingxibiao.ini"_s;
    s.resetButton = u"bitbtn_reset"_s;
    s.hideFloor = 8;
    s.buttons = ListWindowDesign::Delete;
    const auto money = [](const QString &field, int width) {
        return C::of(field, field, width).alignRight().sortButton().withFooter(F::Sum);
    };
    s.columns = {
        C::of(u"缴费时间"_s, u"缴费时间"_s, 80).sortButton().withFooter(F::Text, u"合计"_s),
        C::of(u"楼宇名称"_s, u"楼宇名称"_s, 70),
        C::of(u"房屋代码"_s, u"房屋代码"_s, 70).sortButton(),
        C::of(u"业主名称"_s, u"业主名称"_s, 70).sortButton(),
        C::of(u"收费项目"_s, u"收费项目"_s, 80).sortButton(),
        C::of(u"年度"_s, u"年度"_s, 40).sortButton(),
        C::of(u"月份"_s, u"月份"_s, 35).sortButton(),
        money(u"收费金额"_s, 75),
        money(u"实收金额"_s, 75),
        money(u"现金"_s, 70),
        money(u"支票"_s, 70),
        money(u"零头"_s, 60),
        C::of(u"上次零头"_s, u"上次零头"_s, 60).alignRight(),
        C::of(u"缴费方式"_s, u"缴费方式"_s, 90).sortButton(),
        C::of(u"单据号码"_s, u"单据号码"_s, 80).sortButton(),
        C::of(u"缴费人"_s, u"缴费人"_s, 60).sortButton(),
        C::of(u"收款人"_s, u"收款人"_s, 60).sortButton(),
        C::of(u"操作人员"_s, u"操作人员"_s, 60).sortButton(),
        C::of(u"操作日期"_s, u"操作日期"_s, 130).sortButton(),
        C::of(u"备注"_s, u"备注"_s, 150),
    };
    // The current record, shown only: records are made by the payment dialog.
    int n = 0;
    const auto shown = [&n](const QString &field, E editor = E::Text) {
        return N::of(u"DBEdit%1"_s.arg(++n), field, field + u"："_s, editor).shownOnly();
    };
    s.entries = {
        shown(u"缴费时间"_s, E::Date),
        shown(u"缴费人"_s),
        shown(u"年度"_s),
        shown(u"月份"_s),
        shown(u"房屋代码"_s),
        shown(u"业主名称"_s),
        shown(u"备注"_s),
        shown(u"缴费方式"_s),
        shown(u"单据号码"_s),
        shown(u"收费金额"_s, E::Money),
        shown(u"实收金额"_s, E::Money),
        shown(u"现金"_s, E::Money),
        shown(u"支票"_s, E::Money),
        shown(u"零头"_s, E::Money),
        shown(u"收款人"_s),
    };
    s.search = {{u"Edit1"_s, u"房屋代码："_s, u"房屋代码"_s},
                {u"Edit3"_s, u"业主名称："_s, u"业主名称"_s},
                {u"DBComboBoxEh3"_s, u"楼宇名称："_s, u"楼宇名称"_s, true}};
    s.findButton = u"SpeedButton2"_s;
    s.searchSelect = u"select * from 收费汇总表 "_s;
    // Payments of one moment keep the order they were recorded in.
    s.searchOrdering =
        u"order by "_s + Dm1::orderTerm(u"缴费时间"_s) + u","_s + Dm1::orderTerm(u"房屋代码"_s) + u",id"_s;
    return s;
}

DBDateTimeEditEh *datePicker(const QString &objectName, const QString &accessibleName, QWidget *parent)
{
    auto *d = new DBDateTimeEditEh(parent);
    d->setObjectName(objectName);
    d->setAccessibleName(accessibleName);
    d->setDate(Clock::today());
    d->setMinimumWidth(140);
    return d;
}
}

TForm_shoufeimingxibiao::TForm_shoufeimingxibiao(QWidget *parent)
    : ListWindow(new DataSet(u"q_sfhzb"_s), registerDesign(), parent)
{
    dataSet()->setParent(this);
    dataSet()->setTable(u"收费汇总表"_s);
    grid()->setTieBreak(u"id"_s);
    SearchBar *bar = searchBar();
    DateTimePicker1 = datePicker(u"DateTimePicker1"_s, u"缴费时间从"_s, bar);
    DateTimePicker2 = datePicker(u"DateTimePicker2"_s, u"缴费时间到"_s, bar);
    auto *from = new QLabel(u"缴费时间从："_s, bar);
    from->setBuddy(DateTimePicker1);
    auto *to = new QLabel(u"到："_s, bar);
    to->setBuddy(DateTimePicker2);
    bar->insertAfter(u"Edit3"_s, to, DateTimePicker2);
    bar->insertAfter(u"Edit3"_s, from, DateTimePicker1);
    // Enter: house code → owner → from → to, which finds; the building box leads to the house code.
    bar->setEnterRing({u"Edit1"_s, u"Edit3"_s, u"DateTimePicker1"_s, u"DateTimePicker2"_s}, true);
}

void TForm_shoufeimingxibiao::prepare(Preparation &p)
{
    ListWindow::prepare(p);
    p.fill(searchCombo(u"DBComboBoxEh3"_s), Preparation::Items::Buildings);
}

bool TForm_shoufeimingxibiao::searchConditions(QStringList *conditions, QVariantList *values)
{
    const QDate from = DateTimePicker1->date();
    const QDate to = DateTimePicker2->date();
    if (!from.isValid() || !to.isValid()) {
        Prompt::notice(this, u"没有输入缴费时间,请重新输入!"_s);
        DateTimePicker1->setFocus();
        return false;
    }
    if (from > to) {
        Prompt::notice(this, u"缴费时间从不能大于缴费时间到,请重新输入!"_s);
        DateTimePicker1->setFocus();
        return false;
    }
    ListWindow::searchConditions(conditions, values);
    // Whole days: from the first moment of the from-day to the last second of the to-day.
    *conditions << u"(缴费时间 between ? and ?)"_s;
    *values << DataSet::toStoredDateTime(from.startOfDay())
            << DataSet::toStoredDateTime(QDateTime(to, QTime(23, 59, 59)));
    return true;
}

QString TForm_shoufeimingxibiao::deleteQuestion()
{
    const DataSet *q = dataSet();
    return u"要删除当前记录吗? \n\n%1 %2 %3年%4月 %5，实收金额 %6 "
           u"元。\n\n只删除这条缴费记录：它缴过的收费明细仍然是已缴费，"
           "房屋的零头也不改回。"_s.arg(q->text(u"房屋代码"_s), q->text(u"业主名称"_s), q->text(u"年度"_s),
                                        q->text(u"月份"_s), q->text(u"收费项目"_s),
                                        Money::storedText(q->value(u"实收金额"_s)));
}
