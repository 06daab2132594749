#pragma once

#include "components/common/preparation.h"
#include "components/common/prompt.h"
#include "components/grid/dbgrideh.h"
#include "listwindow/listparts.h"
#include "listwindow/searchbar.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

class DataSet;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QMenu;
class QToolButton;
class QVBoxLayout;
class DBNavigator;

// One entry field of a list window's entry panel.
struct EntryField
{
    enum class Editor { Text, Memo, Number, Money, Date, Combo, Check };

    QString objectName; // DBEdit4, DBDateTimeEditEh1, ...
    QString field;
    QString label; // "楼宇名称："
    Editor editor = Editor::Text;
    int decimals = 0; // numbers: decimals shown (what can be typed is the field's EntryRule)
    QStringList items; // drop-down items
    bool chinese = false; // switches on the operator's input method
    QString labelName; // the label's objectName where the window names it (Label9)
    QString enterTo; // the field Enter moves to instead of the next one of the ring
    bool displayOnly = false; // shown on green, never edited here (data another window keeps)
    bool hidden = false; // bound and following the state, but never shown
    bool inStrip = false; // in the green strip under the entry panel
    QString buttonName; // a small choose button beside the editor (SpeedButton1); empty for none
    QString buttonHint; // its tool tip and accessible name ("选择房屋")

    static EntryField of(const QString &objectName, const QString &field, const QString &label,
                         Editor editor = Editor::Text)
    {
        EntryField e;
        e.objectName = objectName;
        e.field = field;
        e.label = label;
        e.editor = editor;
        return e;
    }
    EntryField &takesChinese()
    {
        chinese = true;
        return *this;
    }
    EntryField &withItems(const QStringList &list)
    {
        items = list;
        return *this;
    }
    EntryField &withDecimals(int shown)
    {
        decimals = shown;
        return *this;
    }
    EntryField &labelled(const QString &name)
    {
        labelName = name;
        return *this;
    }
    EntryField &enterGoesTo(const QString &nextField)
    {
        enterTo = nextField;
        return *this;
    }
    EntryField &shownOnly()
    {
        displayOnly = true;
        return *this;
    }
    EntryField &neverShown()
    {
        hidden = true;
        return *this;
    }
    EntryField &inGreenStrip()
    {
        inStrip = true;
        return *this;
    }
    // A small "…" button right beside the editor, found by its object name; the window connects
    // it and decides when it is enabled.
    EntryField &withButton(const QString &objectName, const QString &hint)
    {
        buttonName = objectName;
        buttonHint = hint;
        return *this;
    }
};

// What is particular to one list window: its texts, its grid and its entry panel.
struct ListWindowDesign
{
    QString className; // TForm_storeyinfo: the layout file's section
    QString caption; // window caption
    QString titleBand; // the white band above the entry panel
    QString titleHint; // a hint at the right end of the title band
    QString entryNote; // a pale green note at the right of the entry fields
    QString printTitle;
    QString exportName;
    QString layoutFile; // "system.ini" in the home folder; empty for none
    // The lines the window's data set is opened on when the window opens from the menu, and
    // closed again when it has closed (see Preparation); empty when the opener does it.
    QStringList query;
    bool hasReset = false; // "初始界面"
    int hideFloor = 0; // fewest visible columns "隐藏最右边的列" leaves; 0: no column buttons
    enum Button { Add = 1, Edit = 2, Delete = 4, SaveCancel = 8, AllEditing = 15 };
    int buttons = AllEditing; // which of 增加, 编辑, 删除, 存盘/取消 the window has
    bool doubleClickEdits = false;
    QString dichromaticLabel = QStringLiteral("区分列表");
    QString fitLabel = QStringLiteral("满屏显示");
    bool fitInitially = false;
    QList<GridColumn> columns;
    QList<EntryField> entries; // in Enter-ring order
    int entryColumns = 4; // label/editor pairs per row of the entry panel
    // The search bar ("查找"): its boxes in condition order, and the select and ordering lines
    // the found rows are queried with. No boxes: no search bar.
    QList<SearchField> search;
    QString searchSelect; // "select * from 房屋资料 "
    QString searchOrdering; // "order by 房屋代码"
    // Enter moves along these boxes, the last one running "查找"; empty: Enter in any text box
    // runs "查找".
    QStringList searchRing;
    QString findButton = QStringLiteral("bitbtn_find"); // the object name of "查找"

    // The fields the design names (columns, entry fields, search columns) that `table` does
    // not have, as "column 楼宇名", "entry DBEdit4 楼宇名", "search Edit1 楼宇名"; for a data set
    // that names no table, the fields no table of the schema has. Empty when all are known.
    QStringList unknownFields(const QString &table) const;
};

// The shared list window: button bar, title band, entry panel, grid strip with navigator and
// grid tools, and the grid over one data set. A window subclasses it with a ListWindowDesign and
// overrides the hooks that make it particular (validation, preconditions, extra buttons, and
// prepare() when it needs more than its design's query).
class ListWindow : public QDialog, public PreparedWindow
{
    Q_OBJECT
public:
    ListWindow(DataSet *dataSet, const ListWindowDesign &design, QWidget *parent = nullptr);
    ~ListWindow() override;

