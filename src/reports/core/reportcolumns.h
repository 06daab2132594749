#pragma once

#include "components/grid/core/gridcolumn.h"
#include "reports/core/billreports.h"

#include <QList>
#include <QString>
#include <QStringList>

// The column tables of the reports over the scratch table 通用: what their windows show and
// what an export of them writes.
namespace ReportColumns {
// A money column summed in the footer.
GridColumn money(const QString &field, const QString &title, int width);
// 年度 (texta, footer "合计") and 月份 (textb) of the totals by month and by fee item.
QList<GridColumn> yearMonth();
// What was billed, paid and unpaid (moneya, moneyb, moneyc: "应缴总金额", "已缴总金额",
// "未缴总金额", summed), each after the number of houses it counts (numbera, numberb, numberc)
// when withHouses.
QList<GridColumn> dueTotals(bool withHouses, int width);
// The deposit reports' house and movements: 楼宇名称 (textc), 房屋代码 (texta, footer "合计"),
// 业主名称 (textb), "操作类型|收取" (moneya), "操作类型|冲抵费用" and "操作类型|退还" in the
// fields given, all three summed, and 余额 (moneyd).
QList<GridColumn> depositMovements(const QString &offsetField, const QString &refundField);
// The remarks column every report ends with; it shows no field.
GridColumn remark(const QString &title = QStringLiteral("备注"));
// The columns, every one with a field but those named in except made a sort button.
QList<GridColumn> sortable(QList<GridColumn> columns, const QStringList &except = {});

// The columns of each report, remarks column included.
QList<GridColumn> arrears(); // 业主欠费总表
QList<GridColumn> monthTotals(); // 按月份统计缴费总金额
QList<GridColumn> itemTotals(); // 按收费项目统计缴费总金额
QList<GridColumn> listing(BillReports::Listing kind); // 业主缴费全况表, 已缴费 and 未缴费项目明细表
QList<GridColumn> depositDetail(); // 业主押金明细表
QList<GridColumn> depositSummary(); // 业主押金汇总表
QList<GridColumn> ownerStatement(); // 业主对账单: the ledger and the deposit movements side by side
QList<GridColumn> arrearsAging(); // 业主欠费账龄表
}
