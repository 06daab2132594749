#include "reports/statistics_quankuang.h"

TForm_statistics_quankuang::TForm_statistics_quankuang(QWidget *parent)
    : BillListingWindow(BillReports::Listing::All, parent)
{ }
