#pragma once

#include "components/report/core/reporttemplate.h"
#include "listwindow/listwindow.h"
#include "reports/core/billreports.h"
#include "reports/core/depositreports.h"
#include "reports/core/reportcolumns.h"
#include "reports/core/reportperiod.h"
#include "reports/core/reportrun.h"

#include <QDate>
#include <QStringList>
#include <optional>

class BusyIndicator;
class QPushButton;
class ReportWindow;

// One control of a report's filter bar.
struct FilterField
{
    enum class Kind {
        Month, // a date picker showing "yyyy年MM月": only its year and month count
        Day, // a date picker of whole days
        Text, // a free text box
        Combo, // an editable drop-down; its items come from the opener or from the design
        Check, // a check box whose text is the label
    };

    QString objectName; // DateTimePicker1, Edit1, ComboBox2
    QString label; // "缴费时间从："
    Kind kind = Kind::Text;
    QStringList items; // a drop-down's fixed items

    static FilterField of(const QString &objectName, const QString &label, Kind kind)
    {
        return {objectName, label, kind, {}};
    }
    FilterField &withItems(const QStringList &list)
    {
        items = list;
        return *this;
    }
};

// What is particular to one report window: its list-window design (texts, grid with its
// footers, buttons), its filter bar and its computation. Printing, export, the layout file and
// the worker thread come with the window:
//
//     ReportDesign r = ReportDesign::of("TForm_statistics_money", "按月份统计缴费总金额",
//                                       "按金额统计汇总表打印清单", "按金额统计汇总表");
//     r.list.columns = ReportColumns::yearMonth() + ReportColumns::dueTotals(true, 80);
//     r.list.columns << ReportColumns::remark();
//     r.filters = ReportDesign::billPeriod();
//     r.filters << FilterField::of("Edit1", "房屋代码：", FilterField::Kind::Text);
//     r.compute = ReportDesign::overBills(&BillReports::monthTotals);
//
// and the window class is a constructor: TForm_x(QWidget *parent) : ReportWindow(design(), parent) {}.
// A chart or another widget under the grid: addUnderGrid() in the constructor; it is printed
// under the rows.
struct ReportDesign
{
    ListWindowDesign list;
    QList<FilterField> filters; // in the order of the Enter ring
    QString computeCaption = QStringLiteral("统计");
    QString unitNote; // "单位：元", at the right of the title band
    QString stateMark; // "已 缴 费", large and red in the title band
    // What the window is given when it opens: the drop-downs filled, in this order, and for the
    // deposit reports the two pickers set to today; the scratch table is emptied for all.
    QList<QPair<QString, Preparation::Items>> fills;
    bool datesToday = false;
    // The work for the filter as it is set (see ReportWindow::computation()); a window without
    // one overrides computation().
    using Compute = std::function<ReportRun::Computation(ReportWindow &window)>;
    Compute compute;
    // Which thread makes the grid's rows (ReportRun::KeepRows): the worker for rows computed
    // from sums, the window's thread for rows read one by one from a long statement.
    ReportRun::KeepRows keepRows = ReportRun::KeepRows::OnWorker;
    // The computations over the bill filter and the deposit filter: the filter read and checked
    // (ReportWindow::billFilter(), depositFilter()), then work on the worker thread.
    using BillWork = std::function<bool(const QSqlDatabase &, const BillReportFilter &, ScratchSink &, QString *)>;
    using DepositWork = std::function<bool(const QSqlDatabase &, const DepositFilter &, ScratchSink &, QString *)>;
    static Compute overBills(const BillWork &work);
    static Compute overDeposits(const DepositWork &work, bool houseRequired = false);

    // The constants every report window has: the caption is also the title band, the layout
    // file is named after the unit ("statistics_arrear.ini"), the layout can be reset, and
    // "隐藏最右边的列" leaves eight columns.
    static ReportDesign of(const QString &className, const QString &caption, const QString &printTitle,
                           const QString &exportName);
    // The two month pickers of a bill report, "缴费时间从：" and "到：".
    static QList<FilterField> billPeriod();
};

// A report window: the list window over the scratch table 通用 (q_tongyong) without editing,
// with a filter bar whose compute button ("统计", SpeedButton1) checks the filter and computes
// the rows. While it computes, the busy indicator (Animate1) turns beside the button and
// "取消" (SpeedButton2) stops it; the window stays responsive, and the rows appear together when
// they are all computed. A window subclasses it with its design and its computation().
class ReportWindow : public ListWindow
{
    Q_OBJECT
public:
    ReportWindow(const ReportDesign &design, QWidget *parent = nullptr);
    ~ReportWindow() override;

    QWidget *filter(const QString &objectName) const;
    // A picker's date, a box's text as typed.
    QDate dateOf(const QString &objectName) const;
    QString textOf(const QString &objectName) const;
    // Whether a check box of the filter is ticked.
    bool isTicked(const QString &objectName) const;

    bool isComputing() const { return m_run->isRunning(); }

    // The filter of a bill report: the period of DateTimePicker1 and DateTimePicker2 (false,
    // after the message, when it is missing or reversed) and the boxes the window has, as typed
    // (房屋代码 Edit1, 楼宇名称 ComboBox2, 楼宇单元 ComboBox1, 收费名称 ComboBox3).
    bool billFilter(BillReportFilter *filter);
    // The filter of a deposit report: 房屋代码 ComboBox1 (false after its message when required
    // and blank), the whole days of the two pickers, 楼宇名称 ComboBox2.
    bool depositFilter(DepositFilter *filter, bool houseRequired);

    void prepare(Preparation &p) override;

public slots:
    void compute();
    void cancelCompute();

signals:
    // A computation ended: its rows are shown (ok), or it was cancelled or failed.
    void computed(bool ok);

protected:
    // The work for the filter as it is set, run away from the window (it must not touch a
    // widget); an empty function when the filter is refused (the window has said why and
    // focused the control) or there is nothing to compute. By default the design's compute.
    virtual ReportRun::Computation computation();

    // The bill months of DateTimePicker1 and DateTimePicker2; false, after the message and with
    // the focus on the from-picker, when they hold no date or are reversed.
    bool billPeriod(YearMonth *from, YearMonth *to);
    // The same for the whole days of a deposit report.
    bool dayPeriod(QDate *from, QDate *to);
    // The home's report template of that name (report/<file>), or nothing after the notice that
    // says it is missing or damaged.
    std::optional<ReportTemplate> homeTemplate(const QString &file);
    // Shows the message, focuses the control; false.
    bool refuseFilter(const QString &objectName, const QString &message);
    // While computing, the window's own buttons are disabled with the others.
    void disableWhileComputing(QWidget *w) { m_lockedWhileComputing << w; }

    void done(int result) override;
    void showEvent(QShowEvent *event) override;

private:
    // False, after the message for a missing or a reversed period, when check is not Ok.
    bool periodAccepted(ReportPeriod::Check check, const QString &missing, const QString &reversed);
    void buildFilterBar();
    void setComputing(bool on);
    void finish(bool ok, const QString &error);

    ReportDesign m_report;
    QList<QWidget *> m_filters;
    QList<QWidget *> m_lockedWhileComputing;
    QPushButton *m_compute = nullptr;
    QPushButton *m_stop = nullptr;
    BusyIndicator *m_busy = nullptr;
    ReportRun *m_run;
    bool m_shown = false;
};
