#pragma once

// The estate of the meter-reading benchmarks: houses with water and electricity meters and a
// management fee, July's readings, August generated; and the meter reader's workbook of
// August's readings for them (房屋代码, 水费, 电费: a row a house).
#include "billing/core/billgeneration.h"
#include "data/dm1.h"

#include <QSqlQuery>
#include <tuple>
#include <xlsxwriter.h>

namespace ReadingEstate {

inline const QString Meter = QStringLiteral("单价*(本月数-上月数)");

inline QString code(int h)
{
    return QStringLiteral("%1-%2").arg(h / 100 + 1).arg(h % 100 + 101);
}

inline bool fill(Dm1 &dm, int houses)
{
    const bool ok = dm.inTransaction([&](QString *) {
        QSqlQuery q(dm.database());
        if (!q.exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 单价) values ('水费', '%1', 25000), "
                                   "('电费', '%1', 6000)")
                        .arg(Meter)))
            return false;
        QSqlQuery house(dm.database()), item(dm.database()), line(dm.database());
        house.prepare(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称, 使用状况) values (?, ?, '入住')"));
        item.prepare(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                    "values (?, ?, ?, ?, ?)"));
        line.prepare(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, 本月表数, "
                                    "上月表数, 缴费状态) values (?, ?, ?, '2004', '7', ?, ?, '未缴费')"));
        for (int h = 0; h < houses; ++h) {
            house.addBindValue(code(h));
            house.addBindValue(QStringLiteral("业主%1").arg(h));
            if (!house.exec())
                return false;
            const QList<std::tuple<QString, QString, qint64, double>> items = {
                {QStringLiteral("水费"), Meter, 25000, 100.0 + h % 7},
                {QStringLiteral("电费"), Meter, 6000, 500.0 + h % 11},
                {QStringLiteral("物业费"), QStringLiteral("单价*面积"), 12000, 0}};
            for (const auto &[name, formula, price, july] : items) {
                item.addBindValue(code(h));
                item.addBindValue(name);
                item.addBindValue(formula);
                item.addBindValue(price);
                item.addBindValue(formula == Meter ? 0 : 880000);
                if (!item.exec())
                    return false;
                if (formula != Meter)
                    continue;
                line.addBindValue(code(h));
                line.addBindValue(name);
                line.addBindValue(formula);
                line.addBindValue(july);
                line.addBindValue(july - (name == u"电费" ? 30 : 10));
                if (!line.exec())
                    return false;
            }
        }
        return true;
    });
    return ok && BillGeneration(dm.database()).generateEstate({2004, 8}).error.isEmpty();
}

inline void writeSheet(const QString &path, int houses)
{
    lxw_workbook *book = workbook_new(path.toUtf8().constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "房屋代码", nullptr);
    worksheet_write_string(sheet, 0, 1, "水费", nullptr);
    worksheet_write_string(sheet, 0, 2, "电费", nullptr);
    for (int h = 0; h < houses; ++h) {
        worksheet_write_string(sheet, lxw_row_t(h + 1), 0, code(h).toUtf8().constData(), nullptr);
        worksheet_write_number(sheet, lxw_row_t(h + 1), 1, 112.5 + h % 7, nullptr);
        worksheet_write_number(sheet, lxw_row_t(h + 1), 2, 540 + h % 11, nullptr);
    }
    workbook_close(book);
}

}
