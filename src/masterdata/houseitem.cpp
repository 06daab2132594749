#include "masterdata/houseitem.h"

#include "components/common/prompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/transaction.h"
#include "listwindow/formulapages.h"
#include "masterdata/core/houseitems.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
HouseDetailDesign itemDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    HouseDetailDesign s;
    s.className = QStringLiteral("TForm_houseitem");
    s.caption = QStringLiteral("房屋收费项目管理");
    s.titleBand = QStringLiteral("房屋收费项目设置");
    s.printTitle = QStringLiteral("房屋收费项目明细表打印清单");
    s.exportName = QStringLiteral("房屋收费项目明细表");
    s.layoutFile = QStringLiteral("houseitem.ini");
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.leadingButtons = {
        BarButton::of(QStringLiteral("bitbtn_add"), QStringLiteral("新增项目"), QStringLiteral("＋")),
        BarButton::of(QStringLiteral("bitbtn_delete"), QStringLiteral("删除项目"), QStringLiteral("删"),
                      ButtonBar::Delete),
    };
    s.search = {
        {QStringLiteral("Edit1"), QStringLiteral("房屋代码："), QStringLiteral("房屋代码")},
        {QStringLiteral("Edit2"), QStringLiteral("房屋名称："), QStringLiteral("房屋名称"), false, true},
        SearchField {QStringLiteral("Edit3"), QStringLiteral("业主名称："), QStringLiteral("业主名称")}.takesChinese(),
        {QStringLiteral("DBComboBoxEh3"), QStringLiteral("楼宇名称："), QStringLiteral("楼宇名称"), true},
    };
    s.enterRing = {QStringLiteral("Edit1"), QStringLiteral("Edit2"), QStringLiteral("Edit3")};
    s.detailQuery = QStringLiteral("q_houseitem");
    s.detailTable = QStringLiteral("房屋收费项目");
    s.detailColumns = {
        C::of(QStringLiteral("收费名称"), QStringLiteral("收费名称"), 110)
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("单价"), QStringLiteral("单价"), 70).alignRight().withFooter(F::Count),
        C::of(QStringLiteral("计算公式"), QStringLiteral("计算公式"), 140),
        C::of(QStringLiteral("预付金额"), QStringLiteral("面积/数量/金额"), 95).alignRight(),
        C::of(QStringLiteral("收费范围"), QStringLiteral("收费范围"), 70),
        C::of(QStringLiteral("收费周期"), QStringLiteral("收费周期"), 70),
        C::of(QStringLiteral("收费说明"), QStringLiteral("收费说明"), 120),
        C::of(QStringLiteral("收费类别"), QStringLiteral("收费类别"), 120),
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 70),
        C::of(QStringLiteral("房屋名称"), QStringLiteral("房屋名称"), 80),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 70),
        C::of(QStringLiteral("金额"), QStringLiteral(" 应缴费用"), 80).alignRight(),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 150),
    };
    return s;
}
}

TForm_houseitem::TForm_houseitem(QWidget *parent)
    : HouseDetailWindow(itemDesign(), parent)
{
    m_pages = addFormulaPages(FormulaPagesDesign::houseItems());
    connect(addStripButton(QStringLiteral("SpeedButton2"), QStringLiteral("计算")), &QPushButton::clicked, this,
            &TForm_houseitem::computeItems);
    connect(addStripButton(QStringLiteral("SpeedButton3"), QStringLiteral("保存")), &QPushButton::clicked, this,
            &TForm_houseitem::saveItem);
    QHBoxLayout *row = stripRow();
    row->addSpacing(16);
    auto *hint = new QLabel(QStringLiteral("提示：如果某个收费项目中面积/数量/金额每个月都一样，就可以输入\n"
                                           "面积/数量/金额，在每月业主应缴费用管理中系统会自动取数！"),
                            row->parentWidget());
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setStyleSheet(QStringLiteral("color: maroon;"));
    row->addWidget(hint, 1);

    connect(button(QStringLiteral("bitbtn_add")), &QToolButton::clicked, this, &TForm_houseitem::addItems);
    connect(button(QStringLiteral("bitbtn_delete")), &QToolButton::clicked, this, &TForm_houseitem::deleteItem);
}

QStringList TForm_houseitem::detailLines(QVariantList *values) const
{
    *values << houses()->text(QStringLiteral("房屋代码"));
    return {QStringLiteral("select * from 房屋收费项目 where 房屋代码=?"),
            QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("收费名称"))};
}

