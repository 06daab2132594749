#pragma once

#include "components/common/prompt.h"
#include "listwindow/searchbar.h"
#include "listwindow/windowframe.h"

#include <QList>
#include <QString>
#include <functional>

class DataSet;
class GridStrip;
class QComboBox;
class QLabel;

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
struct ListWindowDesign : FrameDesign
{
    QString titleHint; // a hint at the right end of the title band
    QString entryNote; // a pale green note at the right of the entry fields
    // The lines the window's data set is opened on when the window opens from the menu, and
    // closed again when it has closed (see Preparation); empty when the opener does it.
    QStringList query;
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

// The shared list window: in the frame (button bar, title band, layout file), the search bar,
// the entry panel, the grid strip (navigator and grid tools) and the grid over one data set. A window
// subclasses it with a ListWindowDesign and overrides the hooks that make it particular
// (validation, preconditions, extra buttons, and prepare() when it needs more than its design's
// query).
class ListWindow : public WindowFrame
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

    // Opens the data set on the design's query; the Chinese entry fields get the operator's
    // input method.
    void prepare(Preparation &p) override;

public slots:
    void addRecord();
    // "编辑" (and a double-click where the window has it).
    virtual void editRecord();
    void saveRecord();
    void cancelRecord();
    void deleteRecord();
    // "打印": printed without the row colours; "区分列表" is ticked again afterwards.
    void printList() override;
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

    void layoutLoaded(bool fromFile) override;
    void dropPending() override;

private:
    void buildEntryPanel();
    void buildSearchBar();
    void updateStates();

    DataSet *m_dataSet;
    ListWindowDesign m_design;
    SearchBar *m_search = nullptr;
    QList<QWidget *> m_entries;
    QList<QLabel *> m_labels; // beside m_entries
    QList<QWidget *> m_chinese; // the entries that take Chinese text
    DBGridEh *m_grid = nullptr;
    GridStrip *m_strip = nullptr;
};
