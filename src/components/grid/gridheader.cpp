#include "components/grid/gridheader.h"

#include "components/grid/gridtext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

GridTitleHeader::GridTitleHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setDefaultAlignment(Qt::AlignCenter);
    setMinimumSectionSize(8);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (logical != m_pressSection) {
            return;
        }
        // Only the column's own title box is a sort button.
        const QString title = model() ? model()->headerData(logical, Qt::Horizontal).toString() : QString();
        const int ownTop = int(title.count(QLatin1Char('|'))) * lineHeight();
        if (m_pressPos.y() >= ownTop) {
            emit titleClicked(logical, m_pressModifiers.testFlag(Qt::ControlModifier));
        }
    });
    connect(this, &QHeaderView::sectionResized, this, [this] { viewport()->update(); });
}

int GridTitleHeader::lineHeight() const
{
    return fontMetrics().height() + 6;
}

QStringList GridTitleHeader::visibleTitles(QList<int> *logical) const
{
    QStringList titles;
    if (!model()) {
        return titles;
    }
    for (int v = 0; v < count(); ++v) {
        const int l = logicalIndex(v);
        if (isSectionHidden(l)) {
            continue;
        }
        titles << model()->headerData(l, Qt::Horizontal).toString();
        if (logical) {
            *logical << l;
        }
    }
    return titles;
}

int GridTitleHeader::levelCount() const
{
    return GridText::levelCount(visibleTitles());
}

QSize GridTitleHeader::sizeHint() const
{
    QSize s = QHeaderView::sizeHint();
    s.setHeight(levelCount() * lineHeight());
    return s;
}

void GridTitleHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    QList<int> logical;
    const QStringList titles = visibleTitles(&logical);
    const int line = lineHeight();
    for (const GridText::TitleCell &cell : GridText::titleCells(titles)) {
        const int l0 = logical[cell.first];
        const int l1 = logical[cell.last];
        const int x0 = sectionViewportPosition(l0);
        const int x1 = sectionViewportPosition(l1) + sectionSize(l1);
        const QRect rect(x0, cell.topLevel * line, x1 - x0, (cell.bottomLevel - cell.topLevel) * line);
        if (!rect.intersects(viewport()->rect())) {
            continue;
        }
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = l0;
        opt.position = QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_HeaderSection, &opt, &painter, this);
        QRect textRect = rect.adjusted(3, 0, -3, 0);
        const Marker marker = cell.own && m_marker ? m_marker(l0) : Marker::None;
        if (marker != Marker::None) {
            // A small triangle at the right of the title: up ascending, down descending.
            const int h = qMax(4, line / 4);
            const int cx = rect.right() - h - 3;
            const int cy = rect.center().y();
            QPolygon tri;
            if (marker == Marker::Ascending) {
                tri << QPoint(cx - h, cy + h / 2) << QPoint(cx + h, cy + h / 2) << QPoint(cx, cy - h / 2 - 1);
            } else {
                tri << QPoint(cx - h, cy - h / 2) << QPoint(cx + h, cy - h / 2) << QPoint(cx, cy + h / 2 + 1);
            }
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(palette().color(QPalette::ButtonText));
            painter.drawPolygon(tri);
            painter.restore();
            textRect.setRight(cx - h - 2);
        }
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(textRect, Qt::AlignCenter,
                         fontMetrics().elidedText(cell.text, Qt::ElideRight, textRect.width()));
    }
}

void GridTitleHeader::mousePressEvent(QMouseEvent *event)
{
    m_pressPos = event->position().toPoint();
    m_pressModifiers = event->modifiers();
    m_pressSection = logicalIndexAt(m_pressPos);
    QHeaderView::mousePressEvent(event);
}

void GridTitleHeader::mouseReleaseEvent(QMouseEvent *event)
{
    QHeaderView::mouseReleaseEvent(event);
    m_pressSection = -1;
}

GridRowIndicator::GridRowIndicator(QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
{
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    setFixedWidth(14);
}

void GridRowIndicator::setCurrentRow(int row)
{
    if (row != m_current) {
        m_current = row;
        viewport()->update();
    }
}

void GridRowIndicator::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect;
    opt.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    if (logicalIndex != m_current) {
        return;
    }
    // ▶ at the current row.
    const int h = qMin(rect.height() / 2 - 1, rect.width() / 2 - 1);
    const QPoint c = rect.center();
    const QPolygon tri(
        {QPoint(c.x() - h / 2, c.y() - h), QPoint(c.x() - h / 2, c.y() + h), QPoint(c.x() + h / 2 + 1, c.y())});
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawPolygon(tri);
    painter->restore();
}
