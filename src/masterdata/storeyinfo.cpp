#include "masterdata/storeyinfo.h"

#include "components/common/prompt.h"
#include "data/dm1.h"

#include <QToolButton>

namespace {
ListWindowDesign storeyDesign()
{
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_storeyinfo");
    s.caption = QStringLiteral("楼宇资料管理");
    s.titleBand = QStringLiteral("楼宇资料设置");
    s.printTitle = QStringLiteral("小区楼宇资料明细表打印清单");
    s.exportName = QStringLiteral("小区楼宇资料明细表");
    s.layoutFile = QStringLiteral("system.ini");
    s.hideFloor = 5;
    s.doubleClickEdits = true;
    s.query = {QStringLiteral("select * from 楼宇资料"),
               QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("楼宇名称"))};
    using C = GridColumn;
    s.columns = {
        C::of(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称"), 160)
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("建成日期"), QStringLiteral("建成日期"), 110).withFooter(F::Count),
        C::of(QStringLiteral("楼房结构"), QStringLiteral("楼房结构"), 100),
        C::of(QStringLiteral("楼宇层数"), QStringLiteral("楼宇层数"), 80).alignRight(),
        C::of(QStringLiteral("房屋数量"), QStringLiteral("房屋数量"), 70).alignRight(),
        C::of(QStringLiteral("住户数量"), QStringLiteral("住户数量"), 70).alignRight(),
        C::of(QStringLiteral("空置房数量"), QStringLiteral("空置房数量"), 70).alignRight(),
        C::of(QStringLiteral("操作人员"), QStringLiteral("操作人员"), 70),
        C::of(QStringLiteral("操作日期"), QStringLiteral("操作日期"), 120),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 250),
    };
    using N = EntryField;
    s.entries = {
        N::of(QStringLiteral("DBEdit4"), QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称：")).takesChinese(),
        N::of(QStringLiteral("DBDateTimeEditEh1"), QStringLiteral("建成日期"), QStringLiteral("建成日期："), E::Date),
        N::of(QStringLiteral("DBEdit2"), QStringLiteral("楼房结构"), QStringLiteral("楼房结构：")).takesChinese(),
        N::of(QStringLiteral("DBNumberEditEh2"), QStringLiteral("楼宇层数"), QStringLiteral("楼宇层数："), E::Number),
        N::of(QStringLiteral("DBNumberEditEh5"), QStringLiteral("房屋数量"), QStringLiteral("房屋数量："), E::Number),
        N::of(QStringLiteral("DBNumberEditEh3"), QStringLiteral("住户数量"), QStringLiteral("住户数量："), E::Number),
        N::of(QStringLiteral("DBNumberEditEh4"), QStringLiteral("空置房数量"), QStringLiteral("空置房数量："),
              E::Number),
        N::of(QStringLiteral("DBEdit1"), QStringLiteral("备注"), QStringLiteral("备注：")).takesChinese(),
    };
    return s;
}
}

TForm_storeyinfo::TForm_storeyinfo(QWidget *parent)
    : ListWindow(Dm1::instance()->q_storeyinfo, storeyDesign(), parent)
{
    m_choose = addButton(QStringLiteral("SpeedButton3"), QStringLiteral("选中"), QStringLiteral("选"),
                         QColor(0x00, 0x83, 0x8f));
    m_choose->setEnabled(false);
    connect(m_choose, &QToolButton::clicked, this, &TForm_storeyinfo::chooseBuilding);
}

void TForm_storeyinfo::setChooser(bool on)
{
    m_choose->setEnabled(on);
}

bool TForm_storeyinfo::canEdit()
{
    if (dataSet()->text(QStringLiteral("楼宇名称")).isEmpty()) {
        Prompt::notice(this, QStringLiteral("请先增加记录!"));
        return false;
    }
    return true;
}

bool TForm_storeyinfo::validate()
{
    return require(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称不能为空,请重新输入!"));
}

void TForm_storeyinfo::chooseBuilding()
{
    if (!m_choose->isEnabled() || dataSet()->recordCount() == 0) {
        return;
    }
    DataSet *house = dm()->q_houseinfo;
    if (house->edit()) {
        house->setText(QStringLiteral("楼宇名称"), dataSet()->text(QStringLiteral("楼宇名称")));
    }
    accept();
}