    DataSet *dataSet() const { return m_dataSet; }
    DBGridEh *grid() const { return m_grid; }
    const ListWindowDesign &design() const { return m_design; }
    bool isEditing() const;
    QWidget *entry(const QString &field) const;
    QLabel *labelOf(const QString &field) const;
    // A drop-down of the search bar by its object name ("DBComboBoxEh3"); null when the design
    // has none of that name.
    QComboBox *searchCombo(const QString &objectName) const;
    // The search bar; null when the design has no search boxes.
    SearchBar *searchBar() const { return m_search; }

    // Opens the data set on the design's query.
    void prepare(Preparation &p) override;
    // Prints a list's grid through the preview: its title in the page header, the print time
    // and the operator after the rows, and no row colours on paper.
    static void printGrid(DBGridEh *grid, const QString &title);

public slots:
    void addRecord();
    // "编辑" (and a double-click where the window has it).
    virtual void editRecord();
    void saveRecord();
    void cancelRecord();
    void deleteRecord();
    void exportList();
    void printList();
    void resetLayout();
    void hideRightmostColumn();
    void showFirstHiddenColumn();
    // "查找": re-queries with a condition for every filled box; "没有找到合适的记录！" when
    // nothing matches.
    void find();

protected:
    // Checks the row before it is written; on failure shows the message, focuses the field
    // and returns false. The base requires nothing.
    virtual bool validate() { return true; }
    // The conditions "查找" queries with and their values: by default one for each filled box of
    // the search bar. A window with more (a date range) adds them; false stops the search (the
    // window has said why).
    virtual bool searchConditions(QStringList *conditions, QVariantList *values);
    // Refusals before editing or deleting (for example "请先增加记录!").
    virtual bool canEdit() { return true; }
    virtual bool canDelete() { return true; }
    // Shows message and focuses editor when text is blank; for validate().
    bool require(const QString &field, const QString &message);
    // Shows a refusal, focuses the field's editor (when given) and returns false.
    bool refuse(const QString &field, const QString &message, Prompt::Icon icon = Prompt::Icon::Warning);
    // Whether another row of the window's table already holds value in field, where that
    // matters: always for a new row; for an edited row only when the value differs from the
    // one it had (keeping one's own name is no duplicate).
    bool isDuplicate(const QString &field, const QString &value);
    // The current row's field as the database holds it now; null for a new row.
    QVariant storedValue(const QString &field) const;

    // Writes the pending row ("存盘" after validation and stamping); error says why it failed.
    // A window that changes other rows with the row overrides it with postWith().
    virtual bool writeRow(QString *error);
    // Runs more and writes the pending row in one transaction: both take effect or neither, and
    // the row stays pending with what was typed when anything is refused.
    bool postWith(const std::function<bool(QString *error)> &more, QString *error);

    // "删除" asks this question; a window names what the deletion leaves behind.
    virtual QString deleteQuestion() { return QStringLiteral("要删除当前记录吗? "); }
    // Deletes the current row; error says why it failed. A window that changes other rows
    // with the deletion overrides it with deleteCurrentWith().
    virtual bool deleteRow(QString *error);
    // Deletes the current row and runs more in one transaction: both take effect or neither,
    // and a row whose deletion was undone is shown again.
    bool deleteCurrentWith(const std::function<bool(QString *error)> &more, QString *error);

    // A button of the window's own, placed before "返回", or before the button named before.
    QToolButton *addButton(const QString &objectName, const QString &caption, const QString &glyph,
                           const QColor &colour, const QString &before = {});

    // A panel of the window's own: below the widget `after` (the button bar "Panel2", the grid
    // "DBGridEh1"), or at the bottom.
    void addPanel(QWidget *panel, const QString &after = {});

    void done(int result) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildButtonBar();
    void buildEntryPanel();
    void buildGridStrip();
    void buildSearchBar();
    void updateStates();
    void listHiddenColumn(const QString &field, const QString &caption, QAction *before);
    void listLoadedHiddenColumns();

    DataSet *m_dataSet;
    ListWindowDesign m_design;
    QVBoxLayout *m_body = nullptr;
    ButtonBar *m_bar = nullptr;
    SearchBar *m_search = nullptr;
    LayoutFile m_layout;
    QList<QWidget *> m_entries;
    QList<QLabel *> m_labels; // beside m_entries
    DBGridEh *m_grid = nullptr;
    DBNavigator *m_navigator = nullptr;
    QCheckBox *m_dichromatic = nullptr;
    QCheckBox *m_fit = nullptr;
    QToolButton *m_showHidden = nullptr;
    QToolButton *m_hideRightmost = nullptr;
    QMenu *m_hiddenMenu = nullptr;
    bool m_layoutLoaded = false;
};
