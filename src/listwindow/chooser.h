#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"
#include "components/grid/dbgrideh.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class DataSet;
class QComboBox;
class QLabel;
class QLineEdit;

// What is particular to one chooser: its texts, the search it offers, its grid and what each
// caller receives.
struct ChooserDesign
{
    QString className; // TForm_choosehouse
    QString caption; // "选择房屋资料"
    int width = 420; // the dialog's fixed width
    QString hint; // "提示：通过查找相应的房屋，双击可以选择房屋资料！"
    QString mode; // the one search mode: "按房屋代码查找"
    QString searchBox; // the text box's objectName (Edit1, Edit3)
    QString searchLabel; // its accessible name ("房屋代码")
    QString searchColumn; // the column the typed text is looked for in
    bool chineseSearch = false; // the search box switches on the operator's input method
    QString select; // "select * from 房屋资料 "
    QString ordering; // "order by 房屋代码": on a line of its own, which a title click replaces
    QList<GridColumn> columns;
    // Caller tag -> the fields "选中" copies from the chosen row into the caller's row.
    QHash<QString, QStringList> copies;
};

// A small fixed-size picker over one shared query: a search by one column, a grid with
// title-click sorting, "选中" (or a double-click) and "返回".
//
// How a caller uses one (TForm_xzyz, TForm_choosehouse):
//
//     if (TForm_choosehouse::choose(this, QStringLiteral("houselease"), moveQuery)) { ... }
//
// choose() prepares the chooser as the main window prepares its windows (every row loaded into
// the chooser's query, select and ordering as two lines), shows it modally, closes the query
// again and tells whether a row was chosen. On "选中" the
// chooser puts the target data set's current row into edit state (nothing happens when it is
// editing already) and copies the fields its design lists for the caller tag, values as they
// are, empty ones included; the data-bound editors on that row show them at once. A tag the
// design does not list, or no target row, makes "选中" do nothing and the chooser stays open.
class Chooser : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    Chooser(DataSet *rows, const ChooserDesign &design, QWidget *parent = nullptr);

    // The caller: its tag (kept in the hidden label Label2) and the data set whose current row
    // receives the chosen fields.
    void setCaller(const QString &tag, DataSet *target);
    QString callerTag() const;
    DataSet *rows() const { return m_rows; }
    DBGridEh *grid() const { return m_grid; }
    const ChooserDesign &design() const { return m_design; }

    // Every row, in the design's ordering: the query opened on the select and ordering lines.
    void prepare(Preparation &p) override;
    // setCaller, then prepared, shown modally and the query closed afterwards; true when a row
    // was chosen.
    bool run(const QString &tag, DataSet *target);
    // Shown modally like run(), but the chosen row is handed to pick instead of being copied
    // into a caller's row; true when a row was chosen.
    bool runPicking(const std::function<void(const DataSet &row)> &pick);

public slots:
    // "查找": the rows whose search column contains the typed text; an empty box lists all.
    void find();
    // "选中" and a double-click on a row.
    void choose();

private:
    bool openOn(const QStringList &lines, const QVariantList &binds);

    DataSet *m_rows;
    ChooserDesign m_design;
    QPointer<DataSet> m_target;
    std::function<void(const DataSet &row)> m_pick;
    QComboBox *m_mode = nullptr;
    QLineEdit *m_search = nullptr;
    QLabel *m_tag = nullptr;
    DBGridEh *m_grid = nullptr;
};
