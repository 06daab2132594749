#pragma once

#include "components/grid/dbgrideh.h"
#include "reports/core/collectionrates.h"

#include <QChartView>
#include <QList>

class QCategoryAxis;
class QGraphicsSimpleTextItem;
class ChartLegendBand;

// The collection rate as a chart: per month the paid (已收) and unpaid (未收) amounts as
// stacked bars on the amount axis at the left, and the rate (收费率) as a line on the percent
// axis at the right, 0 to 100 %; by building, one line of the rate per building. Month labels
// thin out so that they never overlap, the legend wraps onto as many lines as it needs, and
// paid and unpaid, and the buildings' lines, stay apart when printed in grey (dark and light
// bars, lines differing in dash as well as colour). Without rows it shows
// "所选期间没有应收费用".
class CollectionChart : public QChartView
{
    Q_OBJECT
public:
    explicit CollectionChart(QWidget *parent = nullptr);
    ~CollectionChart() override;

    // Draws the rows, in any order: month by month, and by building when byBuilding.
    void showRows(const QList<CollectionRow> &rows, bool byBuilding);
    // The months on the axis, in order, and the labels shown under them ("" where thinned out).
    QList<YearMonth> months() const { return m_months; }
    QStringList shownLabels() const;

    // The chart as a picture of the widget's size (a PNG of "保存图片").
    QImage picture();
    // The chart on paper: as wide as the page, shaped as on the screen, drawn as vector
    // graphics (lines, shapes and text, no picture).
    PrintBlock printBlock();

    static const QString NoBillsText; // "所选期间没有应收费用"

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void settle();
    void labelMonths();
    void placeOverlays();

    QList<YearMonth> m_months;
    QCategoryAxis *m_monthAxis = nullptr;
    QGraphicsSimpleTextItem *m_empty = nullptr;
    ChartLegendBand *m_legend = nullptr;
};
