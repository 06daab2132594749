#include "billing/jiaofeimingxi.h"

#include "billing/billlinecolumns.h"
#include "data/dataset.h"
#include "data/dm1.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {
const QString Unpaid = u"未缴费"_s;

HouseDetailDesign historyDesign()
{
    HouseDetailDesign d;
    d.className = u"TForm_jiaofeimingxi"_s;
    d.caption = u"业主缴费明细查询"_s;
    d.titleBand = u"业主缴费明细查询"_s;
    d.printTitle = u"业主缴费明细表打印清单"_s;
    d.exportName = u"业主缴费明细表"_s;
    d.layoutFile = u"jiaofeimingxi.ini"_s;
    d.resetButton = u"SpeedButton2"_s;
    d.search = HouseDetailDesign::standardSearch();
    // Enter goes between the two text boxes; from the building box to the house code.
    d.enterRing = {u"Edit1"_s, u"Edit3"_s};
    d.findButton = u"SpeedButton1"_s;
    d.monthPicker = true;
    d.stateLabel = true;
    d.houseOrdering = u" order by "_s + Dm1::orderTerm(u"房屋代码"_s) + u" "_s;
    d.detailQuery = u"q_jiaofeidan"_s;
    d.detailColumns = BillLineColumns::of(BillLineColumns::Kind::History);
    return d;
}

QRadioButton *stateButton(const QString &objectName, const QString &caption, QWidget *parent, QHBoxLayout *row)
{
    auto *b = new QRadioButton(caption, parent);
    b->setObjectName(objectName);
    b->setAccessibleName(u"只看"_s + caption);
    row->addWidget(b);
    return b;
}
}

TForm_jiaofeimingxi::TForm_jiaofeimingxi(QWidget *parent)
    : HouseDetailWindow(historyDesign(), parent)
{
    CheckBox1 = new QCheckBox(u"仅含"_s, searchBar());
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setToolTip(u"把缴费时间作为查询条件"_s);
    CheckBox1->setAccessibleName(u"仅含所选月份"_s);
    CheckBox1->setChecked(true);
    searchBar()->insertAtStart(nullptr, CheckBox1);

    auto *states = new QWidget(searchBar());
    states->setObjectName(u"RadioGroup1"_s);
    auto *row = new QHBoxLayout(states);
    row->setContentsMargins(0, 0, 0, 0);
    RadioButton1 = stateButton(u"RadioButton1"_s, u"已缴费"_s, states, row);
    RadioButton2 = stateButton(u"RadioButton2"_s, u"未缴费"_s, states, row);
    RadioButton3 = stateButton(u"RadioButton3"_s, u"全部"_s, states, row);
    RadioButton3->setChecked(true);
    searchBar()->insertAtStart(nullptr, states);

    // Clearing "仅含" only locks the picker: the lines change at the next refresh.
    connect(CheckBox1, &QCheckBox::toggled, monthPicker(), &QWidget::setEnabled);
    connect(this, &HouseDetailWindow::monthChanged, this, &HouseDetailWindow::refreshDetail);
    for (QRadioButton *b : {RadioButton1, RadioButton2, RadioButton3}) {
        connect(b, &QRadioButton::clicked, this, &HouseDetailWindow::refreshDetail);
    }
    connect(this, &HouseDetailWindow::detailRefreshed, this, &TForm_jiaofeimingxi::followLine);
    connect(details(), &DataSet::currentChanged, this, &TForm_jiaofeimingxi::followLine);
}

QStringList TForm_jiaofeimingxi::detailLines(QVariantList *values) const
{
    QString where = u"where (房屋代码=?)"_s;
    *values << houses()->text(u"房屋代码"_s);
    if (CheckBox1->isChecked()) {
        where += u"and(年度=?)and(月份=?)"_s;
        *values << yearText() << monthText();
    }
    if (RadioButton1->isChecked()) {
        where += u"and(缴费状态<>'未缴费')"_s;
    } else if (RadioButton2->isChecked()) {
        where += u"and(缴费状态='未缴费')"_s;
    }
    // Month by month, a month's lines by fee name in pinyin order, as everywhere a house's lines
    // are shown.
    return {u"select * from 收费明细表 "_s + where,
            u"order by "_s + Dm1::orderTerm(u"开始日期"_s) + u","_s + Dm1::orderTerm(u"收费名称"_s) + u",id"_s};
}

void TForm_jiaofeimingxi::followLine()
{
    const DataSet *lines = details();
    if (!lines->isOpen() || lines->currentRow() < 0) {
        setStateText({});
    } else {
        setStateText(lines->text(u"缴费状态"_s) == Unpaid ? Unpaid : u"已缴费"_s);
    }
}
