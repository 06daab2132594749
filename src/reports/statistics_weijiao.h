#pragma once

#include "reports/billlisting.h"

// "业主未缴费项目明细表": the bill lines of the period still unpaid.
class TForm_statistics_weijiao : public BillListingWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_weijiao(QWidget *parent = nullptr);
};
