#include "reports/statistics_yijiao.h"

TForm_statistics_yijiao::TForm_statistics_yijiao(QWidget *parent)
    : BillListingWindow(BillReports::Listing::Paid, parent)
{ }
