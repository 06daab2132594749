#pragma once

#include "reports/billlisting.h"

// "业主已缴费项目明细表": the paid bill lines of the period, with their payment dates.
class TForm_statistics_yijiao : public BillListingWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_yijiao(QWidget *parent = nullptr);
};
