#include "reports/collectionchart.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QMap>
#include <QPainter>
#include <QStackedBarSeries>
#include <QValueAxis>

namespace {
const QColor PaidColour(40, 70, 120); // dark: almost black in grey
const QColor UnpaidColour(246, 196, 140); // light: pale grey
const QColor RateColour(200, 30, 30);
constexpr int MinimumPlotHeight = 280;

// Ten colours of different lightness and three dashes: thirty buildings, thirty distinct lines.
const QList<QColor> &buildingColours()
{
    static const QList<QColor> colours {{31, 119, 180}, {214, 39, 40},   {44, 160, 44}, {0, 0, 0},
                                        {255, 127, 14}, {148, 103, 189}, {140, 86, 75}, {227, 119, 194},
                                        {23, 190, 207}, {127, 127, 127}};
    return colours;
}

QPen buildingPen(int i)
{
    static const Qt::PenStyle dashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    QPen pen(buildingColours()[i % buildingColours().size()], 2);
    pen.setStyle(dashes[i % 3]);
    return pen;
}

QString monthLabel(const YearMonth &ym)
{
    return ym.yearCaption() + ym.monthCaption();
}
}

// The legend under the plot: a sample of each bar set and line with its name, placed left to
// right and wrapped onto further lines when the chart is too narrow for them all.
class ChartLegendBand : public QGraphicsItem
{
public:
    struct Entry
    {
        QString name;
        QPen pen; // a line
        QBrush brush; // a bar, when set
    };

    explicit ChartLegendBand(QGraphicsItem *parent)
        : QGraphicsItem(parent)
    { }

    void setEntries(const QList<Entry> &entries, const QFont &font)
    {
        prepareGeometryChange();
        m_entries = entries;
        m_font = font;
    }
    // Lays the entries out across width; the height they take.
    qreal layOut(qreal width)
    {
        prepareGeometryChange();
        const QFontMetricsF fm(m_font);
        m_lineHeight = fm.height() + 6;
        m_places.clear();
        qreal x = 0, y = 0;
        for (const Entry &e : std::as_const(m_entries)) {
            const qreal w = SampleWidth + 4 + fm.horizontalAdvance(e.name) + 16;
            if (x > 0 && x + w > width) {
                x = 0;
                y += m_lineHeight;
            }
            m_places << QPointF(x, y);
            x += w;
        }
        m_size = QSizeF(width, m_entries.isEmpty() ? 0 : y + m_lineHeight);
        return m_size.height();
    }

    QRectF boundingRect() const override { return QRectF(QPointF(), m_size); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->setFont(m_font);
        for (int i = 0; i < m_entries.size() && i < m_places.size(); ++i) {
            const Entry &e = m_entries[i];
            const QPointF at = m_places[i];
            const qreal mid = at.y() + m_lineHeight / 2;
            if (e.brush.style() != Qt::NoBrush) {
                painter->setPen(QPen(Qt::black, 0.8));
                painter->setBrush(e.brush);
                painter->drawRect(QRectF(at.x(), mid - 6, SampleWidth, 12));
            } else {
                painter->setPen(e.pen);
                painter->drawLine(QPointF(at.x(), mid), QPointF(at.x() + SampleWidth, mid));
            }
            painter->setPen(Qt::black);
            painter->drawText(QRectF(at.x() + SampleWidth + 4, at.y(), 1000, m_lineHeight),
                              Qt::AlignLeft | Qt::AlignVCenter, e.name);
        }
    }

private:
    static constexpr qreal SampleWidth = 28;
    QList<Entry> m_entries;
    QList<QPointF> m_places;
    QFont m_font;
    qreal m_lineHeight = 0;
    QSizeF m_size;
};

const QString CollectionChart::NoBillsText = QStringLiteral("所选期间没有应收费用");

CollectionChart::CollectionChart(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("Chart1"));
    setAccessibleName(QStringLiteral("收费率图表"));
    setRenderHint(QPainter::Antialiasing);
    setMinimumHeight(MinimumPlotHeight);
    chart()->legend()->hide();
    chart()->setTitle(QStringLiteral("收费率统计"));
    chart()->setBackgroundRoundness(0);
    m_legend = new ChartLegendBand(chart());
    m_empty = new QGraphicsSimpleTextItem(NoBillsText, chart());
    m_empty->setZValue(10);
    connect(chart(), &QChart::plotAreaChanged, this, [this] {
        labelMonths();
        placeOverlays();
    });
    connect(chart(), &QGraphicsWidget::geometryChanged, this, &CollectionChart::placeOverlays);
    showRows({}, false);
}

