#pragma once

#include "components/common/preparation.h"
#include "components/grid/dbgrideh.h"
#include "listwindow/listparts.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QToolButton;
class QVBoxLayout;

// What every framed window declares besides its content: its class, its texts, its layout file
// and its reset button.
struct FrameDesign
{
    QString className; // TForm_storeyinfo: the object name (Form_storeyinfo) and the layout file's section
    QString caption; // window caption
    QString titleBand; // the white band under the buttons
    QString printTitle; // the page header of "打印"
    QString exportName; // the file name "导出" proposes
    QString layoutFile; // "system.ini" in the home folder; empty for none
    QString resetButton; // the object name of "初始界面" (bitbtn_reset); empty: the window has none
};

// The frame the list, house-detail and report windows share: a maximised window in 宋体 12
// pixels; the button bar (Panel2) with the window's leading groups, "导出" and "打印", its
// trailing buttons, "初始界面" and "返回"; the title band (Panel1); below them the window's own
// panels and grids. One grid is the output grid, which "导出" writes and "打印" prints (with
// whatever the window put under it, a chart say); one grid's column layout is kept in the
// layout file, read when the window is first shown and written when it closes. Esc never closes
// the window nor drops what was typed: only "返回" and the close box close it, and closing drops
// what was not saved.
//
// What the window works on, the database module and the session, comes from its preparation
// (dm(), db(), session()), never from a global.
//
// A window kind derives from it, builds its panels into body() and names its grids:
//
//     MyWindow::MyWindow(const MyDesign &d, QWidget *parent)
//         : WindowFrame(d, {{BarButton::of("bitbtn_add", "增加", "＋")}}, {}, parent)
//     {
//         m_grid = new DBGridEh(this);
//         body()->addWidget(m_grid, 1);
//         setGrids(m_grid, m_grid);
//     }
class WindowFrame : public QDialog, public PreparedWindow
{
    Q_OBJECT
public:
    // The bar: each (non-empty) group of leading buttons closed by a bevel, "导出" and "打印" and a bevel,
    // the trailing buttons, "初始界面" when the design names it, "返回".
    WindowFrame(const FrameDesign &design, const QList<QList<BarButton>> &leading, const QList<BarButton> &trailing,
                QWidget *parent);
    ~WindowFrame() override;

    QToolButton *button(const QString &objectName) const;
    // The white title band (Panel1).
    QLabel *titleBand() const { return m_band; }

    // Prints a grid through the preview with these page texts, without row colours on paper
    // (they come back afterwards, whatever they were).
    static void printGrid(DBGridEh *grid, const PrintOptions &options);

public slots:
    // "导出": every row of the output grid into a file of the operator's choice.
    virtual void exportList();
    // "打印": the output grid and what stands under it, through the print preview.
    virtual void printList();
    // "初始界面": the design layout from the next opening on.
    void resetLayout();

protected:
    // The column under the title band that the window's panels and grids go into.
    QVBoxLayout *body() const { return m_body; }
    // A button of the window's own, placed before "返回", or before the button named before.
    QToolButton *addButton(const QString &objectName, const QString &caption, const QString &glyph,
                           const QColor &colour, const QString &before = {});
    // A panel of the window's own: below the widget `after` (the button bar "Panel2", the grid
    // "DBGridEh1"), or at the bottom.
    void addPanel(QWidget *panel, const QString &after = {});
    // A label or hint at the right end of the title band, after those added before.
    void addToTitleBand(QWidget *widget);

    // The grid "导出" and "打印" work on, and the grid whose layout the layout file keeps.
    void setGrids(DBGridEh *output, DBGridEh *layoutKept);
    // A widget of the window's own right under the output grid (a chart under a report's rows):
    // shown there, and printed under the rows (or above them, on the first page), as wide as the
    // page: as the widget paints itself, or as printedAs draws it.
    enum class OnPaper { UnderRows, AboveRows };
    void addUnderGrid(QWidget *widget, OnPaper where = OnPaper::UnderRows, const PrintBlock &printedAs = {});
    // The page texts of "打印": the print title, the print time and the operator; and what
    // stands under the output grid.
    PrintOptions printOptions() const;

    // Whether "导出" and "打印" have anything to work on; the base always has.
    virtual bool hasOutput() const { return true; }
    // Called once, when the window is first shown, after the layout file was read (fromFile:
    // it held a layout for the grid).
    virtual void layoutLoaded(bool fromFile);
    // Closing: what was typed and not saved is dropped. The base has nothing to drop.
    virtual void dropPending() { }

    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void done(int result) override;

private:
    FrameDesign m_frame;
    LayoutFile m_layout;
    QVBoxLayout *m_body = nullptr;
    ButtonBar *m_bar = nullptr;
    QLabel *m_band = nullptr;
    DBGridEh *m_output = nullptr;
    DBGridEh *m_layoutGrid = nullptr;
    struct UnderGrid
    {
        QWidget *widget;
        OnPaper where;
        PrintBlock printedAs;
    };
    QList<UnderGrid> m_underGrid;
    bool m_layoutLoaded = false;
};
