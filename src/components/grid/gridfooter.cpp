#include "components/grid/gridfooter.h"

#include "components/grid/dbgridmodel.h"

#include <QHeaderView>
#include <QPainter>

GridFooter::GridFooter(DBGridModel *model, QHeaderView *titles, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_titles(titles)
{
    setObjectName(QStringLiteral("footer"));
    setAutoFillBackground(false);
    connect(model, &DBGridModel::footerChanged, this, qOverload<>(&QWidget::update));
    connect(titles, &QHeaderView::sectionResized, this, qOverload<>(&QWidget::update));
    connect(titles, &QHeaderView::geometriesChanged, this, qOverload<>(&QWidget::update));
}

void GridFooter::setIndent(int indent)
{
    m_indent = indent;
    update();
}

void GridFooter::setBackground(const QColor &colour)
{
    m_background = colour;
    update();
}

int GridFooter::rowHeight() const
{
    return fontMetrics().height() + 6;
}

int GridFooter::widthFor(const QString &text) const
{
    // The margins of paintEvent's text box and the column's line.
    return fontMetrics().horizontalAdvance(text) + 3 + 4 + 1;
}

void GridFooter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    const QColor line = palette().color(QPalette::Mid);
    p.setPen(line);
    p.drawLine(0, 0, width(), 0);
    p.drawLine(m_indent - 1, 0, m_indent - 1, height());
    p.setClipRect(QRect(m_indent, 0, width() - m_indent, height()));
    for (int v = 0; v < m_titles->count(); ++v) {
        const int l = m_titles->logicalIndex(v);
        if (m_titles->isSectionHidden(l) || l >= m_model->columnCount()) {
            continue;
        }
        const QRect cell(m_indent + m_titles->sectionViewportPosition(l), 0, m_titles->sectionSize(l), height());
        if (cell.right() < m_indent || cell.left() > width()) {
            continue;
        }
        p.setPen(line);
        p.drawLine(cell.right(), 0, cell.right(), height());
        const QString text = m_model->footerText(l);
        if (text.isEmpty()) {
            continue;
        }
        const auto &col = m_model->column(l);
        // Static texts ("记录数") are centred; counts, sums and values follow the column.
        const Qt::Alignment align = col.footer == GridColumn::Footer::Text
            ? Qt::Alignment(Qt::AlignCenter)
            : (col.alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        const QRect textRect = cell.adjusted(3, 1, -4, 0);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(textRect, int(align.toInt()), fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
    }
}
