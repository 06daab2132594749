#include "components/report/reportpainter.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace {

constexpr double TextPadding = 1; // millimetres between a text and its box's left and right edges

// A font of the given size in points on a page drawn at scale device units per millimetre,
// whatever resolution the device reports.
QFont fontFor(const ReportFont &f, double scale, const QPaintDevice *device)
{
    QFont font(f.family);
    font.setPointSizeF(qMax(0.1, f.size * scale * 25.4 / qMax(1, device->logicalDpiY())));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    return font;
}

int flagsOf(const ReportObject &o)
{
    int flags = o.hAlign == HAlign::Left ? Qt::AlignLeft
        : o.hAlign == HAlign::Center     ? Qt::AlignHCenter
                                         : Qt::AlignRight;
    flags |= o.vAlign == VAlign::Top ? Qt::AlignTop : o.vAlign == VAlign::Center ? Qt::AlignVCenter : Qt::AlignBottom;
    if (o.wordWrap) {
        flags |= Qt::TextWordWrap;
    }
    return flags;
}

QPen penFor(const ReportObject &o, double scale)
{
    QPen pen(Qt::black, qMax(0.0, o.lineWidth * scale));
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void drawObject(QPainter *p, const ReportObject &o, const QRectF &r, const QString &text, double scale,
                const QFont *font)
{
    switch (o.kind) {
    case ObjectKind::Text: {
        if (o.frame.any() && o.lineWidth > 0) {
            p->setPen(penFor(o, scale));
            if (o.frame.all()) {
                p->setBrush(Qt::NoBrush);
                p->drawRect(r);
            } else {
                if (o.frame.left) {
                    p->drawLine(r.topLeft(), r.bottomLeft());
                }
                if (o.frame.top) {
                    p->drawLine(r.topLeft(), r.topRight());
                }
                if (o.frame.right) {
                    p->drawLine(r.topRight(), r.bottomRight());
                }
                if (o.frame.bottom) {
                    p->drawLine(r.bottomLeft(), r.bottomRight());
                }
            }
        }
        if (!text.isEmpty()) {
            if (p->font() != *font) {
                p->setFont(*font);
            }
            p->setPen(Qt::black);
            const double pad = TextPadding * scale;
            p->drawText(r.adjusted(pad, 0, -pad, 0), flagsOf(o), text);
        }
        break;
    }
    case ObjectKind::Line:
        p->setPen(penFor(o, scale));
        p->drawLine(r.topLeft(), r.bottomRight());
        break;
    case ObjectKind::Rect:
        p->setPen(penFor(o, scale));
        p->setBrush(Qt::NoBrush);
        p->drawRect(r);
        break;
    case ObjectKind::Picture: {
        const QImage image = QImage::fromData(o.picture);
        if (!image.isNull()) {
            // Kept in proportion, centred in its box.
            QSizeF size = image.size();
            size.scale(r.size(), Qt::KeepAspectRatio);
            const QRectF at(r.center() - QPointF(size.width() / 2, size.height() / 2), size);
            p->drawImage(at, image);
        }
        break;
    }
    }
}

} // namespace

void ReportPainter::paintObject(QPainter *painter, const ReportObject &object, const QRectF &rect, const QString &text,
                                double scale)
{
    const QFont font = fontFor(object.font, scale, painter->device());
    painter->save();
    // A text longer than its box is cut at the box, so the design stays readable.
    painter->setClipRect(rect.normalized().adjusted(-scale, -scale, scale, scale));
    drawObject(painter, object, rect, text, scale, &font);
    painter->restore();
}

void ReportPainter::paintPage(QPainter *painter, const PreparedReport &report, int page, const QRectF &target)
{
    if (page < 0 || page >= report.pages.size()) {
        return;
    }
    const double scale = target.width() / report.report.page.width();
    // One font for each text object, made the first time it is needed.
    QList<QList<std::optional<QFont>>> fonts;
    for (const ReportBand &b : report.report.bands) {
        fonts << QList<std::optional<QFont>>(b.objects.size());
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    for (const PreparedItem &item : report.pages[page].items) {
        const ReportObject &o = report.object(item);
        std::optional<QFont> &font = fonts[item.band][item.object];
        if (!font && o.kind == ObjectKind::Text) {
            font = fontFor(o.font, scale, painter->device());
        }
        const QRectF r(target.left() + item.rect.x() * scale, target.top() + item.rect.y() * scale,
                       item.rect.width() * scale, item.rect.height() * scale);
        drawObject(painter, o, r, item.text, scale, font ? &*font : nullptr);
    }
    painter->restore();
}

void ReportPainter::setUpPage(QPagedPaintDevice *device, const ReportPage &page)
{
    const QPageSize size(QSizeF(page.paperWidth, page.paperHeight), QPageSize::Millimeter, QString(),
                         QPageSize::FuzzyMatch);
    device->setPageLayout(QPageLayout(size, page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

namespace {
bool paintAll(QPagedPaintDevice *device, const PreparedReport &report, int from, int to)
{
    QPainter painter;
    if (!painter.begin(device)) {
        return false;
    }
    const QRectF target = device->pageLayout().fullRectPixels(device->logicalDpiX());
    for (int p = from; p <= to; ++p) {
        if (p > from && !device->newPage()) {
            return false;
        }
        ReportPainter::paintPage(&painter, report, p, target);
    }
    return painter.end();
}
}

bool ReportPainter::print(QPrinter *printer, const PreparedReport &report)
{
    printer->setFullPage(true);
    int from = 0;
    int to = int(report.pages.size()) - 1;
    if (printer->printRange() == QPrinter::PageRange && printer->fromPage() > 0) {
        from = qMax(0, printer->fromPage() - 1);
        to = qMin(to, printer->toPage() - 1);
    }
    return from <= to && paintAll(printer, report, from, to);
}

bool ReportPainter::writePdf(const PreparedReport &report, const QString &path, QString *error)
{
    bool ok = false;
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("Parvell"));
        writer.setTitle(report.report.title);
        setUpPage(&writer, report.report.page);
        ok = paintAll(&writer, report, 0, int(report.pages.size()) - 1);
    }
    ok = ok && QFileInfo(path).size() > 0;
    if (!ok && error) {
        *error = QStringLiteral("不能写入文件 %1").arg(QDir::toNativeSeparators(path));
    }
    return ok;
}
