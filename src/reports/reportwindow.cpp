#include "reports/reportwindow.h"

#include "components/common/busyindicator.h"
#include "components/common/prompt.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "components/dbctrls/enterring.h"
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportformat.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

ReportDesign ReportDesign::of(const QString &className, const QString &caption, const QString &printTitle,
                              const QString &exportName)
{
    ReportDesign r;
    ListWindowDesign &s = r.list;
    s.className = className;
    s.caption = caption;
    s.titleBand = caption;
    s.printTitle = printTitle;
    s.exportName = exportName;
    s.layoutFile = className.mid(QStringLiteral("TForm_").size()) + QStringLiteral(".ini");
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 8;
    s.buttons = 0;
    return r;
}

ReportDesign::Compute ReportDesign::overBills(const BillWork &work)
{
    return [work](ReportWindow &w) -> ReportRun::Computation {
        BillReportFilter f;
        if (!w.billFilter(&f)) {
            return {};
        }
        return [work, f](const QSqlDatabase &db, ScratchSink &out, QString *error) { return work(db, f, out, error); };
    };
}

ReportDesign::Compute ReportDesign::overDeposits(const DepositWork &work, bool houseRequired)
{
    return [work, houseRequired](ReportWindow &w) -> ReportRun::Computation {
        DepositFilter f;
        if (!w.depositFilter(&f, houseRequired)) {
            return {};
        }
        return [work, f](const QSqlDatabase &db, ScratchSink &out, QString *error) { return work(db, f, out, error); };
    };
}

QList<FilterField> ReportDesign::billPeriod()
{
    using K = FilterField::Kind;
    return {FilterField::of(QStringLiteral("DateTimePicker1"), QStringLiteral("缴费时间从："), K::Month),
            FilterField::of(QStringLiteral("DateTimePicker2"), QStringLiteral("到："), K::Month)};
}

