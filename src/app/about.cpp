#include "app/about.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

Tform_About::Tform_About(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("form_About"));
    setWindowTitle(QStringLiteral("关于本系统"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("<h2>Parvell 物业收费管理系统</h2>"), this);
    title->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(QStringLiteral("版本 %1<br><br>"
                                           "管理小区的楼宇、房屋、业主与收费项目，<br>"
                                           "生成每月应缴费用，收取费用，管理零头与押金，<br>"
                                           "打印、导出各类清单与统计表，备份与恢复数据。")
                                .arg(QCoreApplication::applicationVersion()),
                            this);
    text->setAlignment(Qt::AlignCenter);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
