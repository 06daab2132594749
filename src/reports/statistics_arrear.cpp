#include "reports/statistics_arrear.h"

#include <QLabel>
#include <QStatusBar>

namespace {
ReportDesign arrearDesign()
{
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_statistics_arrear"), QStringLiteral("业主欠费总表"),
                                      QStringLiteral("业主欠费总表打印清单"), QStringLiteral("业主欠费总表"));
    r.list.fitInitially = true;
    r.list.columns = ReportColumns::arrears();
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), K::Text)
              << FilterField::of(QStringLiteral("ComboBox2"), QStringLiteral("楼宇名称："), K::Combo);
    r.unitNote = QStringLiteral("单位：元");
    r.fills = {{QStringLiteral("ComboBox2"), Preparation::Items::Buildings}};
    r.compute = ReportDesign::overBills(&BillReports::arrears);
    return r;
}
}

TForm_statistics_arrear::TForm_statistics_arrear(QWidget *parent)
    : ReportWindow(arrearDesign(), parent)
{
    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    for (const QString &text : {QStringLiteral("操作员："), QString(), QStringLiteral("业主欠费总表")}) {
        auto *panel = new QLabel(text, status);
        panel->setMinimumWidth(160);
        status->addWidget(panel);
        m_operator = m_operator ? m_operator : panel;
    }
    addPanel(status);
}

void TForm_statistics_arrear::prepare(Preparation &p)
{
    ReportWindow::prepare(p);
    m_operator->setText(QStringLiteral("操作员：") + session().currentOperator);
}
