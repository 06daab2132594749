#pragma once

#include "reports/reportwindow.h"

// "业主押金明细表": one house's deposit movements in a date range, each amount under its type,
// with the balance after each; "整理" works the balance out again after rows were deleted.
class TForm_yajin_mingxi : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_yajin_mingxi(QWidget *parent = nullptr);

public slots:
    // "整理": the running balance of the rows as they now stand, from the first to the last.
    void tidyBalances();
};
