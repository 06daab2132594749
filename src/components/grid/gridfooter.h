#pragma once

#include <QColor>
#include <QWidget>

class DBGridModel;
class QHeaderView;

// The footer row under the grid's rows (white unless told otherwise), scrolling sideways with
// the columns.
class GridFooter : public QWidget
{
    Q_OBJECT
public:
    GridFooter(DBGridModel *model, QHeaderView *titles, QWidget *parent);
    // Width of the blank box under the row indicator.
    void setIndent(int indent);
    void setBackground(const QColor &colour);
    int rowHeight() const;
    // The width a column needs to show text in the footer whole.
    int widthFor(const QString &text) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    DBGridModel *m_model;
    QHeaderView *m_titles;
    int m_indent = 0;
    QColor m_background = Qt::white;
};
