#pragma once

#include "components/grid/dbgrideh.h"

#include <QColor>
#include <QString>
#include <QWidget>

class QDialog;
class QHBoxLayout;
class QLabel;
class QToolButton;

namespace ListParts {
// A list window's frame: object name from its class ("Form_houseitem"), caption, maximised,
// 宋体 12 pixels.
void setUpWindow(QDialog *window, const QString &className, const QString &caption);
// The title band (Panel1): white, the title in navy bold 宋体 16 pixels at the left.
QLabel *titleBand(const QString &title, QWidget *parent);
// A hint or label at the right end of the title band, after those added before.
void addToTitleBand(QLabel *band, QWidget *widget);
}

// The button bar (Panel2) of a list window: flat 50 × 43 buttons with the picture above the
// caption, in groups separated by thin bevels, "返回" (SpeedButton4) last.
//
//     auto *bar = new ButtonBar(this);
//     bar->add("bitbtn_out", "导出", "出", ButtonBar::Out);
//     bar->addBevel();
//     connect(bar->addReturn(), &QToolButton::clicked, this, &QDialog::reject);
//     bar->add("SpeedButton3", "选中", "选", ButtonBar::Choose); // goes before "返回"
class ButtonBar : public QWidget
{
    Q_OBJECT
public:
    // The colours of the button kinds.
    static inline const QColor Edit {0x15, 0x65, 0xc0};
    static inline const QColor Save {0x2e, 0x7d, 0x32};
    static inline const QColor Cancel {0xef, 0x6c, 0x00};
    static inline const QColor Delete {0xc6, 0x28, 0x28};
    static inline const QColor Out {0x6a, 0x1b, 0x9a};
    static inline const QColor Back {0x54, 0x6e, 0x7a};
    static inline const QColor Choose {0x00, 0x83, 0x8f};

    explicit ButtonBar(QWidget *parent = nullptr);

    // A button at the end of the bar; once "返回" is there, before its group; or before the
    // button named `before`.
    QToolButton *add(const QString &objectName, const QString &caption, const QString &glyph, const QColor &colour,
                     const QString &before = {});
    void addBevel();
    // The last bevel and "返回".
    QToolButton *addReturn();
    QToolButton *button(const QString &objectName) const;

private:
    QHBoxLayout *m_row;
    QWidget *m_returnBevel = nullptr;
};

// A button of the bar that a window declares and connects itself.
struct BarButton
{
    QString objectName; // bitbtn_add
    QString caption; // "新增项目"
    QString glyph; // the pictogram of its picture
    QColor colour = ButtonBar::Edit;
    QString hint; // tool tip ("打印缴款通知单"); empty for none

    static BarButton of(const QString &objectName, const QString &caption, const QString &glyph,
                        const QColor &colour = ButtonBar::Edit)
    {
        BarButton b;
        b.objectName = objectName;
        b.caption = caption;
        b.glyph = glyph;
        b.colour = colour;
        return b;
    }
    BarButton &withHint(const QString &text)
    {
        hint = text;
        return *this;
    }
};

// The layout file of a window's grid: one ini file in the home folder, one section named after
// the window class. It is read when the window is first shown and written when it closes; after
// "初始界面" the file is deleted once written, so the next opening shows the design layout.
class LayoutFile
{
public:
    // An empty file name: the window keeps no layout.
    LayoutFile(const QString &fileName, const QString &section);

    // The file in the home folder home; empty when the window keeps no layout.
    QString path(const QString &home) const;
    // Whether the file held a layout for the grid.
    bool load(DBGridEh *grid, const QString &home) const;
    void save(const DBGridEh *grid, const QString &home) const;
    // "初始界面": "界面初始化完毕！", and the file goes when the window closes.
    void requestReset(QWidget *parent);
    bool resetRequested() const { return m_reset; }

private:
    QString m_fileName;
    QString m_section;
    bool m_reset = false;
};

// The page header and after-grid line of a printed list: its title, the print time and the
// operator who prints it.
PrintOptions listPrintOptions(const QString &title, const QString &operatorName);
