#include "masterdata/houseinfo.h"

#include "components/dbctrls/dbcombobox.h"
#include "data/dm1.h"
#include "masterdata/core/registerimport.h"
#include "masterdata/storeyinfo.h"

#include <QToolButton>

namespace {
ListWindowDesign houseDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_houseinfo");
    s.caption = QStringLiteral("房屋资料管理");
    s.titleBand = QStringLiteral("房屋资料设置");
    s.printTitle = QStringLiteral("房屋资料明细表打印清单");
    s.exportName = QStringLiteral("房屋资料明细表");
    s.layoutFile = QStringLiteral("houseinfo.ini");
    s.query = {QStringLiteral("select * from 房屋资料"),
               QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"))};
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 5;
    s.columns = {
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 75)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("房型"), QStringLiteral("房型"), 80).sortButton(),
        C::of(QStringLiteral("房屋位置"), QStringLiteral("房屋位置"), 120).sortButton(),
        C::of(QStringLiteral("房屋面积"), QStringLiteral("房屋面积"), 65).sortButton().alignRight(),
        C::of(QStringLiteral("公摊面积"), QStringLiteral("公摊面积"), 65)
            .sortButton()
            .alignRight()
            .withFooter(F::Count),
        C::of(QStringLiteral("其它面积一"), QStringLiteral("其它面积一"), 75).alignRight(),
        C::of(QStringLiteral("其它面积二"), QStringLiteral("其它面积二"), 75).alignRight(),
        C::of(QStringLiteral("产权状况"), QStringLiteral("产权状况"), 90).sortButton(),
        C::of(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称"), 70),
        C::of(QStringLiteral("迁入日期"), QStringLiteral("迁入日期"), 80).sortButton(),
        C::of(QStringLiteral("迁出日期"), QStringLiteral("迁出日期"), 80).sortButton(),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 80).sortButton(),
        C::of(QStringLiteral("身份证号"), QStringLiteral("身份证号"), 140),
        C::of(QStringLiteral("工作单位"), QStringLiteral("工作单位"), 120).sortButton(),
        C::of(QStringLiteral("联系电话"), QStringLiteral("联系电话"), 90),
        C::of(QStringLiteral("银行帐号"), QStringLiteral("银行帐号"), 140),
        C::of(QStringLiteral("零头"), QStringLiteral("零头"), 50).alignRight(),
        C::of(QStringLiteral("操作人员"), QStringLiteral("操作人员"), 70).sortButton(),
        C::of(QStringLiteral("操作日期"), QStringLiteral("操作日期"), 140).sortButton(),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 250),
    };
    const auto area = [](const char *name, const QString &field) {
        // Shown without decimals; a finer area can be typed, and one that is not retyped keeps
        // its stored decimals.
        return N::of(QString::fromLatin1(name), field, field + QStringLiteral("："), E::Number).withDecimals(0);
    };
    const QString toLocation = QStringLiteral("房屋位置");
    s.entries = {
        N::of(QStringLiteral("DBEdit4"), QStringLiteral("房屋代码"), QStringLiteral("房屋代码：")),
        N::of(QStringLiteral("DBEdit5"), QStringLiteral("房屋位置"), QStringLiteral("房屋位置：")).takesChinese(),
        N::of(QStringLiteral("DBComboBoxEh5"), QStringLiteral("房型"), QStringLiteral("房型："), E::Combo)
            .withItems({QStringLiteral("一房一厅"), QStringLiteral("二房一厅"), QStringLiteral("二房二厅"),
                        QStringLiteral("三房一厅"), QStringLiteral("三房二厅"), QStringLiteral("四房一厅"),
                        QStringLiteral("四房二厅")})
            .takesChinese(),
        N::of(QStringLiteral("DBComboBoxEh3"), QStringLiteral("产权状况"), QStringLiteral("产权状况："), E::Combo)
            .withItems({QStringLiteral("完全产权"), QStringLiteral("使用权"), QStringLiteral("没有产权")})
            .takesChinese()
            .enterGoesTo(QStringLiteral("备注")),
        area("DBNumberEditEh2", QStringLiteral("房屋面积")),
        area("DBNumberEditEh1", QStringLiteral("公摊面积")),
        area("DBNumberEditEh5", QStringLiteral("其它面积一")),
        area("DBNumberEditEh3", QStringLiteral("其它面积二")),
        N::of(QStringLiteral("DBComboBoxEh1"), QStringLiteral("楼宇单元"), QStringLiteral("所属单元："), E::Combo)
            .withItems({QStringLiteral("一单元"), QStringLiteral("二单元"), QStringLiteral("三单元"),
                        QStringLiteral("四单元"), QStringLiteral("五单元"), QStringLiteral("六单元"),
                        QStringLiteral("七单元"), QStringLiteral("八单元"), QStringLiteral("九单元"),
                        QStringLiteral("十单元"), QStringLiteral("十一单元"), QStringLiteral("十二单元")})
            .enterGoesTo(QStringLiteral("备注")),
        N::of(QStringLiteral("DBEdit10"), QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称："))
            .shownOnly()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBDateTimeEditEh1"), QStringLiteral("迁入日期"), QStringLiteral("迁入日期："), E::Date)
            .shownOnly()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBDateTimeEditEh2"), QStringLiteral("迁出日期"), QStringLiteral("迁出日期："), E::Date)
            .shownOnly()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBEdit1"), QStringLiteral("备注"), QStringLiteral("备注："), E::Memo)
            .takesChinese()
            .enterGoesTo(QStringLiteral("房屋代码")),
        // The occupant, written by moves in and out, and the odd amount kept by payments.
        N::of(QStringLiteral("DBEdit2"), QStringLiteral("业主名称"), QStringLiteral("业主名称："))
            .shownOnly()
            .inGreenStrip()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBEdit3"), QStringLiteral("身份证号"), QStringLiteral("身份证号："))
            .shownOnly()
            .inGreenStrip()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBEdit6"), QStringLiteral("联系电话"), QStringLiteral("电话："))
            .shownOnly()
            .inGreenStrip()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBEdit7"), QStringLiteral("银行帐号"), QStringLiteral("银行帐号："))
            .shownOnly()
            .inGreenStrip()
            .enterGoesTo(toLocation),
        N::of(QStringLiteral("DBNumberEditEh4"), QStringLiteral("零头"), QStringLiteral("零头："), E::Money)
            .inGreenStrip()
            .enterGoesTo(toLocation),
    };
    return s;
}

