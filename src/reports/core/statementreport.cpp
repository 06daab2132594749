#include "reports/core/statementreport.h"

#include "components/report/core/noticetemplate.h"
#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/schema.h"
#include "data/storeddate.h"
#include "reports/core/reportperiod.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString written(Money m)
{
    return m.toWritten();
}

// Rows a report writes for the scratch table, kept as the named fields of a template's data set.
class TemplateRows : public ScratchSink
{
public:
    TemplateRows(MemoryRows *rows, QList<QPair<const char *, QString>> columns)
        : m_rows(rows)
        , m_columns(std::move(columns))
    {
        for (const auto &[column, name] : m_columns) {
            m_rows->addField(name, FieldKind::Text);
        }
    }
    bool append(ScratchRow row) override
    {
        QStringList texts(m_columns.size());
        for (const ScratchCell &c : row) {
            for (int i = 0; i < m_columns.size(); ++i) {
                if (qstrcmp(c.column, m_columns[i].first) != 0 || c.value.isNull()) {
                    continue;
                }
                if (c.value.metaType() == QMetaType::fromType<Money>()) {
                    texts[i] = written(c.value.value<Money>());
                } else if (qstrncmp(c.column, "date", 4) == 0) {
                    texts[i] = StoredDate::formatDate(StoredDate::parse(c.value.toString()).date);
                } else {
                    texts[i] = c.value.toString();
                }
            }
        }
        m_rows->addRow(texts);
        return true;
    }

private:
    MemoryRows *m_rows;
    QList<QPair<const char *, QString>> m_columns;
};

std::unique_ptr<MemoryRows> oneRow(const QList<QPair<QString, QString>> &fields)
{
    auto rows = std::make_unique<MemoryRows>();
    QStringList texts;
    for (const auto &[name, text] : fields) {
        rows->addField(name, FieldKind::Text);
        texts << text;
    }
    rows->addRow(texts);
    return rows;
}

QString period(const OwnerStatement::Statement &s)
{
    return StoredDate::formatDate(s.from) + QStringLiteral(" 至 ") + StoredDate::formatDate(s.to);
}

QList<QPair<QString, QString>> houseFields(const OwnerStatement::Statement &s, const StatementReport::Printing &p)
{
    return {{QStringLiteral("房屋代码"), s.houseCode},
            {QStringLiteral("楼宇名称"), s.building},
            {QStringLiteral("楼宇单元"), s.unit},
            {QStringLiteral("业主名称"), s.owner},
            {QStringLiteral("联系电话"), s.phone},
            {QStringLiteral("打印时间"), p.at.toString(QStringLiteral("yyyy-MM-dd HH:mm"))},
            {QStringLiteral("操作员"), p.operatorName}};
}

// Prepares the template once for each house and puts the pages one after the other.
template<typename Sources>
std::optional<PreparedReport> eachHouse(const ReportTemplate &report, const QList<OwnerStatement::Statement> &list,
                                        Sources sourcesOf, QString *error)
{
    PreparedReport all;
    all.report = report;
    for (const OwnerStatement::Statement &s : list) {
        std::optional<PreparedReport> one = sourcesOf(s, error);
        if (!one) {
            return std::nullopt;
        }
        all.pages << one->pages;
    }
    return all;
}

}

bool StatementReport::install(const QString &home, QString *error)
{
    return HomeTemplate::install(home, StatementFile, error) && HomeTemplate::install(home, ReminderFile, error);
}

std::unique_ptr<MemoryRows> StatementReport::statementRow(const OwnerStatement::Statement &s, const Printing &p)
{
    QList<QPair<QString, QString>> fields = houseFields(s, p);
    fields << qMakePair(QStringLiteral("对账期间"), period(s))
           << qMakePair(QStringLiteral("期初余额"), written(s.opening))
           << qMakePair(QStringLiteral("应缴合计"), written(s.totalDue))
           << qMakePair(QStringLiteral("实缴合计"), written(s.totalPaid))
           << qMakePair(QStringLiteral("期末余额"), written(s.closing));
    static const char *const Buckets[] = {"未到期", "逾期1至30天", "逾期31至60天", "逾期61至90天", "逾期90天以上"};
    for (int i = 0; i < OwnerStatement::AgingBuckets; ++i) {
        fields << qMakePair(QString::fromUtf8(Buckets[i]), written(s.aging[size_t(i)]));
    }
    fields << qMakePair(QStringLiteral("零头"), written(s.odd)) << qMakePair(QStringLiteral("押金"), written(s.deposit))
           << qMakePair(QStringLiteral("未缴项数"), QString::number(s.unpaid.size()))
           << qMakePair(QStringLiteral("说明"), s.isEmpty() ? QStringLiteral("无往来记录") : QString());
    return oneRow(fields);
}

std::unique_ptr<MemoryRows> StatementReport::statementRows(const OwnerStatement::Statement &s)
{
    auto rows = std::make_unique<MemoryRows>();
    TemplateRows out(rows.get(),
                     {{"datea", QStringLiteral("日期")},
                      {"texta", QStringLiteral("摘要")},
                      {"moneya", QStringLiteral("应缴")},
                      {"moneyb", QStringLiteral("实缴")},
                      {"moneyc", QStringLiteral("余额")},
                      {"moneyd", QStringLiteral("押金收取")},
                      {"moneye", QStringLiteral("押金支出")},
                      {"moneyf", QStringLiteral("押金余额")},
                      {"textb", QStringLiteral("业主名称")},
                      {"textc", QStringLiteral("备注")},
                      {"textd", QStringLiteral("类别")}});
    QString unused;
    OwnerStatement::writeRows(s, out, &unused);
    return rows;
}

