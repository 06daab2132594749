#include "billing/jiaofeiguanli.h"

#include "billing/billlinecolumns.h"
#include "billing/core/payment.h"
#include "billing/jiaofeiguanli_edit.h"
#include "components/common/prompt.h"
#include "components/report/paymentnotice.h"
#include "data/billlinesql.h"
#include "data/dm1.h"
#include "data/schema.h"

#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
HouseDetailDesign paymentDesign()
{
    HouseDetailDesign d;
    d.className = u"TForm_jiaofeiguanli"_s;
    d.caption = u"业主缴费管理"_s;
    d.titleBand = u"业主缴费管理"_s;
    d.exportName = u"业主应缴费用明细表"_s;
    d.layoutFile = u"jiaofeiguanli.ini"_s;
    d.resetButton = u"SpeedButton5"_s;
    d.leadingButtons = {BarButton::of(u"bitbtn_add"_s, u"按单缴费"_s, u"缴"_s, ButtonBar::Save),
                        BarButton::of(u"SpeedButton3"_s, u"单笔缴费"_s, u"笔"_s, ButtonBar::Save)};
    d.trailingButtons = {
        BarButton::of(u"SpeedButton2"_s, u"设计"_s, u"设"_s, ButtonBar::Out).withHint(u"修改缴款通知单"_s)};
    d.search = HouseDetailDesign::standardSearch();
    d.search[1].takesChinese();
    d.enterRing = {u"Edit1"_s, u"Edit3"_s};
    d.monthPicker = true;
    d.stateLabel = true;
    // The houses with unpaid lines in the month, one row per house, owner and building of them
    // (grouped, so that the rows sort by any of the three in pinyin order on every engine).
    d.houseSelect = u"select 房屋代码,业主名称,楼宇名称 from 收费明细表 a "_s;
    d.houseGrouping = u" group by 房屋代码,业主名称,楼宇名称 "_s;
    d.houseOrdering = u" order by "_s + Dm1::orderTerm(u"房屋代码"_s) + u' ';
    d.detailQuery = u"q_jiaofeidan"_s;
    d.detailColumns = BillLineColumns::of(BillLineColumns::Kind::Payments);
    return d;
}
}

TForm_jiaofeiguanli::TForm_jiaofeiguanli(QWidget *parent)
    : HouseDetailWindow(paymentDesign(), parent)
{
    // The window lists unpaid lines only.
    setStateText(PaymentWords::Unpaid);
    button(u"bitbtn_print"_s)->setToolTip(u"打印缴款通知单"_s);
    connect(button(u"bitbtn_add"_s), &QToolButton::clicked, this, &TForm_jiaofeiguanli::payWholeBill);
    connect(button(u"SpeedButton3"_s), &QToolButton::clicked, this, &TForm_jiaofeiguanli::payLine);
    connect(button(u"SpeedButton2"_s), &QToolButton::clicked, this, &TForm_jiaofeiguanli::designNotice);
    connect(detailGrid(), &DBGridEh::rowDoubleClicked, this, &TForm_jiaofeiguanli::payLine);
    connect(this, &HouseDetailWindow::monthChanged, this, &HouseDetailWindow::reloadHouses);
}

QString TForm_jiaofeiguanli::houseCondition(QVariantList *values) const
{
    *values << yearText() << monthText();
    // The second comparison changes nothing (an unpaid line has no other state) but lets the
    // unpaid lines' index serve the list: once a month is paid, only its few unpaid lines are read.
    return u"(年度=?)and(月份=?)and(缴费状态='未缴费')and("_s + Schema::unpaidLines() + u')';
}

QStringList TForm_jiaofeiguanli::detailLines(QVariantList *values) const
{
    *values << houses()->text(u"房屋代码"_s) << yearText() << monthText();
    return BillLineSql::unpaidLinesOfMonth();
}

void TForm_jiaofeiguanli::payWholeBill()
{
    DataSet *lines = details();
    if (!lines->isOpen() || lines->isEmpty()) {
        return;
    }
    pay({yearText(), monthText(), lines->text(u"楼宇名称"_s), lines->text(u"房屋代码"_s), lines->text(u"业主名称"_s),
         PaymentWords::WholeBill},
        u"按单缴费"_s);
}

void TForm_jiaofeiguanli::payLine()
{
    DataSet *lines = details();
    if (!lines->isOpen() || lines->isEmpty() || lines->money(u"收费金额"_s) == Money()) {
        return;
    }
    pay({yearText(), monthText(), lines->text(u"楼宇名称"_s), lines->text(u"房屋代码"_s), lines->text(u"业主名称"_s),
         lines->text(u"收费名称"_s)},
        u"单笔缴费"_s);
}

void TForm_jiaofeiguanli::pay(const PaymentKey &key, const QString &caption)
{
    PaymentDesk::Outcome why;
    const auto draft = PaymentDesk(db()).open(key, details()->text(u"楼宇单元"_s), &why);
    if (!draft) {
        if (why.result == PaymentDesk::Result::Failed) {
            reportError(why.error);
        } else {
            Prompt::notice(this, why.message());
        }
        // Paid meanwhile, or nothing left: show what is unpaid now.
        if (why.result == PaymentDesk::Result::NothingToPay || why.result == PaymentDesk::Result::Settled) {
            showAgain();
        }
        return;
    }
    QString error;
    if (!TForm_jiaofeiguanli_edit::openRecord(*draft, &error)) {
        reportError(error);
        return;
    }
    {
        TForm_jiaofeiguanli_edit dialog(*draft, details()->text(u"业主名称"_s), this);
        dialog.setWindowTitle(caption);
        dialog.exec();
    }
    // A house whose lines are all paid now drops out of the list.
    TForm_jiaofeiguanli_edit::closeRecord();
    showAgain();
}

void TForm_jiaofeiguanli::showAgain()
{
    houses()->first();
    if (!houses()->reopen()) {
        reportError(houses()->lastError());
    }
}

void TForm_jiaofeiguanli::printList()
{
    PaymentNotice::print(this, details());
}

void TForm_jiaofeiguanli::designNotice()
{
    PaymentNotice::design(this, details());
}