void TForm_houseitem::addItems()
{
    details()->cancel();
    if (!houses()->isOpen() || houses()->isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有指定房屋代码!"));
        return;
    }
    QString error;
    const int added = HouseItems::addMissing(dm(), houses()->text(QStringLiteral("房屋代码")), &error);
    if (added < 0) {
        reportError(error);
        return;
    }
    if (added == 0) {
        Prompt::notice(this, QStringLiteral("该房屋的收费项目已经全部添加！"));
        return;
    }
    refreshDetail();
}

std::optional<Money> TForm_houseitem::amountOf(Money quantity, QString *error) const
{
    const std::optional<Money> price = details()->money(QStringLiteral("单价"));
    if (!price) {
        *error = QStringLiteral("“%1”的单价有误，不能计算应缴费用！").arg(details()->text(QStringLiteral("收费名称")));
        return std::nullopt;
    }
    return HouseItems::amount(*price, quantity);
}

bool TForm_houseitem::takeEditors()
{
    if (!m_pages->commit()) {
        return false;
    }
    return details()->edit();
}

void TForm_houseitem::saveItem()
{
    DataSet *items = details();
    if (!items->isOpen() || items->isEmpty() || !takeEditors()) {
        return;
    }
    const QString formula = items->text(QStringLiteral("计算公式"));
    const std::optional<Money> typed = items->money(QStringLiteral("预付金额"));
    const std::optional<Money> quantity = HouseItems::savedQuantity(formula, typed);
    QString error =
        QStringLiteral("“%1”的面积/数量/金额有误，不能计算应缴费用！").arg(items->text(QStringLiteral("收费名称")));
    const std::optional<Money> amount = quantity ? amountOf(*quantity, &error) : std::nullopt;
    if (!amount) {
        Prompt::notice(this, error);
        return;
    }
    if (quantity != typed || items->isNull(QStringLiteral("预付金额"))) {
        items->setMoney(QStringLiteral("预付金额"), *quantity);
    }
    items->setMoney(QStringLiteral("金额"), *amount);
    items->setText(QStringLiteral("操作人员"), session().currentOperator);
    items->setDateTime(QStringLiteral("操作日期"), Clock::now());
    if (!items->post()) {
        reportError(items->lastError());
        return;
    }
    Prompt::notice(this, QStringLiteral("存盘完毕！"));
}

void TForm_houseitem::computeItems()
{
    DataSet *items = details();
    if (!items->isOpen() || items->isEmpty() || !takeEditors()) {
        return;
    }
    // Every amount of the house or none: a refusal half-way leaves the items as they were.
    Transaction tx(db());
    QString error = tx.error();
    bool ok = tx.begun();
    bool badAmount = false; // an item's own values are no amount: told as such, not as a refusal
    detailGrid()->setUpdatesEnabled(false);
    for (int r = 0; ok && r < items->recordCount(); ++r) {
        items->moveTo(r);
        ok = items->currentRow() == r && items->edit();
        std::optional<Money> amount;
        if (ok) {
            // The multiplier as it stands: the rules of "保存" are not applied here.
            const std::optional<Money> quantity = items->money(QStringLiteral("预付金额"));
            error = QStringLiteral("“%1”的面积/数量/金额有误，不能计算应缴费用！")
                        .arg(items->text(QStringLiteral("收费名称")));
            amount = quantity ? amountOf(*quantity, &error) : std::nullopt;
            ok = amount.has_value();
            badAmount = !ok;
        } else {
            error = items->lastError();
        }
        if (ok) {
            items->setMoney(QStringLiteral("金额"), *amount);
            ok = items->post();
            if (!ok) {
                error = items->lastError();
            }
        }
    }
    ok = ok && tx.commit(&error);
    detailGrid()->setUpdatesEnabled(true);
    if (!ok) {
        tx.rollback();
        items->cancel();
        if (badAmount) {
            Prompt::notice(this, error);
        } else {
            reportError(error);
        }
        // Show what the database holds.
        refreshDetail();
        return;
    }
    items->first();
    Prompt::notice(this, QStringLiteral("计算完毕！"));
}

void TForm_houseitem::deleteItem()
{
    DataSet *items = details();
    if (!items->isOpen() || items->isEmpty()) {
        return;
    }
    if (!Prompt::ask(this, QStringLiteral("要删除当前记录吗? "))) {
        return;
    }
    if (!items->deleteCurrent()) {
        reportError(items->lastError());
    }
}