std::unique_ptr<MemoryRows> StatementReport::organisation(const QSqlDatabase &db, QString *error)
{
    auto rows = std::make_unique<MemoryRows>(Schema::table(OrganisationName)->fields);
    QSqlQuery q(db);
    if (!runBound(q, QStringLiteral("SELECT * FROM 公司信息 ORDER BY id"), {}, error)) {
        return nullptr;
    }
    if (q.next()) {
        QStringList texts;
        for (const QString &field : rows->fieldNames()) {
            texts << q.value(field).toString();
        }
        rows->addRow(texts);
    }
    return rows;
}

std::optional<PreparedReport> StatementReport::statements(const ReportTemplate &report,
                                                          const QList<OwnerStatement::Statement> &list,
                                                          const ReportData &organisation, const Printing &printing,
                                                          QString *error)
{
    return eachHouse(
        report, list,
        [&](const OwnerStatement::Statement &s, QString *why) {
            const std::unique_ptr<MemoryRows> head = statementRow(s, printing);
            const std::unique_ptr<MemoryRows> rows = statementRows(s);
            return ReportEngine::prepare(
                report, {{StatementName, head.get()}, {RowsName, rows.get()}, {OrganisationName, &organisation}}, why);
        },
        error);
}

std::optional<PreparedReport> StatementReport::reminders(const ReportTemplate &report,
                                                         const QList<OwnerStatement::Statement> &list,
                                                         const ReportData &organisation, const Printing &printing,
                                                         QString *error)
{
    return eachHouse(
        report, list,
        [&](const OwnerStatement::Statement &s, QString *why) {
            Money total;
            QString earliest;
            auto lines = std::make_unique<MemoryRows>();
            for (const char *name : {"月份", "收费名称", "金额", "逾期天数"}) {
                lines->addField(QString::fromUtf8(name), FieldKind::Text);
            }
            for (const OwnerStatement::UnpaidLine &u : s.unpaid) {
                total += u.amount;
                if (earliest.isEmpty()) {
                    earliest = u.month;
                }
                lines->addRow({u.month, u.fee, written(u.amount),
                               u.daysOverdue > 0 ? QString::number(u.daysOverdue) : QStringLiteral("未到期")});
            }
            QList<QPair<QString, QString>> fields = houseFields(s, printing);
            fields << qMakePair(QStringLiteral("截至日期"), s.to.toString(QStringLiteral("yyyy年M月d日")))
                   << qMakePair(QStringLiteral("欠费合计"), written(total))
                   << qMakePair(QStringLiteral("零头"), written(s.odd))
                   << qMakePair(QStringLiteral("净欠"), written(total - s.odd))
                   << qMakePair(QStringLiteral("最早欠费月份"), earliest);
            const std::unique_ptr<MemoryRows> head = oneRow(fields);
            return ReportEngine::prepare(
                report, {{ReminderName, head.get()}, {UnpaidName, lines.get()}, {OrganisationName, &organisation}},
                why);
        },
        error);
}

bool StatementReport::batchHouses(const QSqlDatabase &db, const QString &building, QStringList *codes, QString *error)
{
    Conditions c;
    c.equals(QStringLiteral("楼宇名称"), building);
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT 房屋代码 FROM 房屋资料") + c.where() + QStringLiteral("\nORDER BY ")
                      + Dm1::orderTerm(QStringLiteral("房屋代码")) + QStringLiteral(", id"),
                  c.binds(), error)) {
        return false;
    }
    while (q.next()) {
        if (!q.value(0).toString().isEmpty()) {
            *codes << q.value(0).toString();
        }
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool StatementReport::statementsOf(const QSqlDatabase &db, const QStringList &codes, const QDate &from, const QDate &to,
                                   QList<OwnerStatement::Statement> *out, QString *error,
                                   const std::function<bool(const OwnerStatement::Statement &)> &keep,
                                   const std::function<bool(int, int)> &step)
{
    for (int i = 0; i < codes.size(); ++i) {
        OwnerStatement::Statement s;
        if (!OwnerStatement::compute(db, {codes[i], from, to, false}, &s, error)) {
            return false;
        }
        if (!keep || keep(s)) {
            *out << s;
        }
        if (step && !step(i + 1, int(codes.size()))) {
            error->clear();
            return false;
        }
    }
    return true;
}

bool StatementReport::batch(const QSqlDatabase &db, const QString &building, const QDate &from, const QDate &to,
                            QList<OwnerStatement::Statement> *out, QString *error,
                            const std::function<bool(int, int)> &step)
{
    QStringList codes;
    if (!batchHouses(db, building, &codes, error)) {
        return false;
    }
    const bool owingOnly = building.trimmed().isEmpty();
    return statementsOf(
        db, codes, from, to, out, error,
        [owingOnly](const OwnerStatement::Statement &s) { return !owingOnly || s.closing.raw() > 0; }, step);
}
