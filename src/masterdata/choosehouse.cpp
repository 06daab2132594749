#include "masterdata/choosehouse.h"

#include "data/dm1.h"

namespace {
ChooserDesign houseChooserDesign()
{
    using C = GridColumn;
    ChooserDesign s;
    s.className = QStringLiteral("TForm_choosehouse");
    s.caption = QStringLiteral("选择房屋资料");
    s.width = 414;
    s.hint = QStringLiteral("提示：通过查找相应的房屋，双击可以选择房屋资料！");
    s.mode = QStringLiteral("按房屋代码查找");
    s.searchBox = QStringLiteral("Edit1");
    s.searchLabel = QStringLiteral("房屋代码");
    s.searchColumn = QStringLiteral("房屋代码");
    s.select = QStringLiteral("select * from 房屋资料 ");
    s.ordering = QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"));
    s.columns = {
        C::of(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称"), 80).sortButton(),
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 100).sortButton(),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 160).sortButton(),
    };
    s.copies = {{QStringLiteral("houselease"),
                 {QStringLiteral("楼宇名称"), QStringLiteral("楼宇单元"), QStringLiteral("房屋名称"),
                  QStringLiteral("房屋代码"), QStringLiteral("房屋位置")}},
                {QStringLiteral("yajin"),
                 {QStringLiteral("楼宇名称"), QStringLiteral("楼宇单元"), QStringLiteral("业主名称"),
                  QStringLiteral("房屋代码")}}};
    return s;
}
}

TForm_choosehouse::TForm_choosehouse(QWidget *parent)
    : Chooser(Dm1::instance()->q_houseinfo, houseChooserDesign(), parent)
{ }

bool TForm_choosehouse::choose(QWidget *parent, const QString &tag, DataSet *target)
{
    TForm_choosehouse chooser(parent);
    return chooser.run(tag, target);
}

std::optional<QString> TForm_choosehouse::pickCode(QWidget *parent)
{
    TForm_choosehouse chooser(parent);
    QString code;
    if (!chooser.runPicking([&](const DataSet &row) { code = row.value(QStringLiteral("房屋代码")).toString(); })) {
        return std::nullopt;
    }
    return code;
}
