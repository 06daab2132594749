#include "billing/yajin.h"

#include "billing/core/deposits.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "masterdata/choosehouse.h"

#include <QComboBox>
#include <QLabel>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
ListWindowDesign depositDesign()
{
    using C = GridColumn;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = u"TForm_yajin"_s;
    s.caption = u"业主押金管理"_s;
    s.titleBand = u"业主押金管理"_s;
    s.printTitle = u"业主押金管理打印清单"_s;
    s.exportName = u"业主押金管理"_s;
    s.layoutFile = u"yajin.ini"_s;
    // Movements of one day keep the order they were made in.
    s.query = {u"select * from 押金明细表"_s, u"order by "_s + Dm1::orderTerm(u"日期"_s) + u",id"_s};
    s.resetButton = u"bitbtn_reset"_s;
    s.hideFloor = 5;
    s.columns = {
        C::of(u"日期"_s, u"日期"_s, 80).sortButton(),
        C::of(u"楼宇名称"_s, u"楼宇名称"_s, 80),
        C::of(u"房屋代码"_s, u"房屋代码"_s, 80).sortButton(),
        C::of(u"业主名称"_s, u"业主名称"_s, 80).sortButton(),
        C::of(u"操作类型"_s, u"操作类型"_s, 70).sortButton(),
        C::of(u"金额"_s, u"金额"_s, 80).alignRight().sortButton(),
        C::of(u"缴费方式"_s, u"缴费方式"_s, 70).sortButton(),
        C::of(u"单据号码"_s, u"单据号码"_s, 80).sortButton(),
        C::of(u"操作人员"_s, u"操作人员"_s, 70).sortButton(),
        C::of(u"操作日期"_s, u"操作日期"_s, 130).sortButton(),
        C::of(u"备注"_s, u"备注"_s, 200),
    };
    // Enter: 日期 → 操作类型 → 金额 → 缴费方式 → 单据号码 → 备注 → 日期, and 房屋代码 → 操作类型.
    s.entries = {
        N::of(u"DBDateTimeEditEh1"_s, u"日期"_s, u"日期："_s, E::Date).enterGoesTo(u"操作类型"_s),
        N::of(u"DBNumberEditEh1"_s, u"金额"_s, u"金额："_s, E::Money).enterGoesTo(u"缴费方式"_s),
        N::of(u"DBComboBoxEh1"_s, u"操作类型"_s, u"操作类型："_s, E::Combo)
            .withItems(DepositWords::types())
            .enterGoesTo(u"金额"_s),
        N::of(u"DBEdit1"_s, u"房屋代码"_s, u"房屋代码："_s)
            .shownOnly()
            .withButton(u"SpeedButton1"_s, u"选择房屋"_s)
            .enterGoesTo(u"操作类型"_s),
        N::of(u"DBEdit2"_s, u"业主名称"_s, u"业主名称："_s).shownOnly(),
        N::of(u"DBComboBoxEh2"_s, u"缴费方式"_s, u"缴费方式："_s, E::Combo).withItems(DepositWords::methods()),
        N::of(u"DBEdit3"_s, u"单据号码"_s, u"单据号码："_s),
        N::of(u"DBMemo1"_s, u"备注"_s, u"备注："_s, E::Memo).takesChinese(),
    };
    s.entryColumns = 3;
    s.search = {{u"Edit1"_s, u"房屋代码："_s, u"房屋代码"_s},
                {u"Edit3"_s, u"业主名称："_s, u"业主名称"_s},
                {u"DBComboBoxEh3"_s, u"楼宇名称："_s, u"楼宇名称"_s, true}};
    s.findButton = u"SpeedButton2"_s;
    s.searchSelect = u"select * from 押金明细表 "_s;
    s.searchOrdering = u"order by "_s + Dm1::orderTerm(u"房屋代码"_s) + u",id"_s;
    return s;
}

DepositMovement movementOf(const DataSet *q)
{
    DepositMovement m;
    m.date = q->date(u"日期"_s);
    m.building = q->text(u"楼宇名称"_s);
    m.unit = q->text(u"楼宇单元"_s);
    m.houseCode = q->text(u"房屋代码"_s);
    m.owner = q->text(u"业主名称"_s);
    m.type = q->text(u"操作类型"_s).trimmed();
    if (!q->isNull(u"金额"_s)) {
        m.amount = q->money(u"金额"_s);
    }
    m.method = q->text(u"缴费方式"_s);
    m.receipt = q->text(u"单据号码"_s);
    m.remark = q->text(u"备注"_s);
    m.operatorName = q->text(u"操作人员"_s);
    m.operatedAt = q->dateTime(u"操作日期"_s);
    return m;
}
}

