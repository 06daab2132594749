#include "components/report/designercanvas.h"

#include "components/report/reportdesigner.h"
#include "components/report/reportpainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int Margin = 16; // pixels of grey around the page
constexpr int CaptionHeight = 20; // the strip above each band with its name
constexpr int BandGap = 6;
constexpr double HandleSize = 7;
constexpr double Snap = 0.5; // millimetres a dragged object moves in

double snapped(double v)
{
    return qRound(v / Snap) * Snap;
}
}

DesignerCanvas::DesignerCanvas(ReportDesigner *designer, QWidget *parent)
    : QWidget(parent)
    , m_designer(designer)
    , m_scale(logicalDpiX() / 25.4)
{
    setObjectName(QStringLiteral("designerCanvas"));
    setAccessibleName(QStringLiteral("报表设计区"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x90, 0x90, 0x90));
    setPalette(pal);
    templateChanged();
}

QSize DesignerCanvas::sizeHint() const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    const int bands = int(t.bands.size());
    const double height = bands == 0 ? 60 : captionTop(bands) + t.page.bottom * m_scale;
    return QSize(qRound(t.page.width() * m_scale) + 2 * Margin, qRound(height) + Margin);
}

void DesignerCanvas::templateChanged()
{
    setFixedSize(sizeHint());
    update();
}

double DesignerCanvas::captionTop(int band) const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    double y = Margin + t.page.top * m_scale;
    for (int i = 0; i < band && i < t.bands.size(); ++i) {
        y += CaptionHeight + t.bands[i].height * m_scale + BandGap;
    }
    return y;
}

double DesignerCanvas::bandTop(int band) const
{
    return captionTop(band) + CaptionHeight;
}

QRectF DesignerCanvas::bandRect(int band) const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    return QRectF(Margin + t.page.left * m_scale, bandTop(band), t.page.printableWidth() * m_scale,
                  t.bands[band].height * m_scale);
}

QRectF DesignerCanvas::objectRect(int band, int object) const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    const ReportObject &o = t.bands[band].objects[object];
    const QRectF area = bandRect(band);
    return QRectF(area.left() + o.x * m_scale, area.top() + o.y * m_scale, o.width * m_scale, o.height * m_scale);
}

DesignerSelection DesignerCanvas::hit(const QPointF &point) const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    for (int b = 0; b < t.bands.size(); ++b) {
        // The last drawn is on top; thin lines are easier to catch with a little room.
        for (int o = int(t.bands[b].objects.size()) - 1; o >= 0; --o) {
            if (objectRect(b, o).normalized().adjusted(-3, -3, 3, 3).contains(point)) {
                return {b, o};
            }
        }
    }
    for (int b = 0; b < t.bands.size(); ++b) {
        const QRectF area = bandRect(b);
        if (point.y() >= captionTop(b) && point.y() < area.bottom() && point.x() >= Margin
            && point.x() < width() - Margin) {
            return {b, -1};
        }
    }
    return {};
}

int DesignerCanvas::bandAtY(double y) const
{
    const ReportTemplate &t = m_designer->reportTemplate();
    for (int b = 0; b < t.bands.size(); ++b) {
        if (y < bandRect(b).bottom() + BandGap / 2.0) {
            return b;
        }
    }
    return int(t.bands.size()) - 1;
}

QList<QRectF> DesignerCanvas::handles(const QRectF &box) const
{
    const QRectF r = box.normalized();
    const double h = HandleSize / 2;
    const QPointF points[] = {
        r.topLeft(),     QPointF(r.center().x(), r.top()),    r.topRight(),   QPointF(r.right(), r.center().y()),
        r.bottomRight(), QPointF(r.center().x(), r.bottom()), r.bottomLeft(), QPointF(r.left(), r.center().y())};
    QList<QRectF> out;
    for (const QPointF &p : points) {
        out << QRectF(p.x() - h, p.y() - h, HandleSize, HandleSize);
    }
    return out;
}

