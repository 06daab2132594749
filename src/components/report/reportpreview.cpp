#include "components/report/reportpreview.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "components/report/reportpainter.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

namespace {
constexpr double MinZoom = 0.1;
constexpr double MaxZoom = 8;
constexpr double ZoomStep = 1.25;
constexpr int Gap = 12; // pixels of grey around the page
}

// The page on a grey ground, drawn once for each page and zoom into an image.
class ReportPageView : public QWidget
{
public:
    explicit ReportPageView(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("pageView"));
        setAccessibleName(QStringLiteral("报表页面"));
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(pal);
    }

    void display(const PreparedReport *report, int page, double pixelsPerMm, int highlight)
    {
        m_report = report;
        m_page = page;
        m_pixelsPerMm = pixelsPerMm;
        m_highlight = highlight;
        const QSizeF mm = report->report.page.size();
        m_pageSize = QSize(qRound(mm.width() * pixelsPerMm), qRound(mm.height() * pixelsPerMm));
        m_image = QImage();
        setFixedSize(m_pageSize + QSize(2 * Gap, 2 * Gap));
        update();
    }

    // Where an object of the page is shown, in this widget.
    QRect itemRect(int item) const
    {
        const QRectF r = m_report->pages[m_page].items[item].rect;
        return QRectF(Gap + r.x() * m_pixelsPerMm, Gap + r.y() * m_pixelsPerMm, r.width() * m_pixelsPerMm,
                      r.height() * m_pixelsPerMm)
            .toAlignedRect();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_report) {
            return;
        }
        if (m_image.isNull()) {
            const qreal ratio = devicePixelRatioF();
            m_image = QImage(m_pageSize * ratio, QImage::Format_RGB32);
            m_image.setDevicePixelRatio(ratio);
            // The image's resolution is the page's scale, so fonts come out at their size.
            const int dotsPerMeter = qRound(m_pixelsPerMm * 1000 * ratio);
            m_image.setDotsPerMeterX(dotsPerMeter);
            m_image.setDotsPerMeterY(dotsPerMeter);
            m_image.fill(Qt::white);
            QPainter p(&m_image);
            ReportPainter::paintPage(&p, *m_report, m_page, QRectF(QPointF(0, 0), QSizeF(m_pageSize * ratio)));
        }
        QPainter p(this);
        const QRect page(QPoint(Gap, Gap), m_pageSize);
        p.fillRect(page.translated(3, 3), QColor(0x50, 0x50, 0x50));
        p.drawImage(page.topLeft(), m_image);
        if (m_highlight >= 0) {
            p.fillRect(itemRect(m_highlight), QColor(255, 200, 0, 90));
            p.setPen(QPen(QColor(230, 120, 0), 2));
            p.drawRect(itemRect(m_highlight));
        }
    }

private:
    const PreparedReport *m_report = nullptr;
    int m_page = 0;
    double m_pixelsPerMm = 1;
    int m_highlight = -1;
    QSize m_pageSize;
    QImage m_image;
};

