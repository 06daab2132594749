#pragma once

#include "reports/reportwindow.h"

// "业主押金汇总表": for every house, the deposits received, offset and refunded in a date range
// and the balance they leave.
class TForm_yajin_sum : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_yajin_sum(QWidget *parent = nullptr);
};
