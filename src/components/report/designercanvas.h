#pragma once

#include "components/report/core/reporttemplate.h"

#include <QWidget>

class ReportDesigner;

// What the designer has selected: an object of a band, a band, or (both -1) the page.
struct DesignerSelection
{
    int band = -1;
    int object = -1;
    bool isObject() const { return band >= 0 && object >= 0; }
    bool isBand() const { return band >= 0 && object < 0; }
    bool operator==(const DesignerSelection &) const = default;
};

// The template drawn band under band, each under a caption strip, with its objects as written.
// The mouse selects, moves and resizes objects (the selected one has eight handles); arrow keys
// move the selected object by a millimetre, with Shift they resize it. Every finished change
// goes to the designer as one step that can be undone.
class DesignerCanvas : public QWidget
{
    Q_OBJECT
public:
    explicit DesignerCanvas(ReportDesigner *designer, QWidget *parent = nullptr);

    double scale() const { return m_scale; } // pixels per millimetre
    // Where a band's area begins, and an object's box, in this widget.
    double bandTop(int band) const;
    QRectF objectRect(int band, int object) const;
    QRectF bandRect(int band) const;
    // The object, else the band, under a point; the page when neither.
    DesignerSelection hit(const QPointF &point) const;
    // Recomputes the size after the template changed.
    void templateChanged();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Drag { None, Move, Resize };
    // The eight handles of a box: corners and edge midpoints, clockwise from the top left.
    QList<QRectF> handles(const QRectF &box) const;
    int handleAt(const QPointF &point) const;
    // The band whose area or caption is at a height (the nearest one above or below).
    int bandAtY(double y) const;
    void paintBand(QPainter *p, int band);
    double captionTop(int band) const;

    ReportDesigner *m_designer;
    double m_scale;
    Drag m_drag = Drag::None;
    int m_handle = -1;
    QPointF m_pressPoint;
    ReportObject m_original;
    int m_liveBand = -1;
    QRectF m_live; // millimetres within m_liveBand while dragging
};
