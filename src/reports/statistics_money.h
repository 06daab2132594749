#pragma once

#include "reports/reportwindow.h"

// "按月份统计缴费总金额": month by month, what was billed, paid and is still unpaid, as amounts
// and as numbers of houses.
class TForm_statistics_money : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_money(QWidget *parent = nullptr);
};
