#include "reports/statistics_weijiao.h"

TForm_statistics_weijiao::TForm_statistics_weijiao(QWidget *parent)
    : BillListingWindow(BillReports::Listing::Unpaid, parent)
{ }
