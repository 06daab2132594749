#include "masterdata/xzyz.h"

#include "data/dm1.h"

namespace {
ChooserDesign ownerChooserDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    ChooserDesign s;
    s.className = QStringLiteral("TForm_xzyz");
    s.caption = QStringLiteral("选择业主资料");
    s.width = 443;
    s.hint = QStringLiteral("提示：通过查找相应的业主，双击可以选择业主资料！");
    s.mode = QStringLiteral("按业主名称查找");
    s.searchBox = QStringLiteral("Edit3");
    s.searchLabel = QStringLiteral("业主名称");
    s.searchColumn = QStringLiteral("业主名称");
    s.chineseSearch = true;
    s.select = QStringLiteral("select * from 业主资料 ");
    s.ordering = QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("业主名称"));
    s.columns = {
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 140)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("身份证号"), QStringLiteral("身份证号"), 120).sortButton().withFooter(F::Count),
        C::of(QStringLiteral("联系电话"), QStringLiteral("联系电话"), 150).sortButton(),
    };
    s.copies = {{QStringLiteral("houselease"),
                 {QStringLiteral("业主名称"), QStringLiteral("身份证号"), QStringLiteral("工作单位"),
                  QStringLiteral("联系地址"), QStringLiteral("联系电话")}}};
    return s;
}
}

TForm_xzyz::TForm_xzyz(QWidget *parent)
    : Chooser(Dm1::instance()->q_guestinfo, ownerChooserDesign(), parent)
{ }

bool TForm_xzyz::choose(QWidget *parent, const QString &tag, DataSet *target)
{
    TForm_xzyz chooser(parent);
    return chooser.run(tag, target);
}