ReportWindow::ReportWindow(const ReportDesign &design, QWidget *parent)
    : ListWindow(Dm1::instance()->q_tongyong, design.list, parent)
    , m_report(design)
    , m_run(new ReportRun(this))
{
    buildFilterBar();
    connect(m_run, &ReportRun::finished, this, &ReportWindow::finish);
    if (!design.unitNote.isEmpty() || !design.stateMark.isEmpty()) {
        // The title band's notes: the unit at its right end, a payment state in large red.
        if (!design.stateMark.isEmpty()) {
            auto *mark = new QLabel(design.stateMark, this);
            mark->setObjectName(QStringLiteral("Label3"));
            mark->setStyleSheet(QStringLiteral("color: red; font-size: 20px; font-weight: bold; padding: 0;"));
            addToTitleBand(mark);
            static_cast<QHBoxLayout *>(titleBand()->layout())->addStretch(1);
        }
        if (!design.unitNote.isEmpty()) {
            auto *unit = new QLabel(design.unitNote, this);
            unit->setObjectName(QStringLiteral("Label2"));
            unit->setStyleSheet(QStringLiteral("color: black; font-size: 12px; font-weight: normal; padding: 0;"));
            addToTitleBand(unit);
        }
    }
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::buildFilterBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("FilterPanel"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(4);
    for (const FilterField &f : std::as_const(m_report.filters)) {
        QWidget *control = nullptr;
        switch (f.kind) {
        case FilterField::Kind::Month:
        case FilterField::Kind::Day: {
            auto *picker = new QDateEdit(Clock::today(), bar);
            picker->setCalendarPopup(true);
            // Days as every date of the program reads: 2004-08-15.
            picker->setDisplayFormat(f.kind == FilterField::Kind::Month ? QStringLiteral("yyyy年MM月")
                                                                        : DBDateTimeEditEh::displayFormat());
            picker->setMinimumWidth(f.kind == FilterField::Kind::Month ? 100 : 110);
            control = picker;
            break;
        }
        case FilterField::Kind::Combo: {
            auto *combo = new QComboBox(bar);
            combo->setEditable(true);
            combo->addItems(f.items);
            combo->setCurrentIndex(-1);
            combo->setMinimumWidth(110);
            control = combo;
            break;
        }
        case FilterField::Kind::Text:
            control = new QLineEdit(bar);
            control->setMinimumWidth(90);
            control->setMaximumWidth(120);
            break;
        case FilterField::Kind::Check:
            control = new QCheckBox(f.label, bar);
            break;
        }
        control->setObjectName(f.objectName);
        control->setAccessibleName(QString(f.label).remove(QStringLiteral("：")));
        if (f.kind != FilterField::Kind::Check) {
            auto *label = new QLabel(f.label, bar);
            label->setBuddy(control);
            row->addWidget(label);
        }
        row->addWidget(control);
        row->addSpacing(6);
        m_filters << control;
    }
    // Enter moves on through the filter bar, round to the first control, and types nothing.
    EnterRing::install(m_filters);

    m_compute = new QPushButton(m_report.computeCaption, bar);
    m_compute->setObjectName(QStringLiteral("SpeedButton1"));
    m_compute->setAccessibleName(m_report.computeCaption);
    m_compute->setAutoDefault(false);
    connect(m_compute, &QPushButton::clicked, this, &ReportWindow::compute);
    row->addWidget(m_compute);
    m_busy = new BusyIndicator(bar);
    m_busy->setObjectName(QStringLiteral("Animate1"));
    row->addWidget(m_busy);
    m_stop = new QPushButton(QStringLiteral("取消"), bar);
    m_stop->setObjectName(QStringLiteral("SpeedButton2"));
    m_stop->setAccessibleName(QStringLiteral("取消统计"));
    m_stop->setAutoDefault(false);
    m_stop->hide();
    connect(m_stop, &QPushButton::clicked, this, &ReportWindow::cancelCompute);
    row->addWidget(m_stop);
    row->addStretch(1);
    addPanel(bar, QStringLiteral("Panel2"));
}

void ReportWindow::prepare(Preparation &p)
{
    ListWindow::prepare(p);
    for (const auto &[box, items] : std::as_const(m_report.fills)) {
        p.fill(qobject_cast<QComboBox *>(filter(box)), items);
    }
    if (m_report.datesToday) {
        p.today(qobject_cast<QDateEdit *>(filter(QStringLiteral("DateTimePicker1"))),
                qobject_cast<QDateEdit *>(filter(QStringLiteral("DateTimePicker2"))));
    }
    p.scratch();
}

QWidget *ReportWindow::filter(const QString &objectName) const
{
    for (QWidget *w : m_filters) {
        if (w->objectName() == objectName) {
            return w;
        }
    }
    return nullptr;
}

QDate ReportWindow::dateOf(const QString &objectName) const
{
    auto *picker = qobject_cast<QDateEdit *>(filter(objectName));
    return picker ? picker->date() : QDate();
}

QString ReportWindow::textOf(const QString &objectName) const
{
    QWidget *w = filter(objectName);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        return edit->text();
    }
    if (auto *combo = qobject_cast<QComboBox *>(w)) {
        return combo->currentText();
    }
    return {};
}

