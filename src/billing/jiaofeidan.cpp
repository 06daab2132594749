#include "billing/jiaofeidan.h"

#include "billing/billlinecolumns.h"
#include "billing/chaobiao.h"
#include "billing/core/billcomputation.h"
#include "billing/core/billgeneration.h"
#include "billing/estaterun.h"
#include "components/common/prompt.h"
#include "components/dbctrls/dbcontrol.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/refusal.h"
#include "data/transaction.h"
#include "listwindow/formulapages.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {
const QString Paid = QStringLiteral("该项目已经缴费，不能修改！");

HouseDetailDesign billDesign()
{
    HouseDetailDesign s;
    s.className = QStringLiteral("TForm_jiaofeidan");
    s.caption = QStringLiteral("业主应缴费用管理");
    s.titleBand = QStringLiteral("业主应缴费用管理");
    s.printTitle = QStringLiteral("业主应缴费用明细表打印清单");
    s.exportName = QStringLiteral("业主应缴费用明细表");
    s.layoutFile = QStringLiteral("jiaofeidan.ini");
    s.resetButton = QStringLiteral("SpeedButton6");
    s.leadingButtons = {
        BarButton::of(QStringLiteral("bitbtn_add"), QStringLiteral("新增项目"), QStringLiteral("＋")),
        BarButton::of(QStringLiteral("bitbtn_delete"), QStringLiteral("删除项目"), QStringLiteral("删"),
                      ButtonBar::Delete),
        BarButton::of(QStringLiteral("bitbtn_all"), QStringLiteral("全部生成"), QStringLiteral("全"), ButtonBar::Save)
            .withHint(QStringLiteral("为所选月份中还没有应缴费用的全部房屋生成应缴费用")),
        BarButton::of(QStringLiteral("bitbtn_readings"), QStringLiteral("导入抄表"), QStringLiteral("表"))
            .withHint(QStringLiteral("从抄表员的电子表格导入所选月份的水、电等表数")),
    };
    s.search = HouseDetailDesign::standardSearch();
    s.search[1].takesChinese();
    s.enterRing = {QStringLiteral("Edit1"), QStringLiteral("Edit3")};
    s.monthPicker = true;
    s.stateLabel = true;
    s.detailQuery = QStringLiteral("q_jiaofeidan");
    s.detailColumns = BillLineColumns::of(BillLineColumns::Kind::Bills);
    return s;
}
}

TForm_jiaofeidan::TForm_jiaofeidan(QWidget *parent)
    : HouseDetailWindow(billDesign(), parent)
{
    m_pages = addFormulaPages(FormulaPagesDesign::billLines());
    m_pages->setRowLock(
        [](const DataSet &line) { return BillComputation::isPaid(line.text(QStringLiteral("缴费状态"))); });
    connect(addStripButton(QStringLiteral("SpeedButton2"), QStringLiteral("计算")), &QPushButton::clicked, this,
            &TForm_jiaofeidan::computeLines);
    connect(addStripButton(QStringLiteral("SpeedButton3"), QStringLiteral("保存")), &QPushButton::clicked, this,
            &TForm_jiaofeidan::saveLine);
    connect(addStripButton(QStringLiteral("SpeedButton5"), QStringLiteral("取消")), &QPushButton::clicked, this,
            &TForm_jiaofeidan::cancelLine);
    stripRow()->addStretch(1);

    connect(button(QStringLiteral("bitbtn_add")), &QToolButton::clicked, this, &TForm_jiaofeidan::generateLines);
    connect(button(QStringLiteral("bitbtn_delete")), &QToolButton::clicked, this, &TForm_jiaofeidan::deleteLine);
    connect(button(QStringLiteral("bitbtn_all")), &QToolButton::clicked, this, &TForm_jiaofeidan::generateEstate);
    connect(button(QStringLiteral("bitbtn_readings")), &QToolButton::clicked, this, &TForm_jiaofeidan::importReadings);
    connect(this, &HouseDetailWindow::monthChanged, this, &HouseDetailWindow::refreshDetail);
    connect(this, &HouseDetailWindow::detailRefreshed, this, &TForm_jiaofeidan::followLines);
    connect(details(), &DataSet::currentChanged, this, &TForm_jiaofeidan::followLines);
    connect(details(), &DataSet::rowRemoved, this, &TForm_jiaofeidan::followLines);
    followLines();
}