CollectionChart::~CollectionChart() = default;

void CollectionChart::showRows(const QList<CollectionRow> &rows, bool byBuilding)
{
    QChart *c = chart();
    c->removeAllSeries();
    for (QAbstractAxis *axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    const QFont font = this->font();
    QFont titleFont = font;
    titleFont.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() + 4 : 16);
    titleFont.setBold(true);
    c->setTitleFont(titleFont);

    // Month by month: the sums of all buildings, and each building's own.
    struct Sums
    {
        Money billed, paid, unpaid;
    };
    QMap<int, Sums> byMonth;
    QMap<QString, QMap<int, Sums>> perBuilding;
    QStringList buildingOrder; // as the rows come: the report's order of buildings
    for (const CollectionRow &r : rows) {
        Sums &m = byMonth[r.month.step()];
        m.billed += r.billed;
        m.paid += r.paid;
        m.unpaid += r.unpaid;
        if (byBuilding) {
            if (!perBuilding.contains(r.building)) {
                buildingOrder << r.building;
            }
            Sums &b = perBuilding[r.building][r.month.step()];
            b.billed += r.billed;
            b.paid += r.paid;
        }
    }
    m_months.clear();
    for (auto it = byMonth.cbegin(); it != byMonth.cend(); ++it) {
        m_months << YearMonth::fromStep(it.key());
    }
    m_empty->setVisible(m_months.isEmpty());
    QFont emptyFont = font;
    emptyFont.setPixelSize(titleFont.pixelSize());
    m_empty->setFont(emptyFont);

    // The months along the bottom, one step apart, the bars centred on them.
    m_monthAxis = new QCategoryAxis;
    m_monthAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_monthAxis->setLabelsFont(font);
    m_monthAxis->setGridLineVisible(false);
    m_monthAxis->setTruncateLabels(false);
    m_monthAxis->setRange(-0.5, qMax<qsizetype>(1, m_months.size()) - 0.5);
    c->addAxis(m_monthAxis, Qt::AlignBottom);

    const auto valueAxis = [&](const QString &title, Qt::Alignment side) {
        auto *axis = new QValueAxis;
        axis->setTitleText(title);
        axis->setTitleFont(font);
        axis->setLabelsFont(font);
        axis->setLabelFormat(QStringLiteral("%.0f"));
        axis->setTruncateLabels(false);
        c->addAxis(axis, side);
        return axis;
    };
    QValueAxis *amountAxis = valueAxis(QStringLiteral("金额（元）"), Qt::AlignLeft);
    QValueAxis *rateAxis = valueAxis(QStringLiteral("收费率（%）"), Qt::AlignRight);
    rateAxis->setGridLineVisible(false);

    QList<ChartLegendBand::Entry> legend;
    auto *bars = new QStackedBarSeries;
    auto *paid = new QBarSet(QStringLiteral("已收"));
    auto *unpaid = new QBarSet(QStringLiteral("未收"));
    paid->setColor(PaidColour);
    paid->setBorderColor(Qt::black);
    unpaid->setColor(UnpaidColour);
    unpaid->setBorderColor(Qt::black);
    double low = 0, high = 0, lowRate = 0, highRate = 100;
    for (const Sums &m : std::as_const(byMonth)) {
        *paid << m.paid.toReal();
        *unpaid << m.unpaid.toReal();
        // Stacked from zero: positive parts upwards, negative ones downwards.
        high = qMax(high, qMax(0.0, m.paid.toReal()) + qMax(0.0, m.unpaid.toReal()));
        low = qMin(low, qMin(0.0, m.paid.toReal()) + qMin(0.0, m.unpaid.toReal()));
    }
    bars->append(paid);
    bars->append(unpaid);
    bars->setBarWidth(0.6);
    c->addSeries(bars);
    bars->attachAxis(m_monthAxis);
    bars->attachAxis(amountAxis);
    legend << ChartLegendBand::Entry {paid->label(), {}, paid->brush()}
           << ChartLegendBand::Entry {unpaid->label(), {}, unpaid->brush()};

    // The rate's points at each month's place; a month without anything billed has none.
    const auto addRateLine = [&](const QString &name, const QMap<int, Sums> &sums, const QPen &pen) {
        auto *line = new QLineSeries;
        line->setName(name);
        line->setPen(pen);
        line->setPointsVisible(true);
        for (int i = 0; i < m_months.size(); ++i) {
            const auto it = sums.constFind(m_months[i].step());
            if (it == sums.cend()) {
                continue;
            }
            if (const auto tenths = CollectionRates::rateTenths(it->paid, it->billed)) {
                const double percent = double(*tenths) / 10;
                line->append(i, percent);
                lowRate = qMin(lowRate, percent);
                highRate = qMax(highRate, percent);
            }
        }
        c->addSeries(line);
        line->attachAxis(m_monthAxis);
        line->attachAxis(rateAxis);
        legend << ChartLegendBand::Entry {name, pen, Qt::NoBrush};
    };
    if (m_months.isEmpty()) {
        // Nothing billed: no line to draw, the chart says so.
    } else if (byBuilding) {
        for (int i = 0; i < buildingOrder.size(); ++i) {
            const QString &b = buildingOrder[i];
            addRateLine(QStringLiteral("收费率 ") + (b.isEmpty() ? QStringLiteral("（未填楼宇）") : b),
                        perBuilding.value(b), buildingPen(i));
        }
    } else {
        addRateLine(QStringLiteral("收费率"), byMonth, QPen(RateColour, 2.5));
    }
    amountAxis->setRange(low, high > low ? high * 1.05 : low + 100);
    amountAxis->applyNiceNumbers();
    rateAxis->setRange(qFloor(lowRate / 10) * 10, qCeil(highRate / 10) * 10);
    rateAxis->setTickCount(int(rateAxis->max() - rateAxis->min()) / 10 + 1);

    m_legend->setEntries(legend, font);
    labelMonths();
    placeOverlays();
}

