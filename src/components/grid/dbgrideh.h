#pragma once

#include "components/grid/core/exporttable.h"
#include "data/dataset.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QTableView>
#include <functional>

class QSettings;
class QPrinter;
class QPainter;
class DBGridModel;

// One column of a grid: which field it shows and how.
struct GridColumn
{
    enum class Footer { None, Text, Count, Sum, Value };

    QString field;
    QString title; // levels separated by "|": "面积|房屋面积"
    int width = 80;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // money and numbers: right
    bool sortable = false; // the title is a sort button
    Footer footer = Footer::None;
    QString footerText; // for Footer::Text, and the value set for Footer::Value
    bool visible = true;
    int decimals = -1; // money/number display decimals; -1 = shortest form

    // Declaration helpers, so a window's column table reads as one line a column:
    // GridColumn::of("楼宇名称", "楼宇名称", 160).withFooter(Footer::Text, "记录数")
    static GridColumn of(const QString &field, const QString &title, int width = 80)
    {
        GridColumn c;
        c.field = field;
        c.title = title;
        c.width = width;
        return c;
    }
    GridColumn &alignRight()
    {
        alignment = Qt::AlignRight | Qt::AlignVCenter;
        return *this;
    }
    GridColumn &sortButton()
    {
        sortable = true;
        return *this;
    }
    GridColumn &withFooter(Footer kind, const QString &text = {})
    {
        footer = kind;
        footerText = text;
        return *this;
    }
    GridColumn &withDecimals(int n)
    {
        decimals = n;
        return *this;
    }
};

// Something printed with the rows, as wide as the page (a chart under a report's grid): its
// height for that width, and how it paints itself into the area it is given.
struct PrintBlock
{
    std::function<qreal(qreal width)> height;
    std::function<void(QPainter *painter, const QRectF &area)> paint;
};

// Everything the printed page needs besides the rows.
struct PrintOptions
{
    QString title; // centred in the page header
    QString printedAt; // "打印时间:..." after substitution
    QString preparedBy; // "制表:" + operator + " ."
    QList<PrintBlock> below = {}; // after the footer row, before the print time and operator
    QList<PrintBlock> above = {}; // on the first page, between the page header and the rows
};

// The data grid (DBGridEh1 in every list window): bound to a DataSet, with multi-level titles,
// one footer row, sort markers, hidden columns, alternating row colours, fit-to-width, a row
// indicator, whole-row selection, printing and export. Cells are never edited in place.
class DBGridEh : public QTableView
{
    Q_OBJECT
public:
    explicit DBGridEh(QWidget *parent = nullptr);
    ~DBGridEh() override;

    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const;

    void setColumns(const QList<GridColumn> &columns); // the design layout
    QList<GridColumn> columns() const; // in display order, with visibility
    int visibleColumnCount() const;
    void setFooterValue(const QString &field, const QString &text);
    // The footer text shown under a column ("记录数", a count, a sum, a value).
    QString footerText(int logicalColumn) const;
    QString footerText(const QString &field) const;

    // The footer row's background (white by default; the choosers' is green).
    void setFooterColor(const QColor &colour);

    // Alternating row colour RGB(236, 249, 249) on odd records ("区分列表").
    void setDichromatic(bool on);
    bool dichromatic() const;
    // Fit all columns into the width ("满屏显示").
    void setFitToWidth(bool on);
    bool fitToWidth() const;

    // Title-click sorting: markers per column and the ordering line they give
    // (" ORDER BY 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin DESC "), empty when nothing is
    // marked.
    enum class SortMarker { None, Ascending, Descending };
    SortMarker sortMarker(const QString &field) const;
    QString orderingLine() const;
    // A field that a title-click ordering ends with, so that rows equal in the marked columns
    // keep one stable order ("id": the order they were made in); empty (the default) for none.
    void setTieBreak(const QString &field);
    // A title click as the operator makes it (with or without Ctrl).
    void clickTitle(int logicalColumn, bool ctrl);
    // Ctrl was released: the query held back by Ctrl clicks runs now.
    void releaseCtrl();

    // Column hiding ("隐藏最右边的列" / "显示隐藏的列"): returns the caption of the hidden
    // column for the drop-down list, empty when nothing was hidden.
    QString hideRightmostColumn();
    void showColumn(const QString &field); // moved to just after the visible columns
    QStringList hiddenFields() const;
    // The field hideRightmostColumn() would hide next; empty when no column is visible.
    QString rightmostVisibleField() const;
    // Shows the hidden column just after the visible ones; its field, empty when none was hidden.
    QString showFirstHiddenColumn();
    // The drop-down caption of a title: after its second-last "|", the other "|" as tabs.
    static QString hiddenCaption(const QString &title);

    // Layout files: one section per window class.
    void saveLayout(QSettings &settings, const QString &section) const;
    // Writes the section into the layout file at path, keeping the file's other sections; the
    // file is replaced whole (a link in its place too, never written through). False when it
    // could not be written.
    bool saveLayoutFile(const QString &path, const QString &section) const;
    void loadLayout(QSettings &settings, const QString &section);

    // Printing: the preview (through Prompt, with the lists' page set-up), and the same pages
    // to a PDF.
    void printPreview(const PrintOptions &options);
    bool printToPdf(const QString &path, const PrintOptions &options);
    void render(QPrinter *printer, const PrintOptions &options);

    // Every row, the visible columns in their order, titles and footer. The accessors read
    // the grid's rows and stay valid while the grid lives.
    ExportTable exportTable() const;

    DBGridModel *gridModel() const;

signals:
    // The sort markers changed and the query should be re-run with this ordering line.
    void sortRequested(const QString &orderingLine);
    void rowDoubleClicked();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void updateGeometries() override;
    void resizeEvent(QResizeEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followDataSet(int row);
    void applyColumnLayout();
    void fitTypicalTexts(QList<GridColumn> &columns);
    void fitFooters();
    void changeColumns(const std::function<void()> &change);
    void applyWidths();
    void requery();
    int printPages(QPainter *painter, const QRectF &page, const PrintOptions &options);

    class Private;
    Private *d;
};