std::optional<ReportTemplate> ReportWindow::homeTemplate(const QString &file)
{
    const QString path = HomeTemplate::pathIn(dm()->home(), file);
    if (!QFileInfo::exists(path)) {
        Prompt::notice(this, QStringLiteral("找不到模板文件：\n%1").arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    QString why;
    std::optional<ReportTemplate> report = ReportFormat::load(path, &why);
    if (!report) {
        Prompt::notice(this, QStringLiteral("打印文件被破坏，请与程序员联系！\n") + why);
    }
    return report;
}

bool ReportWindow::isTicked(const QString &objectName) const
{
    auto *box = qobject_cast<QCheckBox *>(filter(objectName));
    return box && box->isChecked();
}

bool ReportWindow::refuseFilter(const QString &objectName, const QString &message)
{
    Prompt::notice(this, message);
    if (QWidget *w = filter(objectName)) {
        w->setFocus();
    }
    return false;
}

bool ReportWindow::periodAccepted(ReportPeriod::Check check, const QString &missing, const QString &reversed)
{
    switch (check) {
    case ReportPeriod::Check::Missing:
        return refuseFilter(QStringLiteral("DateTimePicker1"), missing);
    case ReportPeriod::Check::Reversed:
        return refuseFilter(QStringLiteral("DateTimePicker1"), reversed);
    case ReportPeriod::Check::Ok:
        break;
    }
    return true;
}

bool ReportWindow::billPeriod(YearMonth *from, YearMonth *to)
{
    const QDate a = dateOf(QStringLiteral("DateTimePicker1")), b = dateOf(QStringLiteral("DateTimePicker2"));
    if (!periodAccepted(ReportPeriod::checkMonths(a, b), QStringLiteral("没有输入缴费时间,请重新输入!"),
                        QStringLiteral("缴费时间从不能大于缴费时间到,请重新输入!"))) {
        return false;
    }
    *from = YearMonth::of(a);
    *to = YearMonth::of(b);
    return true;
}

bool ReportWindow::dayPeriod(QDate *from, QDate *to)
{
    *from = dateOf(QStringLiteral("DateTimePicker1"));
    *to = dateOf(QStringLiteral("DateTimePicker2"));
    return periodAccepted(ReportPeriod::checkDays(*from, *to), QStringLiteral("没有输入日期,请重新输入!"),
                          QStringLiteral("日期从不能大于日期到,请重新输入!"));
}

bool ReportWindow::billFilter(BillReportFilter *filter)
{
    if (!billPeriod(&filter->from, &filter->to)) {
        return false;
    }
    filter->houseCode = textOf(QStringLiteral("Edit1"));
    filter->building = textOf(QStringLiteral("ComboBox2"));
    filter->unit = textOf(QStringLiteral("ComboBox1"));
    filter->feeName = textOf(QStringLiteral("ComboBox3"));
    return true;
}

bool ReportWindow::depositFilter(DepositFilter *filter, bool houseRequired)
{
    filter->houseCode = textOf(QStringLiteral("ComboBox1"));
    if (houseRequired && filter->houseCode.trimmed().isEmpty()) {
        return refuseFilter(QStringLiteral("ComboBox1"), QStringLiteral("没有输入房屋代码,请重新输入!"));
    }
    if (!dayPeriod(&filter->from, &filter->to)) {
        return false;
    }
    filter->building = textOf(QStringLiteral("ComboBox2"));
    return true;
}

ReportRun::Computation ReportWindow::computation()
{
    return m_report.compute ? m_report.compute(*this) : ReportRun::Computation();
}

void ReportWindow::compute()
{
    if (isComputing()) {
        return;
    }
    const ReportRun::Computation work = computation();
    if (!work) {
        return;
    }
    QString error;
    if (!m_run->start(work, dataSet(), &error, m_report.keepRows)) {
        Prompt::databaseError(this, error);
        return;
    }
    setComputing(true);
}

void ReportWindow::cancelCompute()
{
    m_run->cancel();
}

void ReportWindow::setComputing(bool on)
{
    QList<QWidget *> locked = m_filters;
    locked << m_compute << grid() << m_lockedWhileComputing;
    for (const char *name : {"bitbtn_delete", "bitbtn_out", "bitbtn_print", "bitbtn_reset", "Panel8"}) {
        if (QWidget *w = findChild<QWidget *>(QString::fromLatin1(name))) {
            locked << w;
        }
    }
    for (QWidget *w : std::as_const(locked)) {
        w->setEnabled(!on);
    }
    m_stop->setVisible(on);
    if (on) {
        m_busy->start();
        m_stop->setFocus();
    } else {
        m_busy->stop();
    }
}

void ReportWindow::finish(bool ok, const QString &error)
{
    setComputing(false);
    if (!ok && !error.isEmpty()) {
        Prompt::databaseError(this, error);
    }
    dataSet()->first();
    m_compute->setFocus();
    emit computed(ok);
}

void ReportWindow::showEvent(QShowEvent *event)
{
    if (!m_shown) {
        m_shown = true;
        // The opener's items leave the first one chosen; the filter starts empty.
        for (QWidget *w : std::as_const(m_filters)) {
            if (auto *combo = qobject_cast<QComboBox *>(w)) {
                combo->setCurrentIndex(-1);
            }
        }
        m_filters.constFirst()->setFocus();
    }
    ListWindow::showEvent(event);
}

void ReportWindow::done(int result)
{
    // A report still computing is stopped; nothing half-made stays in 通用.
    m_run->stop();
    ListWindow::done(result);
}