QStringList CollectionChart::shownLabels() const
{
    QStringList shown;
    for (const YearMonth &ym : m_months) {
        shown << (m_monthAxis && m_monthAxis->categoriesLabels().contains(monthLabel(ym)) ? monthLabel(ym) : QString());
    }
    return shown;
}

void CollectionChart::labelMonths()
{
    if (!m_monthAxis) {
        return;
    }
    // As many labels as fit side by side under the plot, every n-th month, the first always.
    const QStringList old = m_monthAxis->categoriesLabels();
    const QFontMetricsF fm(m_monthAxis->labelsFont());
    qreal widest = 0;
    for (const YearMonth &ym : std::as_const(m_months)) {
        widest = qMax(widest, fm.horizontalAdvance(monthLabel(ym)));
    }
    const qreal room = qMax<qreal>(1, chart()->plotArea().width());
    const int fits = qMax(1, int(room / (widest + 12)));
    const int every = qMax<int>(1, int((m_months.size() + fits - 1) / fits));
    QStringList labels;
    for (int i = 0; i < m_months.size(); i += every) {
        labels << monthLabel(m_months[i]);
    }
    if (labels == old) {
        return;
    }
    for (const QString &l : old) {
        m_monthAxis->remove(l);
    }
    for (int i = 0, n = 0; i < m_months.size(); i += every, ++n) {
        m_monthAxis->append(labels[n], i);
    }
    m_monthAxis->setStartValue(-0.5);
}

void CollectionChart::placeOverlays()
{
    // The legend in the chart's bottom margin, as high as its lines need.
    const QRectF whole(QPointF(), chart()->size());
    const qreal height = m_legend->layOut(whole.width() - 24);
    QMargins margins = chart()->margins();
    if (margins.bottom() != int(height) + 8) {
        margins.setBottom(int(height) + 8);
        chart()->setMargins(margins);
        // A legend of many lines takes its room below the plot, not out of it.
        setMinimumHeight(MinimumPlotHeight + int(height));
    }
    // Right under the month labels.
    const QRectF plot = chart()->plotArea();
    m_legend->setPos(12, plot.bottom() + QFontMetricsF(font()).height() + 10);
    const QRectF text = m_empty->boundingRect();
    m_empty->setPos(plot.center() - QPointF(text.width() / 2, text.height() / 2));
}

void CollectionChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    placeOverlays();
    labelMonths();
}

void CollectionChart::settle()
{
    // The chart lays out its axes and labels when the event loop next turns; a picture or a
    // print taken before then takes them as they are now.
    chart()->layout()->activate();
    labelMonths();
    placeOverlays();
}

QImage CollectionChart::picture()
{
    settle();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene()->render(&painter, QRectF(image.rect()), chart()->geometry());
    return image;
}

PrintBlock CollectionChart::printBlock()
{
    return {[this](qreal width) { return width * height() / qMax(1, this->width()); },
            [this](QPainter *painter, const QRectF &area) {
                settle();
                painter->save();
                painter->setRenderHint(QPainter::Antialiasing);
                scene()->render(painter, area, chart()->geometry());
                painter->restore();
            }};
}