// What still carries a house code, by the words the office uses for it.
struct Dependent
{
    const char *table;
    const char *what;
};
const Dependent Dependents[] = {
    {"收费明细表", "收费明细"}, {"房屋收费项目", "房屋收费项目"}, {"房屋租赁表", "迁入迁出记录"},
    {"押金明细表", "押金明细"}, {"收费汇总表", "缴费记录"},
};
}

TForm_houseinfo::TForm_houseinfo(QWidget *parent)
    : ListWindow(Dm1::instance()->q_houseinfo, houseDesign(), parent)
{
    qobject_cast<DBComboBoxEh *>(entry(QStringLiteral("楼宇单元")))->setEditable(false);
    m_chooseBuilding = addButton(QStringLiteral("choose_ly"), QStringLiteral("选择楼宇"), QStringLiteral("楼"),
                                 QColor(0x00, 0x83, 0x8f));
    m_chooseBuilding->setEnabled(false);
    connect(m_chooseBuilding, &QToolButton::clicked, this, &TForm_houseinfo::chooseBuilding);
    connect(dataSet(), &DataSet::stateChanged, this, [this] { m_chooseBuilding->setEnabled(isEditing()); });
}

void TForm_houseinfo::chooseBuilding()
{
    if (!isEditing()) {
        return;
    }
    TForm_storeyinfo chooser(this);
    chooser.setChooser(true);
    Preparation::showModal(&chooser);
}

bool TForm_houseinfo::canEdit()
{
    if (dataSet()->isEmpty()) {
        Prompt::notice(this, QStringLiteral("请先增加记录!"));
        return false;
    }
    return true;
}

bool TForm_houseinfo::validate()
{
    DataSet *q = dataSet();
    // Kept without surrounding blanks: bills, fee items and moves find the house by its code.
    QString code = q->text(QStringLiteral("房屋代码"));
    if (const auto refused = RegisterRules::house(q->text(QStringLiteral("楼宇名称")), &code)) {
        return refuse(refused->field, refused->message);
    }
    if (code != q->text(QStringLiteral("房屋代码"))) {
        q->setText(QStringLiteral("房屋代码"), code);
    }
    if (isDuplicate(QStringLiteral("房屋代码"), code)) {
        return refuse(QStringLiteral("房屋代码"), RegisterRules::duplicateHouse(), Prompt::Icon::Information);
    }
    // The records of a house find it by its code: a new code would leave them behind.
    const QVariant before = storedValue(QStringLiteral("房屋代码"));
    if (!before.isNull() && before.toString() != code) {
        QStringList carrying;
        for (const Dependent &d : Dependents) {
            const QString sql = QStringLiteral("select count(*) from %1 where 房屋代码 = ?")
                                    .arg(Schema::quoted(QString::fromUtf8(d.table)));
            if (dm()->scalar(sql, {before}).toLongLong() > 0) {
                carrying << QString::fromUtf8(d.what);
            }
        }
        if (!carrying.isEmpty()) {
            return refuse(QStringLiteral("房屋代码"),
                          QStringLiteral("房屋代码“%1”已有%2,不能修改!")
                              .arg(before.toString(), carrying.join(QStringLiteral("、"))));
        }
    }
    return true;
}

QString TForm_houseinfo::deleteQuestion()
{
    // Balances and unpaid bills stay when the house goes: name them, so the operator knows.
    DataSet *q = dataSet();
    QStringList left;
    for (const auto &[field, what] : {std::pair(QStringLiteral("押金"), QStringLiteral("押金余额")),
                                      std::pair(QStringLiteral("零头"), QStringLiteral("零头"))}) {
        if (const auto amount = q->money(field); amount && *amount != Money()) {
            left << QStringLiteral("%1 %2 元").arg(what, amount->toString());
        }
    }
    const qint64 unpaid =
        dm()->scalar(QStringLiteral("select count(*) from 收费明细表 where 房屋代码 = ? and 缴费状态 = ?"),
                     {q->text(QStringLiteral("房屋代码")), QStringLiteral("未缴费")})
            .toLongLong();
    if (unpaid > 0) {
        left << QStringLiteral("未缴费明细 %1 条").arg(unpaid);
    }
    QString question = ListWindow::deleteQuestion();
    if (!left.isEmpty()) {
        question +=
            QStringLiteral("\n\n该房屋还有%1，删除房屋后这些记录仍然保留。").arg(left.join(QStringLiteral("、")));
    }
    return question;
}

bool TForm_houseinfo::deleteRow(QString *error)
{
    // The house and its occupant's in-use flag change together or not at all.
    const QString owner = dataSet()->text(QStringLiteral("业主名称"));
    return deleteCurrentWith(
        [this, owner](QString *why) {
            return dm()->exec(QStringLiteral("update 业主资料 set 是否使用='否' where (业主名称=?)"), {owner}, why);
        },
        error);
}