int DesignerCanvas::handleAt(const QPointF &point) const
{
    const DesignerSelection s = m_designer->selection();
    if (!s.isObject()) {
        return -1;
    }
    const QList<QRectF> hs = handles(objectRect(s.band, s.object));
    for (int i = 0; i < hs.size(); ++i) {
        if (hs[i].adjusted(-2, -2, 2, 2).contains(point)) {
            return i;
        }
    }
    return -1;
}

void DesignerCanvas::paintBand(QPainter *p, int b)
{
    const ReportTemplate &t = m_designer->reportTemplate();
    const ReportBand &band = t.bands[b];
    const DesignerSelection s = m_designer->selection();
    const QRectF caption(Margin, captionTop(b), t.page.width() * m_scale, CaptionHeight);
    p->fillRect(caption, s.isBand() && s.band == b ? QColor(0x90, 0xca, 0xf9) : QColor(0xe3, 0xe8, 0xee));
    p->setPen(QColor(0x37, 0x47, 0x4f));
    QString text = ReportTemplate::bandCaption(band.kind);
    if (band.kind == BandKind::MasterData) {
        text += QStringLiteral("：%1").arg(band.dataSet);
    }
    text += QStringLiteral("（高 %1 毫米）").arg(band.height);
    p->drawText(caption.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter, text);

    const QRectF area = bandRect(b);
    p->setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1, Qt::DashLine));
    p->drawLine(area.bottomLeft(), area.bottomRight());
    for (int o = 0; o < band.objects.size(); ++o) {
        const ReportObject &obj = band.objects[o];
        const bool dragged = m_drag != Drag::None && s.band == b && s.object == o;
        if (dragged) {
            continue;
        }
        const QRectF r = objectRect(b, o);
        ReportPainter::paintObject(p, obj, r, obj.text, m_scale);
        if (obj.kind == ObjectKind::Text && !obj.frame.all()) {
            p->setPen(QPen(QColor(0xc8, 0xc8, 0xc8), 1, Qt::DotLine));
            p->setBrush(Qt::NoBrush);
            p->drawRect(r);
        }
    }
}

void DesignerCanvas::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const ReportTemplate &t = m_designer->reportTemplate();
    const QRectF page(Margin, Margin, t.page.width() * m_scale, height() - 2 * Margin);
    p.fillRect(page.translated(3, 3), QColor(0x60, 0x60, 0x60));
    p.fillRect(page, Qt::white);
    // The margins, lightly shaded.
    const QColor margin(0xf4, 0xf4, 0xf4);
    p.fillRect(QRectF(page.left(), page.top(), t.page.left * m_scale, page.height()), margin);
    p.fillRect(QRectF(page.right() - t.page.right * m_scale, page.top(), t.page.right * m_scale, page.height()),
               margin);
    p.setRenderHint(QPainter::Antialiasing);
    for (int b = 0; b < t.bands.size(); ++b) {
        paintBand(&p, b);
    }
    const DesignerSelection s = m_designer->selection();
    if (!s.isObject()) {
        return;
    }
    QRectF box = objectRect(s.band, s.object);
    if (m_drag != Drag::None && m_liveBand >= 0) {
        const QRectF area = bandRect(m_liveBand);
        box = QRectF(area.left() + m_live.x() * m_scale, area.top() + m_live.y() * m_scale, m_live.width() * m_scale,
                     m_live.height() * m_scale);
        ReportPainter::paintObject(&p, m_original, box, m_original.text, m_scale);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0x19, 0x76, 0xd2), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.normalized());
    p.setPen(QColor(0x0d, 0x47, 0xa1));
    p.setBrush(QColor(0x42, 0xa5, 0xf5));
    for (const QRectF &h : handles(box)) {
        p.drawRect(h);
    }
}

void DesignerCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPointF at = event->position();
    m_handle = handleAt(at);
    DesignerSelection s = m_designer->selection();
    if (m_handle < 0) {
        s = hit(at);
        m_designer->select(s);
    }
    if (!s.isObject()) {
        return;
    }
    const ReportObject &o = m_designer->reportTemplate().bands[s.band].objects[s.object];
    m_original = o;
    m_pressPoint = at;
    m_liveBand = s.band;
    m_live = QRectF(o.x, o.y, o.width, o.height);
    m_drag = m_handle >= 0 ? Drag::Resize : Drag::Move;
}

void DesignerCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if (m_drag == Drag::None) {
        static const Qt::CursorShape shapes[] = {Qt::SizeFDiagCursor, Qt::SizeVerCursor,   Qt::SizeBDiagCursor,
                                                 Qt::SizeHorCursor,   Qt::SizeFDiagCursor, Qt::SizeVerCursor,
                                                 Qt::SizeBDiagCursor, Qt::SizeHorCursor};
        const int h = handleAt(at);
        const DesignerSelection under = hit(at);
        setCursor(h >= 0 ? shapes[h] : under.isObject() ? Qt::SizeAllCursor : Qt::ArrowCursor);
        return;
    }
    const ReportTemplate &t = m_designer->reportTemplate();
    const QPointF delta = (at - m_pressPoint) / m_scale;
    const ReportObject &o = m_original;
    const double pageWidth = t.page.printableWidth();
    if (m_drag == Drag::Move) {
        // The object goes to the band under the pointer, kept inside it.
        const DesignerSelection s = m_designer->selection();
        const double topNow = bandRect(s.band).top() + (o.y + delta.y()) * m_scale;
        m_liveBand = bandAtY(topNow + o.height * m_scale / 2);
        const double bandHeight = t.bands[m_liveBand].height;
        const double y = (topNow - bandRect(m_liveBand).top()) / m_scale;
        m_live = QRectF(qBound(0.0, snapped(o.x + delta.x()), qMax(0.0, pageWidth - o.width)),
                        qBound(0.0, snapped(y), qMax(0.0, bandHeight - o.height)), o.width, o.height);
    } else {
        const double bandHeight = t.bands[m_liveBand].height;
        double left = o.x, top = o.y, right = o.x + o.width, bottom = o.y + o.height;
        // Handles clockwise from the top left: which edges each one moves.
        const bool movesLeft = m_handle == 0 || m_handle == 6 || m_handle == 7;
        const bool movesRight = m_handle >= 2 && m_handle <= 4;
        const bool movesTop = m_handle <= 2;
        const bool movesBottom = m_handle >= 4 && m_handle <= 6;
        if (movesLeft) {
            left = qBound(0.0, snapped(left + delta.x()), right);
        }
        if (movesRight) {
            right = qBound(left, snapped(right + delta.x()), pageWidth);
        }
        if (movesTop) {
            top = qBound(0.0, snapped(top + delta.y()), bottom);
        }
        if (movesBottom) {
            bottom = qBound(top, snapped(bottom + delta.y()), bandHeight);
        }
        m_live = QRectF(left, top, right - left, bottom - top);
    }
    update();
}

void DesignerCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag == Drag::None || event->button() != Qt::LeftButton) {
        return;
    }
    m_drag = Drag::None;
    const DesignerSelection s = m_designer->selection();
    const ReportObject &o = m_original;
    if (m_liveBand != s.band || m_live != QRectF(o.x, o.y, o.width, o.height)) {
        m_designer->placeObject(s, m_liveBand, m_live);
    }
    update();
}

void DesignerCanvas::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (hit(event->position()).isObject()) {
        m_designer->editText();
    }
}

void DesignerCanvas::keyPressEvent(QKeyEvent *event)
{
    const bool resize = event->modifiers() & Qt::ShiftModifier;
    const double step = event->modifiers() & Qt::ControlModifier ? 0.1 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        m_designer->nudge(-step, 0, resize);
        break;
    case Qt::Key_Right:
        m_designer->nudge(step, 0, resize);
        break;
    case Qt::Key_Up:
        m_designer->nudge(0, -step, resize);
        break;
    case Qt::Key_Down:
        m_designer->nudge(0, step, resize);
        break;
    case Qt::Key_Delete:
        m_designer->deleteSelected();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
