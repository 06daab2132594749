#pragma once

#include <QString>
#include <QWidget>

class DBGridEh;
class DBNavigator;
class QAction;
class QCheckBox;
class QMenu;
class QToolButton;

// The grid strip (Panel8) above a list window's grid: the record navigator, "区分列表"
// (cbDichromatic, ticked), "满屏显示" (CheckBox1) and, where the window has a floor of columns,
// "显示隐藏的列" (ToolButton1 with its drop-down PopupMenu1) and "隐藏最右边的列" (ToolButton2).
class GridStrip : public QWidget
{
    Q_OBJECT
public:
    struct Design
    {
        QString dichromaticLabel; // "区分列表"
        QString fitLabel; // "满屏显示"
        bool fitInitially = false;
        int hideFloor = 0; // fewest visible columns "隐藏最右边的列" leaves; 0: no column buttons
    };

    GridStrip(DBGridEh *grid, const Design &design, QWidget *parent);

    DBNavigator *navigator() const { return m_navigator; }
    // "区分列表" ticked or cleared, and the grid with it.
    void setDichromatic(bool on);
    // After a layout file was read into the grid: "满屏显示" as the file says, and the columns
    // it hides listed in the drop-down, so that they can be shown again.
    void followLoadedLayout();

public slots:
    void hideRightmostColumn();
    void showFirstHiddenColumn();

private:
    void listHiddenColumn(const QString &field, const QString &caption, QAction *before);

    DBGridEh *m_grid;
    int m_hideFloor;
    DBNavigator *m_navigator = nullptr;
    QCheckBox *m_dichromatic = nullptr;
    QCheckBox *m_fit = nullptr;
    QToolButton *m_showHidden = nullptr;
    QToolButton *m_hideRightmost = nullptr;
    QMenu *m_hiddenMenu = nullptr;
};