BillMonth TForm_jiaofeidan::chosenMonth() const
{
    return BillMonth::of(monthPicker()->date());
}

QStringList TForm_jiaofeidan::detailLines(QVariantList *values) const
{
    const BillMonth m = chosenMonth();
    *values << houses()->text(QStringLiteral("房屋代码")) << m.yearText() << m.monthText();
    return BillComputation::linesOfMonth();
}

void TForm_jiaofeidan::followLines()
{
    DataSet *lines = details();
    const bool any = lines->isOpen() && !lines->isEmpty();
    // At most one set of lines per house and month from this window.
    button(QStringLiteral("bitbtn_add"))->setEnabled(!any);
    if (!any || lines->currentRow() < 0) {
        setStateText({});
        return;
    }
    setStateText(currentIsPaid() ? QStringLiteral("已缴费") : QStringLiteral("未缴费"));
}

bool TForm_jiaofeidan::currentIsPaid() const
{
    return BillComputation::isPaid(details()->text(QStringLiteral("缴费状态")));
}

void TForm_jiaofeidan::reloadLines(qint64 lineId)
{
    refreshDetail();
    DataSet *lines = details();
    const int id = lines->fieldIndex(QStringLiteral("id"));
    for (int r = 0; lineId >= 0 && id >= 0 && r < lines->recordCount(); ++r) {
        if (lines->value(r, id).toLongLong() == lineId) {
            lines->moveTo(r);
            return;
        }
    }
}

void TForm_jiaofeidan::generateLines()
{
    details()->cancel();
    if (!houses()->isOpen() || houses()->isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有指定房屋代码！"));
        return;
    }
    const BillMonth month = chosenMonth();
    BillGeneration generation(db());
    const BillGeneration::HouseOutcome out =
        generation.generateHouse(houses()->text(QStringLiteral("房屋代码")), month);
    switch (out.result) {
    case BillGeneration::Result::Generated:
        break;
    case BillGeneration::Result::AlreadyBilled:
        // Made at another workstation since the lines were read: shown now, not made twice.
        Prompt::notice(this, BillGeneration::alreadyBilledMessage(month));
        break;
    case BillGeneration::Result::NoFeeItems:
        Prompt::notice(this, QStringLiteral("没有指定收费项目,请到房屋收费项目中增加！"));
        return;
    case BillGeneration::Result::NoHouse:
    case BillGeneration::Result::Failed:
        Prompt::detailedNotice(this, QStringLiteral("应缴费用没有生成：\n") + Refusal::of(out.error).message,
                               out.error);
        return;
    }
    refreshDetail();
}

void TForm_jiaofeidan::generateEstate()
{
    // What was typed into the current line is kept, as moving to another line would keep it.
    if (!takeEditors()) {
        return;
    }
    if (EstateRun::run(this, db(), chosenMonth())) {
        reloadLines(details()->isOpen() ? details()->integer(QStringLiteral("id")) : -1);
    }
}

void TForm_jiaofeidan::importReadings()
{
    if (!takeEditors()) {
        return;
    }
    TForm_chaobiao window(chosenMonth(), this);
    Preparation::showModal(&window, dm());
    if (window.wroteAny()) {
        reloadLines(details()->isOpen() ? details()->integer(QStringLiteral("id")) : -1);
    }
}

