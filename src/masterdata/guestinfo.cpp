#include "masterdata/guestinfo.h"

#include "data/dm1.h"
#include "masterdata/core/registerimport.h"

#include <QToolButton>

namespace {
ListWindowDesign guestDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_guestinfo");
    s.caption = QStringLiteral("业主资料管理");
    s.titleBand = QStringLiteral("业主资料设置");
    s.printTitle = QStringLiteral("业主资料明细表打印清单");
    s.exportName = QStringLiteral("业主资料明细表");
    s.layoutFile = QStringLiteral("guest.ini");
    s.query = {QStringLiteral("select * from 业主资料"),
               QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("业主名称"))};
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 5;
    s.doubleClickEdits = true;
    s.columns = {
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 120)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("身份证号"), QStringLiteral("身份证号"), 150).sortButton().withFooter(F::Count),
        C::of(QStringLiteral("联系电话"), QStringLiteral("联系电话"), 100),
        C::of(QStringLiteral("工作单位"), QStringLiteral("工作单位"), 130).sortButton(),
        C::of(QStringLiteral("联系地址"), QStringLiteral("联系地址"), 200),
        C::of(QStringLiteral("开户银行"), QStringLiteral("开户银行"), 120),
        C::of(QStringLiteral("银行帐号"), QStringLiteral("银行帐号"), 150),
        C::of(QStringLiteral("操作人员"), QStringLiteral("操作人员"), 70).sortButton(),
        C::of(QStringLiteral("操作日期"), QStringLiteral("操作日期"), 140).sortButton(),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 200),
    };
    s.entries = {
        N::of(QStringLiteral("DBEdit4"), QStringLiteral("业主名称"), QStringLiteral("业主名称：")).takesChinese(),
        N::of(QStringLiteral("DBEdit2"), QStringLiteral("身份证号"), QStringLiteral("身份证号：")),
        N::of(QStringLiteral("DBEdit3"), QStringLiteral("联系电话"), QStringLiteral("联系电话：")),
        N::of(QStringLiteral("DBEdit5"), QStringLiteral("工作单位"), QStringLiteral("工作单位：")).takesChinese(),
        N::of(QStringLiteral("DBEdit6"), QStringLiteral("联系地址"), QStringLiteral("联系地址：")).takesChinese(),
        N::of(QStringLiteral("DBEdit7"), QStringLiteral("开户银行"), QStringLiteral("开户银行：")).takesChinese(),
        N::of(QStringLiteral("DBEdit8"), QStringLiteral("银行帐号"), QStringLiteral("银行帐号：")),
        N::of(QStringLiteral("DBMemo1"), QStringLiteral("备注"), QStringLiteral("备注："), E::Memo).takesChinese(),
        // The prepaid amount is kept with the owner but never shown.
        N::of(QStringLiteral("DBNumberEditEh1"), QStringLiteral("预付金额"), QStringLiteral("预付金额："), E::Money)
            .neverShown()
            .enterGoesTo(QStringLiteral("备注")),
    };
    return s;
}
}

TForm_guestinfo::TForm_guestinfo(QWidget *parent)
    : ListWindow(Dm1::instance()->q_guestinfo, guestDesign(), parent)
{
    auto *query = addButton(QStringLiteral("bitbtn_query"), QStringLiteral("查询"), QStringLiteral("查"),
                            QColor(0x6a, 0x1b, 0x9a), QStringLiteral("bitbtn_print"));
    query->setEnabled(false);
}

bool TForm_guestinfo::validate()
{
    DataSet *q = dataSet();
    // Kept without surrounding blanks: the name is how houses and move-in records find the owner.
    QString name = q->text(QStringLiteral("业主名称"));
    if (const auto refused = RegisterRules::owner(&name)) {
        return refuse(refused->field, refused->message);
    }
    if (name != q->text(QStringLiteral("业主名称"))) {
        q->setText(QStringLiteral("业主名称"), name);
    }
    if (isDuplicate(QStringLiteral("业主名称"), name)) {
        return refuse(QStringLiteral("业主名称"), RegisterRules::duplicateOwner(), Prompt::Icon::Information);
    }
    return true;
}

bool TForm_guestinfo::canDelete()
{
    DataSet *q = dataSet();
    if (q->text(QStringLiteral("开始使用")) == QStringLiteral("是")) {
        Prompt::notice(this, QStringLiteral("该业主已经有缴费记录,不能删除!"));
        return false;
    }
    // An owner living in a house stays: the house would name an owner who no longer exists.
    const QStringList houses =
        dm()->column(QStringLiteral("select 房屋代码 from 房屋资料 where 业主名称 = ? order by 房屋代码"),
                     {q->text(QStringLiteral("业主名称"))});
    if (!houses.isEmpty()) {
        Prompt::notice(this, QStringLiteral("该业主正在使用房屋“%1”,不能删除!").arg(houses.join(QStringLiteral("、"))));
        return false;
    }
    if (q->text(QStringLiteral("是否使用")) == QStringLiteral("是")) {
        Prompt::notice(this, QStringLiteral("该业主正在使用房屋,不能删除!"));
        return false;
    }
    return true;
}
