#pragma once

#include "listwindow/searchbar.h"
#include "listwindow/windowframe.h"

#include <QList>
#include <QString>
#include <QVariantList>

class DataSet;
class FormulaPages;
struct FormulaPagesDesign;
class QDateEdit;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSplitter;
class QToolButton;
class QVBoxLayout;

// What is particular to one house list + detail window.
// Its texts print and export the detail grid; its layout file keeps the house grid's layout.
struct HouseDetailDesign : FrameDesign
{
    // The bar: these buttons, "导出" (bitbtn_out), "打印" (bitbtn_print), the trailing ones,
    // "初始界面", "返回" (SpeedButton4).
    QList<BarButton> leadingButtons;
    QList<BarButton> trailingButtons;

    // The search bar: its boxes in condition order, the Enter ring over them (empty: Enter in a
    // text box finds), whether Enter in the ring's last box finds, the name of "查找".
    QList<SearchField> search;
    QStringList enterRing;
    bool lastEnterFinds = false;
    QString findButton = QStringLiteral("SpeedButton1");
    // The month picker DateTimePicker1 "缴费时间：" at the start of the search bar.
    bool monthPicker = false;
    // The large red label at the right of the title band ("未缴费"/"已缴费").
    bool stateLabel = false;

    // The house list: select line, grouping line after the conditions (one row per house of
    // rows that repeat it), ordering line (a title click replaces it), its columns.
    QString houseSelect = QStringLiteral("select * from 房屋资料 ");
    QString houseGrouping;
    QString houseOrdering = QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"));
    QList<GridColumn> houseColumns = standardHouseColumns();
    int houseListWidth = 280;

    // The detail: its query's object name and its grid's columns.
    QString detailQuery; // q_houseitem
    QString detailTable; // 房屋收费项目: the table the detail rows are written to
    QList<GridColumn> detailColumns;

    // 楼宇名称, 房屋代码 and 业主名称, the last two sort buttons.
    static QList<GridColumn> standardHouseColumns();
    // "房屋代码：" Edit1, "业主名称：" Edit3, "楼宇名称：" DBComboBoxEh3, matched in this order.
    static QList<SearchField> standardSearch();
};

// The window of a house list and the selected house's detail rows: button bar, title band,
// search bar over the house list, the house grid DBGridEh1 on the left over the window's own
// house query q_houseinfo, a splitter, and on the right the window's detail panel (formula
// pages, a strip of buttons) above the detail grid DBGridEh2 over the window's own detail query.
// The detail follows the house: whenever the house list moves (and when it opens) the detail
// query is opened on detailLines() for the new house; a pending detail change is written first.
//
// A window subclasses it with a HouseDetailDesign, says in detailLines() which rows a house
// shows, fills detailArea(), and connects its own buttons:
//
//     class TForm_houseitem : public HouseDetailWindow {
//         QStringList detailLines(QVariantList *values) const override {
//             *values << houses()->text("房屋代码");
//             return {"select * from 房屋收费项目 where 房屋代码=?", "order by " + Dm1::orderTerm("收费名称")};
//         }
//     };
//     TForm_houseitem::TForm_houseitem(QWidget *parent) : HouseDetailWindow(design(), parent) {
//         detailArea()->addWidget(new FormulaPages(FormulaPagesDesign::houseItems(), this));
//         connect(button("bitbtn_add"), &QToolButton::clicked, this, &TForm_houseitem::addItems);
//     }
//
// Before it is shown prepare() opens the house list and fills the building drop-down; the two
// queries are closed after it closed.
class HouseDetailWindow : public WindowFrame
{
    Q_OBJECT
public:
    HouseDetailWindow(const HouseDetailDesign &design, QWidget *parent = nullptr);
    ~HouseDetailWindow() override;

    const HouseDetailDesign &design() const { return m_design; }
    DataSet *houses() const { return m_houses; }
    DataSet *details() const { return m_details; }
    DBGridEh *houseGrid() const { return m_houseGrid; }
    DBGridEh *detailGrid() const { return m_detailGrid; }
    SearchBar *searchBar() const { return m_search; }

    // The month picker (nullptr without): the chosen year and month as decimal text without
    // leading zeros ("2004", "8").
    QDateEdit *monthPicker() const { return m_month; }
    QString yearText() const;
    QString monthText() const;
    // The red label of the title band; empty text hides it.
    void setStateText(const QString &text);
    QString stateText() const;

    // Before the window is shown: the house list opened on its first lines, the building
    // drop-downs of the search bar filled, and the boxes that take Chinese text given the
    // operator's input method; after it closed both queries are closed. A window that needs
    // more overrides it, calling this one first.
    void prepare(Preparation &p) override;

public slots:
    // "查找": the house list with a condition for every filled box; "没有找到合适的记录！"
    // when no house matches.
    void findHouses();
    // The house list on its lines without the search boxes (a new month, say).
    bool reloadHouses();
    // The detail rows of the current house, or none without a house.
    void refreshDetail();

signals:
    // The detail query was opened or closed for the current house.
    void detailRefreshed();
    // The month picker shows another year or month.
    void monthChanged();

protected:
    // The lines of the detail query for the current house of houses(), the last one its
    // ordering, and the values its placeholders take.
    virtual QStringList detailLines(QVariantList *values) const = 0;
    // A condition every house query carries before the search boxes' ("(年度=?)and(月份=?)"),
    // bracketed; empty for none.
    virtual QString houseCondition(QVariantList *values) const;

    // The right-hand area above the detail grid, for the window's own panel.
    QVBoxLayout *detailArea() const { return m_detailArea; }
    // The formula pages of the current detail row, at the top of the detail area.
    FormulaPages *addFormulaPages(const FormulaPagesDesign &design);
    // A push button at the end of the strip (Panel4) under what the detail area holds so far
    // ("计算", "保存"); the strip is made with its first button.
    QPushButton *addStripButton(const QString &objectName, const QString &caption);
    // The strip's row, for what else it shows (a hint after the buttons).
    QHBoxLayout *stripRow();
    // Reports a database refusal; the data set's pending change stays.
    void reportError(const QString &reason);

    // "导出" and "打印" work on the detail grid, and on nothing without detail rows.
    bool hasOutput() const override;
    // The house list always fits its width, whatever an older layout file says.
    void layoutLoaded(bool fromFile) override;
    void dropPending() override;

private:
    void buildSearchBar();
    bool openHouses(bool withSearch, QString *error);

    HouseDetailDesign m_design;
    DataSet *m_houses;
    DataSet *m_details;
    SearchBar *m_search = nullptr;
    QDateEdit *m_month = nullptr;
    QLabel *m_state = nullptr;
    QSplitter *m_splitter = nullptr;
    DBGridEh *m_houseGrid = nullptr;
    DBGridEh *m_detailGrid = nullptr;
    QVBoxLayout *m_detailArea = nullptr;
    QHBoxLayout *m_strip = nullptr;
    int m_shownYear = 0;
    int m_shownMonth = 0;
};
