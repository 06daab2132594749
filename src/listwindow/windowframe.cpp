#include "listwindow/windowframe.h"

#include "components/grid/gridexport.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A widget printed under the rows: as wide as the page, as high as its shape on the screen
// makes it at that width.
PrintBlock printed(QWidget *widget)
{
    return {[widget](qreal width) { return width * widget->height() / qMax(1, widget->width()); },
            [widget](QPainter *painter, const QRectF &area) {
                painter->save();
                painter->translate(area.topLeft());
                const qreal scale = area.width() / qMax(1, widget->width());
                painter->scale(scale, scale);
                widget->render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
                painter->restore();
            }};
}
}

WindowFrame::WindowFrame(const FrameDesign &design, const QList<QList<BarButton>> &leading,
                         const QList<BarButton> &trailing, QWidget *parent)
    : QDialog(parent)
    , m_frame(design)
    , m_layout(design.layoutFile, design.className)
{
    ListParts::setUpWindow(this, design.className, design.caption);
    m_body = new QVBoxLayout(this);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);

    m_bar = new ButtonBar(this);
    m_body->addWidget(m_bar);
    const auto addAll = [this](const QList<BarButton> &buttons) {
        for (const BarButton &b : buttons) {
            QToolButton *t = m_bar->add(b.objectName, b.caption, b.glyph, b.colour);
            if (!b.hint.isEmpty()) {
                t->setToolTip(b.hint);
            }
        }
    };
    for (const QList<BarButton> &group : leading) {
        if (!group.isEmpty()) {
            addAll(group);
            m_bar->addBevel();
        }
    }
    connect(m_bar->add(QStringLiteral("bitbtn_out"), QStringLiteral("导出"), QStringLiteral("出"), ButtonBar::Out),
            &QToolButton::clicked, this, &WindowFrame::exportList);
    connect(m_bar->add(QStringLiteral("bitbtn_print"), QStringLiteral("打印"), QStringLiteral("印"), ButtonBar::Out),
            &QToolButton::clicked, this, &WindowFrame::printList);
    m_bar->addBevel();
    addAll(trailing);
    if (!design.resetButton.isEmpty()) {
        connect(m_bar->add(design.resetButton, QStringLiteral("初始界面"), QStringLiteral("原"), ButtonBar::Back),
                &QToolButton::clicked, this, &WindowFrame::resetLayout);
    }
    connect(m_bar->addReturn(), &QToolButton::clicked, this, &QDialog::reject);

    m_band = ListParts::titleBand(design.titleBand, this);
    m_body->addWidget(m_band);
}

WindowFrame::~WindowFrame() = default;

QToolButton *WindowFrame::button(const QString &objectName) const
{
    return m_bar->button(objectName);
}

QToolButton *WindowFrame::addButton(const QString &objectName, const QString &caption, const QString &glyph,
                                    const QColor &colour, const QString &before)
{
    return m_bar->add(objectName, caption, glyph, colour, before);
}

void WindowFrame::addPanel(QWidget *panel, const QString &after)
{
    QWidget *above = after.isEmpty() ? nullptr : findChild<QWidget *>(after);
    const int at = above ? m_body->indexOf(above) : -1;
    m_body->insertWidget(at < 0 ? -1 : at + 1, panel);
}

void WindowFrame::addToTitleBand(QWidget *widget)
{
    ListParts::addToTitleBand(m_band, widget);
}

void WindowFrame::setGrids(DBGridEh *output, DBGridEh *layoutKept)
{
    m_output = output;
    m_layoutGrid = layoutKept;
}

void WindowFrame::addUnderGrid(QWidget *widget, OnPaper where, const PrintBlock &printedAs)
{
    auto *column = qobject_cast<QBoxLayout *>(m_output->parentWidget()->layout());
    Q_ASSERT_X(column, "WindowFrame", "the output grid stands in no column");
    widget->setParent(m_output->parentWidget());
    column->insertWidget(column->indexOf(m_output) + 1, widget);
    m_underGrid << UnderGrid {widget, where, printedAs.paint ? printedAs : printed(widget)};
}

PrintOptions WindowFrame::printOptions() const
{
    PrintOptions options = listPrintOptions(m_frame.printTitle, session().currentOperator);
    for (const UnderGrid &u : m_underGrid) {
        if (u.widget->isVisibleTo(this)) {
            (u.where == OnPaper::AboveRows ? options.above : options.below) << u.printedAs;
        }
    }
    return options;
}

void WindowFrame::exportList()
{
    if (hasOutput()) {
        GridExport::exportGrid(this, m_output, m_frame.exportName);
    }
}

void WindowFrame::printList()
{
    if (hasOutput()) {
        printGrid(m_output, printOptions());
    }
}

void WindowFrame::printGrid(DBGridEh *grid, const PrintOptions &options)
{
    grid->setDichromatic(false);
    grid->viewport()->update();
    grid->printPreview(options);
    grid->setDichromatic(true);
    grid->viewport()->update();
}

void WindowFrame::resetLayout()
{
    m_layout.requestReset(this);
}

void WindowFrame::layoutLoaded(bool)
{ }

void WindowFrame::showEvent(QShowEvent *event)
{
    if (!m_layoutLoaded && m_layoutGrid) {
        m_layoutLoaded = true;
        layoutLoaded(!m_frame.layoutFile.isEmpty() && m_layout.load(m_layoutGrid, dm()->home()));
    }
    QDialog::showEvent(event);
}

void WindowFrame::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void WindowFrame::done(int result)
{
    // What was not saved is dropped; the layout is kept for the next opening.
    dropPending();
    if (m_layoutGrid && !m_frame.layoutFile.isEmpty()) {
        m_layout.save(m_layoutGrid, dm()->home());
    }
    QDialog::done(result);
}
