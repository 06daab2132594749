#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QWidget>

class DataSet;
class QHBoxLayout;
class QPushButton;

// One box of a search bar: a text box matched with like, or the building drop-down matched
// with equality.
struct SearchField
{
    QString objectName; // Edit1, DBComboBoxEh3
    QString label; // "房屋代码："
    QString column; // the column the condition tests
    bool equality = false; // the building drop-down
    bool hidden = false; // present but not shown (some windows keep a hidden box)
    bool chinese = false; // takes Chinese text: gets the operator's input method

    SearchField &takesChinese()
    {
        chinese = true;
        return *this;
    }
};

// The bound value of a "contains" condition (column like ? escape '\'): the text between %,
// its own %, _ and \ matching themselves, so the operator finds what he typed.
QString likeContaining(const QString &text);

// The search bar of a list window: its boxes in condition order and "查找". The boxes give
// bound conditions, never text spliced into the statement.
//
//     auto *bar = new SearchBar(fields, QStringLiteral("SpeedButton1"), this);
//     bar->setEnterRing({"Edit1", "Edit2", "Edit3"});          // Enter moves, the last back
//     connect(bar, &SearchBar::findRequested, this, &MyWindow::find);
//     QVariantList values;
//     const QStringList c = bar->conditions(&values);          // "(房屋代码 like ? escape '\')"
//     lines << " where " + SearchBar::joined(c);               // "(…)and(…)"
class SearchBar : public QWidget
{
    Q_OBJECT
public:
    SearchBar(const QList<SearchField> &fields, const QString &findButtonName, QWidget *parent = nullptr);

    // Enter in a box moves along these boxes, the last leading back to the first, or running
    // "查找" when lastFinds; a box outside the ring leads to its first box. Without a ring
    // Enter in a text box runs "查找".
    void setEnterRing(const QStringList &objectNames, bool lastFinds = false);

    // Each filled box's condition, bracketed, in the boxes' order; their values are appended.
    QStringList conditions(QVariantList *values) const;
    // Conditions as the statements join them: "(a)and(b)".
    static QString joined(const QStringList &conditions);
    // Drops the pending change of rows and opens it again on the select line, " where " and the
    // joined conditions (when there are any), the grouping line (when there is one) and the
    // ordering line, the values bound in order; false when the database refuses
    // (rows->lastError() says why).
    static bool reopen(DataSet *rows, const QString &select, const QStringList &conditions, const QVariantList &values,
                       const QString &ordering, const QString &grouping = {});

    QPushButton *findButton() const { return m_find; }
    // The boxes that take Chinese text.
    QList<QWidget *> chineseBoxes() const;
    // Room for more controls (a month picker) at the left of the boxes.
    void insertAtStart(QWidget *label, QWidget *control);
    // A control after "查找".
    void addAtEnd(QWidget *control);
    // A label (may be null) and a control right after the box named boxName (a date range
    // between the text boxes and the building drop-down); at the end of the boxes when there is
    // no such box.
    void insertAfter(const QString &boxName, QWidget *label, QWidget *control);

signals:
    void findRequested();

private:
    QString textOf(const SearchField &f) const;

    QList<SearchField> m_fields;
    QHBoxLayout *m_row;
    QPushButton *m_find;
    int m_startCount = 0;
    int m_endCount = 0;
};
