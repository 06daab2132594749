#include "admin/initialize.h"

#include "admin/core/maintenance.h"

TForm_initialize::TForm_initialize(QWidget *parent)
    : TableChoiceDialog(
        {QStringLiteral("数据初始化"), QStringLiteral("提示：数据初始化就是清空选中项目数据库中的数据。"),
         QStringLiteral(
             "  如果用户第一次使用本系统时或者需要清空数据库时，请使用本功能，清除原来的数据，便于录入新的数据。"),
         QStringLiteral("要初始化选中的数据库吗? "), QStringLiteral("初始化完毕！")},
        &Maintenance::initialise, parent)
{
    setObjectName(QStringLiteral("Form_initialize"));
}
