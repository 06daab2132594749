// Printing a grid: every row on pages under a page header, the titles repeated on each page,
// the footer row and the line with the print time and the operator after the last row.
#include "components/common/prompt.h"
#include "components/grid/dbgrideh.h"
#include "components/grid/dbgrideh_p.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace {
const QString PrintFamily = QStringLiteral("宋体");

QFont printFont(qreal pixelSize)
{
    QFont f(PrintFamily);
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    return f;
}
}

void DBGridEh::printPreview(const PrintOptions &options)
{
    Prompt::printPreview(this, [this, options](QPrinter *printer) { render(printer, options); });
}

bool DBGridEh::printToPdf(const QString &path, const PrintOptions &options)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    Prompt::setUpPage(&printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    printPages(&painter, QRectF(0, 0, printer.width(), printer.height()), options);
    return painter.end() && QFileInfo(path).size() > 0;
}

void DBGridEh::render(QPrinter *printer, const PrintOptions &options)
{
    QPainter painter;
    if (!painter.begin(printer)) {
        return;
    }
    printPages(&painter, QRectF(0, 0, printer->width(), printer->height()), options);
    painter.end();
}

int DBGridEh::printPages(QPainter *painter, const QRectF &page, const PrintOptions &options)
{
    auto *device = dynamic_cast<QPagedPaintDevice *>(painter->device());
    const qreal px = painter->device()->logicalDpiY() / 96.0; // one screen pixel on the page

    // The visible columns, scaled together to the width of the page.
    QList<int> cols;
    qreal gridWidth = 0;
    for (int i = 0; i < d->model->columnCount(); ++i) {
        if (!isColumnHidden(i)) {
            cols << i;
            gridWidth += columnWidth(i);
        }
    }
    const qreal scale = gridWidth > 0 ? page.width() / gridWidth : px;
    QList<qreal> x {page.left()};
    QStringList titles;
    for (int c : cols) {
        x << x.last() + columnWidth(c) * scale;
        titles << d->model->column(c).title;
    }

    const qreal gridPixels = QFontInfo(font()).pixelSize();
    const QFont body = printFont(gridPixels * scale);
    const QFontMetricsF bodyMetrics(body, painter->device());
    const qreal pad = 3 * scale;
    const qreal line = bodyMetrics.height() + 2 * pad;
    const QFont titleFont = printFont(16 * px);
    const QFont pageFont = printFont(12 * px);
    QFont afterFont(PrintFamily);
    afterFont.setPointSizeF(8);
    const QFontMetricsF titleMetrics(titleFont, painter->device());
    const QFontMetricsF pageMetrics(pageFont, painter->device());
    const QFontMetricsF afterMetrics(afterFont, painter->device());

    const QPen gridPen(Qt::black, qMax<qreal>(1, px / 2));
    const int wrap = Qt::TextWrapAnywhere;
    int pageNo = 0;
    qreal y = 0;

    auto cellFlags = [](const GridColumn &c) {
        return int((c.alignment & Qt::AlignHorizontal_Mask).toInt()) | Qt::AlignVCenter;
    };

    auto drawTitles = [&] {
        painter->setFont(body);
        painter->setPen(gridPen);
        painter->setBrush(Qt::NoBrush);
        const QList<GridText::TitleCell> cells = GridText::titleCells(titles);
        const int levels = GridText::levelCount(titles);
        for (const GridText::TitleCell &cell : cells) {
            const QRectF r(x[cell.first], y + cell.topLevel * line, x[cell.last + 1] - x[cell.first],
                           (cell.bottomLevel - cell.topLevel) * line);
            painter->drawRect(r);
            painter->drawText(r.adjusted(pad, 0, -pad, 0), Qt::AlignCenter | wrap, cell.text);
        }
        y += levels * line;
    };
    auto startPage = [&] {
        if (pageNo > 0 && device) {
            device->newPage();
        }
        ++pageNo;
        y = page.top();
        painter->setPen(Qt::black);
        painter->setFont(titleFont);
        painter->drawText(QRectF(page.left(), y, page.width(), titleMetrics.height()),
                          Qt::AlignHCenter | Qt::AlignVCenter, options.title);
        // At the left: an empty line level with the title, then the page number.
        y += qMax(titleMetrics.height(), pageMetrics.height());
        painter->setFont(pageFont);
        painter->drawText(QRectF(page.left(), y, page.width(), pageMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          QStringLiteral("第%1页").arg(pageNo));
        y += pageMetrics.height() + pad;
    };

    // A block printed with the rows, on a page of its own when the rest of the page is too short
    // for it (and shrunk to a page when it is taller).
    auto printBlock = [&](const PrintBlock &block) {
        const qreal full = block.height(page.width());
        if (full <= 0) {
            return;
        }
        if (y + pad + full > page.bottom()) {
            startPage();
        }
        const qreal h = qMin(full, page.bottom() - y - pad);
        block.paint(painter, QRectF(page.left(), y + pad, page.width() * h / full, h));
        y += pad + h;
    };

    startPage();
    for (const PrintBlock &block : options.above) {
        printBlock(block);
        y += pad;
    }
    if (!cols.isEmpty()) {
        drawTitles();
    }
    const int rows = d->model->rowCount();
    painter->setBrush(Qt::NoBrush);
    for (int r = 0; r < rows && !cols.isEmpty(); ++r) {
        // A row is as high as its longest wrapped text.
        qreal h = line;
        QStringList texts;
        for (int i = 0; i < cols.size(); ++i) {
            texts << d->model->text(r, cols[i]);
            const QRectF room(0, 0, qMax<qreal>(1, x[i + 1] - x[i] - 2 * pad), 1e9);
            h = qMax(h, bodyMetrics.boundingRect(room, wrap, texts.last()).height() + 2 * pad);
        }
        if (y + h > page.bottom()) {
            startPage();
            drawTitles();
        }
        painter->setFont(body);
        painter->setPen(gridPen);
        for (int i = 0; i < cols.size(); ++i) {
            const QRectF cell(x[i], y, x[i + 1] - x[i], h);
            painter->drawRect(cell);
            painter->drawText(cell.adjusted(pad, pad, -pad, -pad), cellFlags(d->model->column(cols[i])) | wrap,
                              texts[i]);
        }
        y += h;
    }
    if (d->model->hasFooter() && !cols.isEmpty()) {
        if (y + line > page.bottom()) {
            startPage();
        }
        painter->setFont(body);
        painter->setPen(gridPen);
        for (int i = 0; i < cols.size(); ++i) {
            const GridColumn &c = d->model->column(cols[i]);
            const QRectF cell(x[i], y, x[i + 1] - x[i], line);
            painter->drawRect(cell);
            const int flags = c.footer == GridColumn::Footer::Text ? int(Qt::AlignCenter) : cellFlags(c);
            painter->drawText(cell.adjusted(pad, 0, -pad, 0), flags, d->model->footerText(cols[i]));
        }
        y += line;
    }
    // What stands under the grid.
    for (const PrintBlock &block : options.below) {
        printBlock(block);
    }
    // After the grid: the print time, 21 blanks, the operator.
    const qreal afterHeight = afterMetrics.height() * 1.5;
    if (y + afterHeight > page.bottom()) {
        startPage();
    }
    painter->setFont(afterFont);
    painter->setPen(Qt::black);
    painter->drawText(QRectF(page.left(), y + afterMetrics.height() * 0.5, page.width(), afterMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      options.printedAt + QString(21, QLatin1Char(' ')) + options.preparedBy);
    return pageNo;
}
