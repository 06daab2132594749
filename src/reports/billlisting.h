#pragma once

#include "reports/reportwindow.h"

// The three bill listings ("业主缴费全况表", "业主已缴费项目明细表", "业主未缴费项目明细表"):
// one row per bill line of the period, filtered by house code, building, building unit and fee
// item. They differ in which lines they take and in their columns.
class BillListingWindow : public ReportWindow
{
    Q_OBJECT
protected:
    BillListingWindow(BillReports::Listing kind, QWidget *parent);
};
