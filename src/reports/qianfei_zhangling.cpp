#include "reports/qianfei_zhangling.h"

#include "components/common/prompt.h"
#include "components/grid/core/exporttable.h"
#include "components/report/reportpreview.h"
#include "data/clock.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "reports/core/statementreport.h"

#include <QDateEdit>
#include <QDir>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
ReportDesign agingDesign()
{
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(u"TForm_qianfei_zhangling"_s, u"业主欠费账龄表"_s, u"业主欠费账龄表打印清单"_s,
                                      u"业主欠费账龄表"_s);
    r.list.columns = ReportColumns::arrearsAging();
    r.filters = {FilterField::of(u"DateTimePicker1"_s, u"截至日期："_s, K::Day),
                 FilterField::of(u"ComboBox2"_s, u"楼宇名称："_s, K::Combo),
                 FilterField::of(u"Edit1"_s, u"最低净欠："_s, K::Text)};
    r.fills = {{u"ComboBox2"_s, Preparation::Items::Buildings}};
    r.unitNote = u"单位：元"_s;
    return r;
}
}

TForm_qianfei_zhangling::TForm_qianfei_zhangling(QWidget *parent)
    : ReportWindow(agingDesign(), parent)
{
    QToolButton *print = addButton(u"SpeedButton5"_s, u"打印催缴单"_s, u"催"_s, QColor(0xc6, 0x28, 0x28));
    QToolButton *list = addButton(u"SpeedButton6"_s, u"导出催缴名单"_s, u"单"_s, QColor(0x00, 0x83, 0x8f));
    disableWhileComputing(print);
    disableWhileComputing(list);
    connect(print, &QToolButton::clicked, this, &TForm_qianfei_zhangling::printReminders);
    connect(list, &QToolButton::clicked, this, &TForm_qianfei_zhangling::exportReminderList);
}

void TForm_qianfei_zhangling::prepare(Preparation &p)
{
    ReportWindow::prepare(p);
    p.today(qobject_cast<QDateEdit *>(filter(u"DateTimePicker1"_s)));
}

ReportRun::Computation TForm_qianfei_zhangling::computation()
{
    OwnerStatement::AgingFilter f;
    f.date = dateOf(u"DateTimePicker1"_s);
    if (!f.date.isValid()) {
        refuseFilter(u"DateTimePicker1"_s, u"没有输入日期,请重新输入!"_s);
        return {};
    }
    f.building = textOf(u"ComboBox2"_s);
    const QString minimum = textOf(u"Edit1"_s).trimmed();
    if (!minimum.isEmpty()) {
        const Money::Reading typed = Money::read(minimum, 4);
        if (!typed.ok()) {
            refuseFilter(u"Edit1"_s, u"“最低净欠”只能是数字！"_s);
            return {};
        }
        f.minimumNet = typed.value;
    }
    m_at = f.date;
    return [f](const QSqlDatabase &db, ScratchSink &out, QString *error) {
        QList<OwnerStatement::AgingRow> rows;
        return OwnerStatement::aging(db, f, &rows, error) && OwnerStatement::writeAgingRows(rows, out, error);
    };
}

QList<OwnerStatement::AgingRow> TForm_qianfei_zhangling::rowsShown() const
{
    QList<OwnerStatement::AgingRow> out;
    const DataSet *rows = dataSet();
    if (!rows->isOpen()) {
        return out;
    }
    StoredAmounts amount;
    const auto money = [&](int r, const char *column) {
        return amount(rows->value(r, rows->fieldIndex(QString::fromLatin1(column))));
    };
    const auto text = [&](int r, const char *column) {
        return rows->value(r, rows->fieldIndex(QString::fromLatin1(column))).toString();
    };
    for (int r = 0; r < rows->recordCount(); ++r) {
        OwnerStatement::AgingRow a;
        a.building = text(r, "texta");
        a.houseCode = text(r, "textb");
        a.owner = text(r, "textc");
        a.phone = text(r, "textd");
        a.earliestMonth = text(r, "texte");
        for (int i = 0; i < OwnerStatement::AgingBuckets; ++i) {
            a.buckets[size_t(i)] = amount(rows->value(r, rows->fieldIndex(OwnerStatement::agingField(i))));
        }
        a.total = money(r, "moneyf");
        a.odd = money(r, "moneyg");
        out << a;
    }
    return out;
}

void TForm_qianfei_zhangling::printReminders()
{
    const QList<OwnerStatement::AgingRow> rows = rowsShown();
    if (rows.isEmpty()) {
        return;
    }
    const std::optional<ReportTemplate> report = homeTemplate(StatementReport::ReminderFile);
    if (!report) {
        return;
    }
    QString why;
    // Each house's unpaid lines at the date of the rows, from its whole history.
    QStringList codes;
    for (const OwnerStatement::AgingRow &a : rows) {
        codes << a.houseCode;
    }
    QList<OwnerStatement::Statement> houses;
    if (!StatementReport::statementsOf(db(), codes, QDate(1900, 1, 1), m_at, &houses, &why)) {
        Prompt::databaseError(this, why);
        return;
    }
    const std::unique_ptr<MemoryRows> organisation = StatementReport::organisation(db(), &why);
    const std::optional<PreparedReport> prepared = organisation
        ? StatementReport::reminders(*report, houses, *organisation, {Clock::now(), session().currentOperator}, &why)
        : std::nullopt;
    if (!prepared) {
        Prompt::notice(this, u"打印文件被破坏，请与程序员联系！\n"_s + why);
        return;
    }
    ReportPreview::present(this, *prepared);
}

void TForm_qianfei_zhangling::exportReminderList()
{
    const QList<OwnerStatement::AgingRow> rows = rowsShown();
    if (rows.isEmpty()) {
        return;
    }
    const QString path =
        Prompt::saveFile(this, u"导出催缴名单"_s, u"催缴名单.csv"_s, {u"CSV 文件 (*.csv)"_s}, nullptr, u"csv"_s);
    if (path.isEmpty()) {
        return;
    }
    QString why;
    if (!Export::writeFile(ExportFormat::Csv, OwnerStatement::reminderList(rows), path, &why)) {
        Prompt::notice(this, u"催缴名单未能写入：\n"_s + why);
        return;
    }
    Prompt::notice(this, u"已导出 %1 户的催缴名单。"_s.arg(rows.size()), Prompt::Icon::Information);
}
