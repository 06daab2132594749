#include "billing/jiaofeidan_quanbu.h"

#include "billing/estaterun.h"
#include "data/clock.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TForm_jiaofeidan_quanbu::TForm_jiaofeidan_quanbu(QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
{
    setObjectName(QStringLiteral("Form_jiaofeidan_quanbu"));
    setWindowTitle(QStringLiteral("全部生成应缴费用"));

    DateTimePicker1 = new QDateEdit(Clock::today(), this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setAccessibleName(QStringLiteral("缴费时间"));
    auto *hint = new QLabel(QStringLiteral("为所选月份中有收费项目、还没有应缴费用的全部房屋生成应缴费用，\n"
                                           "每户与在“业主应缴费用管理”中逐户新增项目所得相同；\n"
                                           "已经有该月应缴费用的房屋将被跳过。"),
                            this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setStyleSheet(QStringLiteral("color: maroon;"));

    QPushButton *generate = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("全部生成"));
    QPushButton *close = makeButton(QStringLiteral("SpeedButton4"), QStringLiteral("返回"));
    connect(generate, &QPushButton::clicked, this, &TForm_jiaofeidan_quanbu::generateEstate);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 16, 16, 12);
    grid->setVerticalSpacing(12);
    grid->addWidget(labelFor(QStringLiteral("缴费时间："), DateTimePicker1), 0, 0);
    grid->addWidget(DateTimePicker1, 0, 1, Qt::AlignLeft);
    grid->addWidget(hint, 1, 0, 1, 2);
    grid->addLayout(buttonRow({generate, close}), 2, 0, 1, 2);
    fixSize();
}

void TForm_jiaofeidan_quanbu::prepare(Preparation &p)
{
    // Set to today once, when the dialog opens.
    p.today(DateTimePicker1);
}

BillMonth TForm_jiaofeidan_quanbu::chosenMonth() const
{
    return BillMonth::of(DateTimePicker1->date());
}

void TForm_jiaofeidan_quanbu::generateEstate()
{
    EstateRun::run(this, db(), chosenMonth());
}
