#pragma once

#include "reports/reportwindow.h"

class CollectionChart;

// "收费率统计": month by month (and building by building when "按楼宇" is ticked) what was
// billed, what of it is paid, what is still unpaid and the collection rate, as a table and,
// under it, as a chart. Printing puts the chart above the table; "保存图片" saves it as a PNG.
class TForm_statistics_shoufeilv : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_statistics_shoufeilv(QWidget *parent = nullptr);

    CollectionChart *chart() const { return m_chart; }

public slots:
    // "保存图片": the chart as a PNG file of the operator's choice.
    void saveChart();

protected:
    ReportRun::Computation computation() override;

private:
    // The chart and the rate's footer from the rows the grid shows.
    void showComputed(bool ok);

    CollectionChart *m_chart;
    bool m_byBuilding = false; // how the rows on show were computed
};
