#pragma once

#include "components/grid/dbgrideh.h"

#include <QList>

// The grid of a house's bill lines (收费明细表), declared once for the three windows that show
// them. Every kind has 收费名称 (footer "合计"), 单价, 本月表数, 上月表数, 面积/数量,
// 收费金额 (footer: the sum), 开始日期, 结束日期, 计算公式, 房屋代码, 业主名称 and 备注.
namespace BillLineColumns {
enum class Kind {
    Bills, // "业主应缴费用管理": 单价 titled "单价(比例)", 面积/数量 "面积/数量/金额"
    Payments, // "业主缴费管理": as Bills, and 缴费状态, 单据号码 before 备注
    History, // "业主缴费明细查询": 年度, 月份 first, plain titles, 缴费状态 and 单据号码
};
QList<GridColumn> of(Kind kind);
}
