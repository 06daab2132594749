#include "masterdata/iteminfo.h"

#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbcontrol.h"
#include "data/dm1.h"

#include <QLabel>
#include <QToolButton>

namespace {
const QString SameAmount = QStringLiteral("业主收费金额相同");
const QString DifferentAmount = QStringLiteral("业主收费金额不同");
const QString ByArea = QStringLiteral("单价*面积");
const QString DirectAmount = QStringLiteral("直接输入金额");
const QStringList Areas = {QStringLiteral("房屋面积"), QStringLiteral("公摊面积"), QStringLiteral("其它面积一"),
                           QStringLiteral("其它面积二")};

ListWindowDesign itemDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_iteminfo");
    s.caption = QStringLiteral("物业收费项目管理");
    s.titleBand = QStringLiteral("  收费项目设置");
    s.titleHint = QStringLiteral("提示：计算滞纳金时可以采用“比例*金额”！");
    s.entryNote = QStringLiteral("提示：当收费类别是业主\n收费金额相同时，计算公\n式只能为直接输入金额！");
    s.printTitle = QStringLiteral("收费项目打印清单");
    s.exportName = QStringLiteral("收费项目");
    s.layoutFile = QStringLiteral("iteminfo.ini");
    s.query = {QStringLiteral("select * from 收费项目"),
               QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("收费名称"))};
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 5;
    s.doubleClickEdits = true;
    s.columns = {
        C::of(QStringLiteral("收费名称"), QStringLiteral("收费名称"), 130)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("单价"), QStringLiteral("单价(比例)"), 80).sortButton().alignRight().withFooter(F::Count),
        C::of(QStringLiteral("计算公式"), QStringLiteral("计算公式"), 200).sortButton(),
        C::of(QStringLiteral("收费面积"), QStringLiteral("收费面积"), 80).sortButton(),
        C::of(QStringLiteral("收费范围"), QStringLiteral("收费范围"), 80).sortButton(),
        C::of(QStringLiteral("停止收费"), QStringLiteral("停止收费"), 56).sortButton(),
        C::of(QStringLiteral("收费周期"), QStringLiteral("收费周期"), 100).sortButton(),
        C::of(QStringLiteral("收费说明"), QStringLiteral("收费说明"), 150).sortButton(),
        C::of(QStringLiteral("收费类别"), QStringLiteral("收费类别"), 120).sortButton(),
        C::of(QStringLiteral("操作人员"), QStringLiteral("操作人员"), 70).sortButton(),
        C::of(QStringLiteral("操作日期"), QStringLiteral("操作日期"), 140).sortButton(),
    };
    s.entries = {
        N::of(QStringLiteral("DBEdit4"), QStringLiteral("收费名称"), QStringLiteral("收费名称：")).takesChinese(),
        N::of(QStringLiteral("DBNumberEditEh1"), QStringLiteral("单价"), QStringLiteral("单价(比例)："), E::Money),
        N::of(QStringLiteral("DBComboBoxEh1"), QStringLiteral("收费面积"), QStringLiteral("收费面积："), E::Combo)
            .withItems(Areas),
        N::of(QStringLiteral("DBComboBoxEh2"), QStringLiteral("计算公式"), QStringLiteral("计算公式："), E::Combo)
            .withItems({QStringLiteral("单价*(本月数-上月数)"), ByArea, QStringLiteral("单价*数量"),
                        QStringLiteral("比例*金额"), DirectAmount})
            .takesChinese(),
        N::of(QStringLiteral("DBComboBoxEh3"), QStringLiteral("收费范围"), QStringLiteral("收费范围："), E::Combo)
            .withItems({QStringLiteral("全部用户"), QStringLiteral("部分用户")})
            .takesChinese(),
        N::of(QStringLiteral("DBComboBoxEh6"), QStringLiteral("停止收费"), QStringLiteral("停止收费："), E::Combo)
            .withItems({QStringLiteral("是"), QStringLiteral("否")}),
        N::of(QStringLiteral("DBComboBoxEh4"), QStringLiteral("收费周期"), QStringLiteral("收费周期："), E::Combo)
            .withItems({QStringLiteral("每月收取"), QStringLiteral("每年收取"), QStringLiteral("每季度收取"),
                        QStringLiteral("每半年收取"), QStringLiteral("自定义收取")})
            .takesChinese(),
        N::of(QStringLiteral("DBComboBoxEh5"), QStringLiteral("收费类别"), QStringLiteral("收费类别："), E::Combo)
            .withItems({SameAmount, DifferentAmount})
            .takesChinese(),
        // Reached from the category only when it is the same-amount one (otherwise hidden
        // and passed over); Enter in it goes back to the area.
        N::of(QStringLiteral("DBNumberEditEh2"), QStringLiteral("金额"), QStringLiteral("金额："), E::Money)
            .labelled(QStringLiteral("Label9"))
            .enterGoesTo(QStringLiteral("收费面积")),
        N::of(QStringLiteral("DBEdit1"), QStringLiteral("收费说明"), QStringLiteral("收费说明："))
            .takesChinese()
            .enterGoesTo(QStringLiteral("收费名称")),
    };
    return s;
}
}

