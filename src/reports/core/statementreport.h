#pragma once

#include "components/report/core/reportengine.h"
#include "reports/core/ownerstatement.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The printed owner statement (report/业主对账单.frf) and the arrears reminder
// (report/催缴通知单.frf): the data sets their templates read, and the reports prepared for one
// house or for many, each house on pages of its own. No widgets: the windows preview or write
// the prepared report.
namespace StatementReport {
inline const QString StatementFile = QStringLiteral("业主对账单.frf");
inline const QString ReminderFile = QStringLiteral("催缴通知单.frf");
// The statement's data sets: its one row of house, period and totals; its ledger and deposit
// rows (the master band); the reminder's one row and its unpaid lines (the master band).
inline const QString StatementName = QStringLiteral("对账单");
inline const QString RowsName = QStringLiteral("对账明细");
inline const QString ReminderName = QStringLiteral("催缴");
inline const QString UnpaidName = QStringLiteral("欠费明细");
inline const QString OrganisationName = QStringLiteral("公司信息");

// Gives a home both templates when it has none; an edited one is never replaced.
bool install(const QString &home, QString *error = nullptr);

// Who printed, and when: the header of every statement and reminder.
struct Printing
{
    QDateTime at;
    QString operatorName;
};

// The one-row data set of a statement: 房屋代码, 楼宇名称, 楼宇单元, 业主名称, 联系电话,
// 对账期间, 打印时间, 操作员, 期初余额, 应缴合计, 实缴合计, 期末余额, the five aging buckets
// (未到期, 逾期1至30天, 逾期31至60天, 逾期61至90天, 逾期90天以上), 零头, 押金, 未缴项数, 说明.
// Amounts are written as owners read them (Money::toWritten).
std::unique_ptr<MemoryRows> statementRow(const OwnerStatement::Statement &s, const Printing &printing);
// The ledger and deposit rows, as the window's grid shows them (OwnerStatement::writeRows):
// 日期, 摘要, 应缴, 实缴, 余额, 押金收取, 押金支出, 押金余额, 业主名称, 备注, 类别.
std::unique_ptr<MemoryRows> statementRows(const OwnerStatement::Statement &s);
// The organisation's one row of 公司信息.
std::unique_ptr<MemoryRows> organisation(const QSqlDatabase &db, QString *error);

// The statements, one after the other, each on pages of its own ([PAGE] and [PAGES] count
// within a house). Nothing, with the reason, when the template does not fit the data.
std::optional<PreparedReport> statements(const ReportTemplate &report, const QList<OwnerStatement::Statement> &list,
                                         const ReportData &organisation, const Printing &printing, QString *error);
// The reminders of the houses, one per house: 房屋代码, 楼宇名称, 业主名称, 联系电话, 截至日期,
// 欠费合计, 零头, 净欠, 最早欠费月份 in its one-row data set; its unpaid lines (月份, 收费名称,
// 金额, 逾期天数) as the master band.
std::optional<PreparedReport> reminders(const ReportTemplate &report, const QList<OwnerStatement::Statement> &list,
                                        const ReportData &organisation, const Printing &printing, QString *error);

// The houses a batch looks at: every house of the building (blank: every house of the estate),
// in code order.
bool batchHouses(const QSqlDatabase &db, const QString &building, QStringList *codes, QString *error);
// The statements of the houses over [from, to], in the order given, those keep accepts (all
// without it). step(done, total) is told after each house and stops (false, empty error) when
// it returns false.
bool statementsOf(const QSqlDatabase &db, const QStringList &codes, const QDate &from, const QDate &to,
                  QList<OwnerStatement::Statement> *out, QString *error,
                  const std::function<bool(const OwnerStatement::Statement &)> &keep = {},
                  const std::function<bool(int done, int total)> &step = {});
// The statements of a batch over [from, to]: every house of the building, or, with no building
// given, every house of the estate whose closing balance is above 0. step(done, total) is told
// after each house and stops the batch (false, empty error) when it returns false.
bool batch(const QSqlDatabase &db, const QString &building, const QDate &from, const QDate &to,
           QList<OwnerStatement::Statement> *out, QString *error,
           const std::function<bool(int done, int total)> &step = {});
}