TForm_yajin::TForm_yajin(QWidget *parent)
    : ListWindow(new DataSet(u"q_yajin"_s), depositDesign(), parent)
{
    dataSet()->setParent(this);
    dataSet()->setTable(u"押金明细表"_s);
    grid()->setTieBreak(u"id"_s);
    SpeedButton1 = findChild<QToolButton *>(u"SpeedButton1"_s);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm_yajin::chooseHouse);

    LabelBalance = new QLabel(this);
    LabelBalance->setObjectName(u"LabelBalance"_s);
    LabelBalance->setAccessibleName(u"押金余额"_s);
    addToTitleBand(LabelBalance);

    const auto follow = [this] {
        SpeedButton1->setEnabled(isEditing());
        showBalance();
    };
    connect(dataSet(), &DataSet::stateChanged, this, follow);
    connect(dataSet(), &DataSet::currentChanged, this, follow);
    connect(dataSet(), &DataSet::opened, this, follow);
    connect(dataSet(), &DataSet::closed, this, follow);
    follow();
}

void TForm_yajin::prepare(Preparation &p)
{
    ListWindow::prepare(p);
    p.fill(searchCombo(u"DBComboBoxEh3"_s), Preparation::Items::Buildings);
}

void TForm_yajin::chooseHouse()
{
    if (isEditing()) {
        TForm_choosehouse::choose(this, u"yajin"_s, dataSet());
        showBalance();
    }
}

void TForm_yajin::showBalance()
{
    const DataSet *q = dataSet();
    const QString code = q->isOpen() && q->currentRow() >= 0 ? q->text(u"房屋代码"_s) : QString();
    if (code.isEmpty()) {
        LabelBalance->clear();
        return;
    }
    const std::optional<Money> balance = DepositLedger(db()).balance(code);
    LabelBalance->setText(u"房屋%1押金余额：%2"_s.arg(code, balance ? balance->toString() : Money::UnreadableText));
    // A refund may take the balance below zero: that stands out, as does a balance that is no amount.
    LabelBalance->setStyleSheet(!balance || *balance < Money()
                                    ? u"color: red; font-weight: bold; background: white;"_s
                                    : u"color: navy; font-weight: normal; background: white;"_s);
}

bool TForm_yajin::validate()
{
    if (!dataSet()->isNull(u"金额"_s) && !dataSet()->money(u"金额"_s)) {
        return refuse(u"金额"_s, u"金额应该是一个数字,请重新输入!"_s);
    }
    const auto refused = DepositLedger::check(movementOf(dataSet()));
    if (!refused) {
        return true;
    }
    switch (refused->field) {
    case DepositLedger::Field::Date:
        return refuse(u"日期"_s, refused->error);
    case DepositLedger::Field::Type:
        return refuse(u"操作类型"_s, refused->error);
    case DepositLedger::Field::Amount:
        return refuse(u"金额"_s, refused->error);
    default:
        // The house comes from the chooser: the focus stays where it is.
        return refuse(QString(), refused->error);
    }
}

bool TForm_yajin::writeRow(QString *error)
{
    DataSet *q = dataSet();
    const qint64 id = q->state() == DataSet::State::Insert ? 0 : q->integer(u"id"_s);
    const DepositLedger::Outcome done = DepositLedger(db()).save(movementOf(q), id);
    if (!done.ok()) {
        // Nothing was written: the typed movement stays for the operator to mend or cancel.
        *error = done.error;
        return false;
    }
    showStored(done.id, q->currentRow());
    return true;
}

bool TForm_yajin::deleteRow(QString *error)
{
    DataSet *q = dataSet();
    const int row = q->currentRow();
    const DepositLedger::Outcome done = DepositLedger(db()).remove(q->integer(u"id"_s));
    if (done.ok() || done.result == DepositLedger::Result::Gone) {
        // Gone or not, the movement is no longer stored: the list shows what is.
        showStored(0, row);
    }
    if (!done.ok()) {
        *error = done.error;
        return false;
    }
    return true;
}

void TForm_yajin::showStored(qint64 id, int row)
{
    DataSet *q = dataSet();
    q->cancel();
    q->reopen();
    const int idColumn = q->fieldIndex(u"id"_s);
    for (int r = 0; id != 0 && r < q->recordCount(); ++r) {
        if (q->value(r, idColumn).toLongLong() == id) {
            row = r;
            break;
        }
    }
    q->moveTo(qMin(row, q->recordCount() - 1));
}
