#pragma once

#include "reports/reportwindow.h"

class QLabel;

// "业主欠费总表": each house's unpaid amount month by month with its running total, a blank line
// between houses and the total of all at the end.
class TForm_statistics_arrear : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_arrear(QWidget *parent = nullptr);

    // The status bar names the operator.
    void prepare(Preparation &p) override;

private:
    QLabel *m_operator = nullptr; // "操作员：…", the first panel of the status bar
};