ReportPreview::ReportPreview(const PreparedReport &report, QWidget *parent)
    : QDialog(parent)
    , m_report(report)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("打印预览 - %1").arg(report.report.title));
    setSizeGripEnabled(true);
    resize(900, 720);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("toolBar"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    layout->addWidget(bar);

    const QColor zoomColour(0x15, 0x65, 0xc0);
    const QColor pageColour(0x2e, 0x7d, 0x32);
    const QColor fileColour(0x6a, 0x1b, 0x9a);
    auto add = [&](const char *name, const QString &caption, const QString &glyph, const QColor &colour,
                   const QString &tip, const std::function<void()> &action) {
        QToolButton *b = addButton(QString::fromLatin1(name), caption, glyph, colour, tip);
        row->addWidget(b);
        connect(b, &QToolButton::clicked, this, action);
        return b;
    };
    add("btnFitWidth", QStringLiteral("页宽"), QStringLiteral("↔"), zoomColour, QStringLiteral("按页面宽度显示"),
        [this] { fitWidth(); });
    add("btnFitPage", QStringLiteral("整页"), QStringLiteral("□"), zoomColour, QStringLiteral("显示整页"),
        [this] { fitPage(); });
    add("btnActualSize", QStringLiteral("100%"), QStringLiteral("1"), zoomColour, QStringLiteral("按实际大小显示"),
        [this] { setZoom(1); });
    add("btnZoomIn", QStringLiteral("放大"), QStringLiteral("+"), zoomColour, QStringLiteral("放大 (+)"),
        [this] { zoomIn(); });
    add("btnZoomOut", QStringLiteral("缩小"), QStringLiteral("−"), zoomColour, QStringLiteral("缩小 (-)"),
        [this] { zoomOut(); });
    m_zoomLabel = new QLabel(bar);
    m_zoomLabel->setObjectName(QStringLiteral("zoomLabel"));
    m_zoomLabel->setMinimumWidth(48);
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    row->addWidget(m_zoomLabel);
    row->addSpacing(8);

    m_first = add("btnFirst", QStringLiteral("首页"), QStringLiteral("⇤"), pageColour,
                  QStringLiteral("第一页 (Ctrl+Home)"), [this] { showPage(0); });
    m_prior = add("btnPrior", QStringLiteral("上页"), QStringLiteral("←"), pageColour, QStringLiteral("上一页 (PgUp)"),
                  [this] { showPage(m_page - 1); });
    auto *pageLabel = new QLabel(QStringLiteral("第"), bar);
    m_pageBox = new QSpinBox(bar);
    m_pageBox->setObjectName(QStringLiteral("pageBox"));
    m_pageBox->setAccessibleName(QStringLiteral("页码"));
    m_pageBox->setRange(1, qMax(1, pageCount()));
    pageLabel->setBuddy(m_pageBox);
    m_pageCount = new QLabel(QStringLiteral("页 共 %1 页").arg(pageCount()), bar);
    m_pageCount->setObjectName(QStringLiteral("pageCount"));
    row->addWidget(pageLabel);
    row->addWidget(m_pageBox);
    row->addWidget(m_pageCount);
    m_next = add("btnNext", QStringLiteral("下页"), QStringLiteral("→"), pageColour, QStringLiteral("下一页 (PgDn)"),
                 [this] { showPage(m_page + 1); });
    m_last = add("btnLast", QStringLiteral("末页"), QStringLiteral("⇥"), pageColour,
                 QStringLiteral("最后一页 (Ctrl+End)"), [this] { showPage(pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int v) { showPage(v - 1); });
    row->addSpacing(8);

    auto *findLabel = new QLabel(QStringLiteral("查找："), bar);
    m_findEdit = new QLineEdit(bar);
    m_findEdit->setObjectName(QStringLiteral("findEdit"));
    m_findEdit->setAccessibleName(QStringLiteral("要查找的文字"));
    m_findEdit->setPlaceholderText(QStringLiteral("要查找的文字"));
    m_findEdit->setMinimumWidth(90);
    m_findEdit->setMaximumWidth(160);
    findLabel->setBuddy(m_findEdit);
    row->addWidget(findLabel);
    row->addWidget(m_findEdit);
    add("btnFind", QStringLiteral("查找"), QStringLiteral("查"), fileColour,
        QStringLiteral("查找下一处 (Ctrl+F, Enter)"), [this] { findNext(m_findEdit->text()); });
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] { findNext(m_findEdit->text()); });
    row->addStretch(1);
    add("btnPrint", QStringLiteral("打印"), QStringLiteral("印"), fileColour, QStringLiteral("打印 (Ctrl+P)"),
        [this] { print(); });
    add("btnSave", QStringLiteral("保存"), QStringLiteral("存"), fileColour, QStringLiteral("保存为 PDF 文件"),
        [this] { saveAsPdf(); });
    add("btnClose", QStringLiteral("关闭"), QStringLiteral("✕"), QColor(0x9e, 0x9e, 0x9e),
        QStringLiteral("关闭预览 (Esc)"), [this] { reject(); });

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("pageArea"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_view = new ReportPageView(m_scroll);
    m_scroll->setWidget(m_view);
    layout->addWidget(m_scroll, 1);

    // Keys of the whole window; + and - only over the page, so that the find box takes them.
    auto key = [this](const QKeySequence &seq, QWidget *over, auto what) {
        auto *shortcut = new QShortcut(seq, over);
        shortcut->setContext(over == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, what);
    };
    key(QKeySequence(Qt::Key_PageDown), this, [this] { showPage(m_page + 1); });
    key(QKeySequence(Qt::Key_PageUp), this, [this] { showPage(m_page - 1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Home), this, [this] { showPage(0); });
    key(QKeySequence(Qt::CTRL | Qt::Key_End), this, [this] { showPage(pageCount() - 1); });
    key(QKeySequence(Qt::Key_Plus), m_scroll, [this] { zoomIn(); });
    key(QKeySequence(Qt::Key_Minus), m_scroll, [this] { zoomOut(); });
    key(QKeySequence::Find, this, [this] { m_findEdit->setFocus(); });
    key(QKeySequence::Print, this, [this] { print(); });
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->setFocus();

    m_zoom = 1;
    updateView();
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::present(QWidget *parent, const PreparedReport &report)
{
    Prompt::documentPreview(
        parent,
        [&report](QPrinter *printer) {
            ReportPainter::setUpPage(printer, report.report.page);
            ReportPainter::print(printer, report);
        },
        [&report](QWidget *owner) {
            ReportPreview window(report, owner);
            window.setWindowState(window.windowState() | Qt::WindowMaximized);
            window.exec();
        });
}

QToolButton *ReportPreview::addButton(const QString &name, const QString &caption, const QString &glyph,
                                      const QColor &colour, const QString &tip)
{
    QToolButton *b = Icons::button(this, name, caption, glyph, colour);
    b->setToolTip(tip);
    return b;
}

double ReportPreview::fitZoom(Fit fit) const
{
    const double pxPerMm = logicalDpiX() / 25.4;
    const QSize room = m_scroll->maximumViewportSize() - QSize(2 * Gap + 4, 2 * Gap + 4);
    const QSizeF page = m_report.report.page.size() * pxPerMm;
    double z = (room.width() - m_scroll->verticalScrollBar()->sizeHint().width()) / page.width();
    if (fit == Fit::Page) {
        z = qMin(room.width() / page.width(), room.height() / page.height());
    }
    return qBound(MinZoom, z, MaxZoom);
}

void ReportPreview::updateView()
{
    if (m_fit != Fit::None) {
        m_zoom = fitZoom(m_fit);
    }
    m_view->display(&m_report, m_page, m_zoom * logicalDpiX() / 25.4, m_foundPage == m_page ? m_foundItem : -1);
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(m_page + 1);
    m_zoomLabel->setText(QStringLiteral("%1%").arg(qRound(m_zoom * 100)));
    m_first->setEnabled(m_page > 0);
    m_prior->setEnabled(m_page > 0);
    m_next->setEnabled(m_page < pageCount() - 1);
    m_last->setEnabled(m_page < pageCount() - 1);
}

void ReportPreview::showPage(int page)
{
    page = qBound(0, page, pageCount() - 1);
    if (page != m_page) {
        m_page = page;
        updateView();
        m_scroll->verticalScrollBar()->setValue(0);
    }
}

void ReportPreview::setZoom(double zoom)
{
    m_fit = Fit::None;
    m_zoom = qBound(MinZoom, zoom, MaxZoom);
    updateView();
}

void ReportPreview::fitWidth()
{
    m_fit = Fit::Width;
    updateView();
}

void ReportPreview::fitPage()
{
    m_fit = Fit::Page;
    updateView();
}

void ReportPreview::zoomIn()
{
    setZoom(m_zoom * ZoomStep);
}

void ReportPreview::zoomOut()
{
    setZoom(m_zoom / ZoomStep);
}

void ReportPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_fit != Fit::None) {
        updateView();
    }
}

