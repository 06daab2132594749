#include "admin/arrange.h"

#include "admin/core/maintenance.h"

TForm_arrange::TForm_arrange(QWidget *parent)
    : TableChoiceDialog({QStringLiteral("数据整理"), QStringLiteral("提示：数据整理就是整理选中项目数据库中的数据。"),
                         QStringLiteral("  如果用户发现系统某个功能不能进行操作，或者系统数据库报错时，请使用本功能。"),
                         QStringLiteral("要整理选中的数据库吗? "), QStringLiteral("整理完毕！")},
                        &Maintenance::tidy, parent)
{
    setObjectName(QStringLiteral("Form_arrange"));
}
