#pragma once

#include "reports/billlisting.h"

// "业主缴费全况表": every bill line of the period, its amount under "已  缴" or "未  缴".
class TForm_statistics_quankuang : public BillListingWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_quankuang(QWidget *parent = nullptr);
};