bool ReportPreview::findNext(const QString &text)
{
    if (text.isEmpty()) {
        return false;
    }
    if (text != m_lastFind) {
        m_lastFind = text;
        m_foundPage = m_page;
        m_foundItem = -1;
    }
    // From just after the last find, through the last page and round from the first.
    const int pages = pageCount();
    int page = m_foundPage < 0 ? m_page : m_foundPage;
    int item = m_foundPage < 0 ? -1 : m_foundItem;
    for (int step = 0; step <= pages; ++step) {
        const QList<PreparedItem> &items = m_report.pages[page].items;
        for (int i = item + 1; i < items.size(); ++i) {
            if (items[i].text.contains(text, Qt::CaseInsensitive)) {
                m_foundPage = page;
                m_foundItem = i;
                m_page = page;
                updateView();
                m_scroll->ensureVisible(m_view->itemRect(i).center().x(), m_view->itemRect(i).center().y(), 40, 80);
                return true;
            }
        }
        page = (page + 1) % pages;
        item = -1;
    }
    m_foundItem = -1;
    updateView();
    Prompt::notice(this, QStringLiteral("没有找到“%1”。").arg(text), Prompt::Icon::Information);
    return false;
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    ReportPainter::setUpPage(&printer, m_report.report.page);
    printer.setDocName(m_report.report.title);
    printer.setFromTo(1, pageCount());
    Prompt::print(this, &printer, [this](QPrinter *p) {
        if (!ReportPainter::print(p, m_report)) {
            Prompt::notice(this, QStringLiteral("打印没有完成。"));
        }
    });
}

void ReportPreview::saveAsPdf()
{
    const QString path = Prompt::saveFile(this, QStringLiteral("保存为 PDF 文件"), m_report.report.title + u".pdf",
                                          {QStringLiteral("PDF 文件 (*.pdf)")}, nullptr, QStringLiteral("pdf"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!ReportPainter::writePdf(m_report, path, &error)) {
        Prompt::notice(this, error);
    }
}
