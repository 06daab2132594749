#pragma once

#include <QHeaderView>
#include <functional>

// The grid's column titles: several title lines where titles have levels separated by "|",
// an upper text spanning the adjacent columns that share it, and sort markers.
class GridTitleHeader : public QHeaderView
{
    Q_OBJECT
public:
    enum class Marker { None, Ascending, Descending };

    explicit GridTitleHeader(QWidget *parent = nullptr);

    void setMarkerSource(std::function<Marker(int logical)> source) { m_marker = std::move(source); }
    int lineHeight() const;
    int levelCount() const;
    // The titles of the visible columns in display order, and their logical indexes.
    QStringList visibleTitles(QList<int> *logical = nullptr) const;

    QSize sizeHint() const override;

signals:
    // A click on a column's own title box (not on a title spanning several columns).
    void titleClicked(int logical, bool ctrl);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::function<Marker(int)> m_marker;
    QPoint m_pressPos;
    Qt::KeyboardModifiers m_pressModifiers;
    int m_pressSection = -1;
};

// The narrow row indicator at the left: a marker at the current row.
class GridRowIndicator : public QHeaderView
{
    Q_OBJECT
public:
    explicit GridRowIndicator(QWidget *parent = nullptr);
    void setCurrentRow(int row);
    int currentRow() const { return m_current; }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    int m_current = -1;
};
