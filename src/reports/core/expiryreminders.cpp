#include "reports/core/expiryreminders.h"

#include "reports/core/reportperiod.h"
#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>

bool ExpiryReminders::compute(const QSqlDatabase &db, const QDate &today, int days, ScratchSink &out, QString *error)
{
    // Due: before the start of the day after the horizon's last day.
    const QDate after = today.addDays(qBound(0, days, MaxDays) + 1);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT 房屋代码, 房屋面积, 业主名称, 迁入日期, 迁出日期 FROM 房屋资料\n"
                                  "WHERE 迁出日期 IS NOT NULL AND 迁出日期 <> '' AND 迁出日期 < ?\n"
                                  "ORDER BY ")
                   + Dm1::orderTerm(QStringLiteral("房屋代码")) + QStringLiteral(", id"))) {
        *error = q.lastError().text();
        return false;
    }
    q.bindValue(0, ReportPeriod::dayStart(after));
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        const QVariant area = q.value(1);
        // The area as the operator typed it: 85.5, 120; nothing when there is none.
        const QString areaText = area.isNull() ? QString() : QString::number(area.toDouble(), 'g', 15);
        if (!out.append({{"texta", q.value(0).toString()},
                         {"textb", areaText},
                         {"textc", q.value(2).toString()},
                         {"datea", q.value(3)},
                         {"dateb", q.value(4)}})) {
            *error = QStringLiteral("统计已取消");
            return false;
        }
    }
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}