bool TForm_jiaofeidan::takeEditors()
{
    DataSet *lines = details();
    if (!lines->isOpen() || lines->isEmpty() || (!m_pages->isModified() && !lines->isEditing())) {
        return true;
    }
    if (!m_pages->commit()) {
        return false;
    }
    // Written only while the line is still unpaid: a payment taken at another workstation since
    // the lines were read wins over what was typed here.
    Transaction tx(db());
    QString error = tx.error();
    if (tx.begun()) {
        const std::optional<QString> state =
            BillComputation::storedState(db(), lines->integer(QStringLiteral("id")), &error);
        if (error.isEmpty() && (!state || BillComputation::isPaid(*state))) {
            lines->cancel();
            Prompt::notice(this, state ? Paid : QStringLiteral("该项目已经被删除！"));
            reloadLines(state ? lines->integer(QStringLiteral("id")) : -1);
            return false;
        }
        if (error.isEmpty() && !lines->post()) {
            error = lines->lastError();
        }
    }
    if (!error.isEmpty() || !tx.commit(&error)) {
        lines->cancel();
        reportError(error);
        return false;
    }
    return true;
}

bool TForm_jiaofeidan::compute(bool stampCurrent)
{
    DataSet *lines = details();
    if (!lines->isOpen() || lines->isEmpty() || !takeEditors()) {
        return false;
    }
    const QString house = houses()->text(QStringLiteral("房屋代码"));
    const BillMonth month = chosenMonth();
    const qint64 current = lines->integer(QStringLiteral("id"));
    QString error;
    const auto doubtful = BillComputation::doubtfulReadings(db(), house, month, &error);
    if (!error.isEmpty()) {
        reportError(error);
        return false;
    }
    if (!doubtful.isEmpty()
        && !Prompt::ask(this,
                        QStringLiteral("下列项目的本月表数小于上月表数或为负数：\n%1\n要继续计算吗？")
                            .arg(BillComputation::describe(doubtful)))) {
        return false;
    }
    const BillComputation::Stamp stamp {current, session().currentOperator, Clock::now()};
    const int computed = BillComputation::compute(db(), house, month, stampCurrent ? &stamp : nullptr, &error);
    // The lines as the database holds them now, computed or not.
    reloadLines(stampCurrent ? current : -1);
    if (computed < 0) {
        reportError(error);
        return false;
    }
    Prompt::notice(this, QStringLiteral("计算完毕！"));
    return true;
}

void TForm_jiaofeidan::computeLines()
{
    compute(false);
}

void TForm_jiaofeidan::saveLine()
{
    if (!compute(true)) {
        return;
    }
    Prompt::notice(this, currentIsPaid() ? Paid : QStringLiteral("存盘完毕！"));
}

void TForm_jiaofeidan::cancelLine()
{
    DataSet *lines = details();
    if (lines->isOpen() && !lines->isEmpty()) {
        lines->cancel();
        // Editors that were typed into but not left show the line's values again.
        m_pages->followRow();
        DBControl::refreshAll(m_pages);
    }
}

void TForm_jiaofeidan::deleteLine()
{
    DataSet *lines = details();
    if (!lines->isOpen() || lines->isEmpty()) {
        return;
    }
    if (currentIsPaid()) {
        Prompt::notice(this, QStringLiteral("该项目已经缴费，不能删除！"));
        return;
    }
    if (!Prompt::ask(this, QStringLiteral("要删除当前记录吗? "))) {
        return;
    }
    lines->cancel();
    const int row = lines->currentRow();
    QString error;
    if (!BillComputation::deleteUnpaid(db(), lines->integer(QStringLiteral("id")), &error)) {
        if (error.isEmpty()) {
            Prompt::notice(this, QStringLiteral("该项目已经缴费，不能删除！"));
        } else {
            reportError(error);
        }
    }
    refreshDetail();
    if (lines->isOpen() && !lines->isEmpty()) {
        lines->moveTo(qMin(row, lines->recordCount() - 1));
    }
}