TForm_iteminfo::TForm_iteminfo(QWidget *parent)
    : ListWindow(new DataSet(QStringLiteral("q_iteminfo"), QStringLiteral("收费项目")), itemDesign(), parent)
{
    dataSet()->setParent(this);
    auto *query = addButton(QStringLiteral("bitbtn_query"), QStringLiteral("查询"), QStringLiteral("查"),
                            QColor(0x6a, 0x1b, 0x9a), QStringLiteral("bitbtn_print"));
    query->setEnabled(false);

    // The amount's enabled state is this window's, not the browse/edit rule's.
    DBControl::of(entry(QStringLiteral("金额")))->setFollowState(false);
    auto *category = qobject_cast<DBComboBoxEh *>(entry(QStringLiteral("收费类别")));
    connect(category, &QComboBox::currentTextChanged, this, [this] {
        if (isEditing()) {
            const bool same = sameAmountChosen();
            showAmount(same, same);
        }
    });
    connect(dataSet(), &DataSet::currentChanged, this, [this] {
        if (!isEditing()) {
            showAmount(sameAmountChosen(), false);
        }
    });
    connect(dataSet(), &DataSet::opened, this, [this] { showAmount(sameAmountChosen(), false); });
    connect(dataSet(), &DataSet::stateChanged, this, &TForm_iteminfo::followState);
    showAmount(false, false);
}

bool TForm_iteminfo::sameAmountChosen() const
{
    return qobject_cast<QComboBox *>(entry(QStringLiteral("收费类别")))->currentText().trimmed() == SameAmount;
}

void TForm_iteminfo::showAmount(bool visible, bool enabled)
{
    entry(QStringLiteral("金额"))->setVisible(visible);
    labelOf(QStringLiteral("金额"))->setVisible(visible);
    entry(QStringLiteral("金额"))->setEnabled(enabled);
}

void TForm_iteminfo::followState(DataSet::State state)
{
    switch (state) {
    case DataSet::State::Insert:
        showAmount(false, false);
        break;
    case DataSet::State::Edit:
        // "编辑" opens the amount for the same-amount category and leaves it hidden otherwise.
        if (sameAmountChosen()) {
            showAmount(true, true);
        }
        break;
    default:
        // Saved or cancelled: shown for the same-amount category, never editable.
        showAmount(sameAmountChosen(), false);
        break;
    }
}

bool TForm_iteminfo::validate()
{
    DataSet *q = dataSet();
    const auto tidy = [q](const QString &field) {
        const QString text = q->text(field).trimmed();
        if (q->text(field) != text) {
            q->setText(field, text);
        }
        return text;
    };
    // Names and formulas are kept without surrounding blanks: a formula with a trailing blank
    // would pass as "单价*面积" here and match no formula when bills are computed.
    const QString name = tidy(QStringLiteral("收费名称"));
    if (name.isEmpty()) {
        return refuse(QStringLiteral("收费名称"), QStringLiteral("收费名称不能为空,请重新输入!"));
    }
    // The payment of a whole bill is recorded under this name; an item of the same name would
    // be taken for it.
    if (name == QStringLiteral("按单缴费")) {
        return refuse(QStringLiteral("收费名称"), QStringLiteral("收费名称不能为“按单缴费”,请重新输入!"));
    }
    const QString formula = tidy(QStringLiteral("计算公式"));
    if (formula.isEmpty()) {
        return refuse(QStringLiteral("计算公式"), QStringLiteral("计算公式不能为空,请重新输入!"));
    }
    if (formula == ByArea && !Areas.contains(q->text(QStringLiteral("收费面积")))) {
        return refuse(QStringLiteral("收费面积"), QStringLiteral("计算公式等于单价*面积时,请选择正确的收费面积!"));
    }
    QString category = q->text(QStringLiteral("收费类别")).trimmed();
    if (category == SameAmount && q->money(QStringLiteral("金额")).value_or(Money()) <= Money()) {
        return refuse(QStringLiteral("金额"), QStringLiteral("收费类别等于业主收费金额相同时,请输入收费金额!"));
    }
    if (isDuplicate(QStringLiteral("收费名称"), name)) {
        return refuse(QStringLiteral("收费名称"), QStringLiteral("收费名称重复,请重新输入!"),
                      Prompt::Icon::Information);
    }
    const QString stopped = q->text(QStringLiteral("停止收费")).trimmed();
    q->setText(QStringLiteral("停止收费"), stopped == QStringLiteral("是") ? stopped : QStringLiteral("否"));
    if (category != SameAmount && category != DifferentAmount) {
        category = DifferentAmount;
    }
    q->setText(QStringLiteral("收费类别"), category);
    if (category == SameAmount) {
        q->setText(QStringLiteral("计算公式"), DirectAmount);
        q->setText(QStringLiteral("收费面积"), QString(QLatin1String("")));
    }
    return true;
}
