#pragma once

#include "reports/reportwindow.h"

// "按收费项目统计缴费总金额": month by month and fee item by fee item, what was billed, paid and
// is still unpaid.
class TForm_statistics_item : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_item(QWidget *parent = nullptr);

protected:
    ReportRun::Computation computation() override;
};
