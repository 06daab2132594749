#include "components/report/core/reportengine.h"

#include "components/report/core/reportexpression.h"

namespace {

constexpr double Slack = 0.005; // a hundredth of a millimetre is no overflow

// A band put on a page at a height, for a row.
struct Placement
{
    int band;
    double y;
    int row;
};

struct PageLayout
{
    QList<Placement> bands;
    int firstRow = 0;
    int endRow = 0;
};

class Paginator
{
public:
    Paginator(const ReportTemplate &t, int rows)
        : m_t(t)
        , m_rows(rows)
    { }

    QList<PageLayout> run()
    {
        const int master = m_t.bandIndex(BandKind::MasterData);
        const int summary = m_t.bandIndex(BandKind::Summary);
        const int footer = m_t.bandIndex(BandKind::PageFooter);
        m_limit = m_t.page.height() - m_t.page.bottom - (footer >= 0 ? m_t.bands[footer].height : 0);
        startPage(0);
        if (master >= 0) {
            const double h = m_t.bands[master].height;
            for (int r = 0; r < m_rows; ++r) {
                if (m_y + h > m_limit + Slack) {
                    endPage(footer);
                    startPage(r);
                }
                place(master, r);
                m_pages.last().endRow = r + 1;
            }
        }
        if (summary >= 0) {
            if (m_y + m_t.bands[summary].height > m_limit + Slack) {
                endPage(footer);
                startPage(m_rows);
            }
            place(summary, m_rows - 1);
        }
        endPage(footer);
        return m_pages;
    }

private:
    void startPage(int row)
    {
        PageLayout page;
        page.firstRow = row;
        page.endRow = row;
        m_pages << page;
        m_y = m_t.page.top;
        if (m_pages.size() == 1) {
            place(m_t.bandIndex(BandKind::ReportTitle), m_rows > 0 ? 0 : -1);
        }
        place(m_t.bandIndex(BandKind::PageHeader), -1);
    }

    void endPage(int footer)
    {
        if (footer >= 0) {
            m_pages.last().bands << Placement {footer, m_limit, -1};
        }
    }

    void place(int band, int row)
    {
        if (band >= 0) {
            m_pages.last().bands << Placement {band, m_y, row};
            m_y += m_t.bands[band].height;
        }
    }

    const ReportTemplate &m_t;
    int m_rows;
    double m_y = 0;
    double m_limit = 0;
    QList<PageLayout> m_pages;
};

} // namespace

std::optional<PreparedReport> ReportEngine::prepare(const ReportTemplate &t, const ReportSources &sources,
                                                    QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (const QString f = t.fault(); !f.isEmpty()) {
        return refuse(f);
    }
    const ReportBand *masterBand = t.band(BandKind::MasterData);
    const QString master = masterBand ? masterBand->dataSet : QString();
    const ReportData *data = master.isEmpty() ? nullptr : sources.value(master);
    if (masterBand && !data) {
        return refuse(QStringLiteral("没有主数据栏要打印的数据集“%1”").arg(master));
    }
    const int rows = data ? data->rowCount() : 0;

    // Every text compiled once against the data sets: unknown fields are found here.
    QList<QList<std::optional<CompiledText>>> texts;
    for (const ReportBand &b : t.bands) {
        QList<std::optional<CompiledText>> band;
        for (const ReportObject &o : b.objects) {
            if (o.kind != ObjectKind::Text) {
                band << std::nullopt;
                continue;
            }
            QString why;
            band << CompiledText::compile(o.text, sources, master, &why);
            if (!band.last()) {
                return refuse(QStringLiteral("%1的对象“%2”：%3").arg(ReportTemplate::bandCaption(b.kind), o.name, why));
            }
        }
        texts << band;
    }

    const QList<PageLayout> layout = Paginator(t, rows).run();
    PreparedReport out;
    out.report = t;
    out.pages.reserve(layout.size());
    const double left = t.page.left;
    for (int p = 0; p < layout.size(); ++p) {
        const PageLayout &page = layout[p];
        PreparedPage prepared;
        prepared.firstRow = page.firstRow;
        prepared.endRow = page.endRow;
        const bool hasRows = page.endRow > page.firstRow;
        for (const Placement &pl : page.bands) {
            const ReportBand &band = t.bands[pl.band];
            ReportScope scope;
            scope.page = p + 1;
            scope.pages = int(layout.size());
            scope.end = rows;
            switch (band.kind) {
            case BandKind::PageHeader:
            case BandKind::PageFooter:
                scope.first = page.firstRow;
                scope.end = page.endRow;
                scope.row = !hasRows ? rows - 1 : band.kind == BandKind::PageHeader ? page.firstRow : page.endRow - 1;
                break;
            default:
                scope.row = pl.row;
                break;
            }
            for (int i = 0; i < band.objects.size(); ++i) {
                const ReportObject &o = band.objects[i];
                PreparedItem item;
                item.band = pl.band;
                item.object = i;
                item.rect = QRectF(left + o.x, pl.y + o.y, o.width, o.height);
                if (const std::optional<CompiledText> &text = texts[pl.band][i]) {
                    item.text = text->evaluate(scope);
                }
                prepared.items << item;
            }
        }
        out.pages << prepared;
    }
    return out;
}
