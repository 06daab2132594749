#include "admin/qxb.h"

#include "admin/qxb_edit.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

namespace {
ListWindowDesign operatorDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_qxb");
    s.caption = QStringLiteral("操作员设置");
    s.titleBand = QStringLiteral("操作员设置");
    s.printTitle = QStringLiteral("操作员及权限打印清单");
    s.exportName = QStringLiteral("操作员");
    s.hideFloor = 4;
    s.buttons = ListWindowDesign::Edit | ListWindowDesign::Delete;
    s.doubleClickEdits = true;
    s.dichromaticLabel = QStringLiteral("区分网格");
    s.fitLabel = QStringLiteral("自动匹配列宽");
    s.fitInitially = true;
    s.query = {QStringLiteral("select * from 权限表 "),
               QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("姓名"))};
    s.columns = {
        C::of(QStringLiteral("姓名"), QStringLiteral("姓名"), 120)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("身份证号"), QStringLiteral("身份证号"), 180).sortButton().withFooter(F::Count),
        C::of(QStringLiteral("联系电话"), QStringLiteral("联系电话"), 120),
        C::of(QStringLiteral("输入法"), QStringLiteral("输入法"), 160),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 250),
    };
    return s;
}
}

TForm_qxb::TForm_qxb(QWidget *parent)
    : ListWindow(Dm1::instance()->q_qxb, operatorDesign(), parent)
{ }

// Somebody must always be able to log in: the operator who is logged in (known by his row,
// whatever he renamed it to) cannot delete himself, and the last operator stays.
bool TForm_qxb::canDelete()
{
    if (dataSet()->value(QStringLiteral("id")).toLongLong() == session().operatorId) {
        Prompt::notice(this, QStringLiteral("不能删除当前登录的操作员！"));
        return false;
    }
    if (dm()->scalar(QStringLiteral("select count(*) from 权限表")).toLongLong() <= 1) {
        Prompt::notice(this, QStringLiteral("不能删除最后一个操作员！"));
        return false;
    }
    return true;
}

void TForm_qxb::editRecord()
{
    // The editor fills its own input-method list and gives its Chinese fields the current
    // operator's input method when it is made.
    TForm_qxb_edit editor(this);
    editor.exec();
}
