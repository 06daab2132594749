#include "masterdata/core/houseitems.h"

#include "data/formulas.h"
#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
// The house fields copied onto each of its items.
const QStringList HouseFields = {
    QStringLiteral("房屋代码"), QStringLiteral("房屋名称"),   QStringLiteral("楼宇名称"),
    QStringLiteral("楼宇单元"), QStringLiteral("业主名称"),   QStringLiteral("房屋面积"),
    QStringLiteral("公摊面积"), QStringLiteral("其它面积一"), QStringLiteral("其它面积二")};
// The fee item fields copied as they are.
const QStringList ItemFields = {QStringLiteral("收费名称"), QStringLiteral("计算公式"), QStringLiteral("收费面积"),
                                QStringLiteral("收费范围"), QStringLiteral("收费说明"), QStringLiteral("收费周期"),
                                QStringLiteral("收费类别")};

const QStringList AreaFields = {QStringLiteral("房屋面积"),   QStringLiteral("公摊面积"),
                                QStringLiteral("其它面积一"), QStringLiteral("其它面积二"),
                                QStringLiteral("其它面积三"), QStringLiteral("其它面积四")};

QString reason(const QSqlQuery &q)
{
    const QString db = q.lastError().databaseText().trimmed();
    return db.isEmpty() ? q.lastError().text() : db;
}
}

std::optional<Money> HouseItems::initialQuantity(const QString &formula, double area)
{
    if (formula == Formula::ByArea) {
        return Money::fromReal(area);
    }
    return formula == Formula::Direct ? Money::fromUnits(1) : Money();
}

std::optional<Money> HouseItems::savedQuantity(const QString &formula, std::optional<Money> typed)
{
    if (formula == Formula::ByMeter) {
        return Money();
    }
    return formula == Formula::Direct ? std::optional<Money>(Money::fromUnits(1)) : typed;
}

int HouseItems::addMissing(Dm1 *dm, const QString &houseCode, QString *error)
{
    int added = 0;
    const bool ok = dm->inTransaction(
        [&](QString *why) {
            QSqlQuery house(dm->database());
            house.prepare(QStringLiteral("select * from 房屋资料 where (房屋代码=?)"));
            house.addBindValue(houseCode);
            if (!house.exec()) {
                *why = reason(house);
                return false;
            }
            if (!house.next()) {
                *why = QStringLiteral("房屋代码为“%1”的房屋已经不存在。").arg(houseCode);
                return false;
            }
            QSqlQuery items(dm->database());
            items.prepare(QStringLiteral("select * from 收费项目 where 停止收费='否' and 收费名称 is not null "
                                         "and 收费名称 not in (select 收费名称 from 房屋收费项目 "
                                         "where 房屋代码=? and 收费名称 is not null) order by %1")
                              .arg(Dm1::orderTerm(QStringLiteral("收费名称"))));
            items.addBindValue(houseCode);
            if (!items.exec()) {
                *why = reason(items);
                return false;
            }
            QStringList columns = HouseFields + ItemFields;
            columns << QStringLiteral("单价") << QStringLiteral("预付金额");
            QStringList quoted;
            for (const QString &c : std::as_const(columns)) {
                quoted << Schema::quoted(c);
            }
            QSqlQuery insert(dm->database());
            if (!insert.prepare(QStringLiteral("insert into 房屋收费项目 (%1) values (%2)")
                                    .arg(quoted.join(QLatin1Char(',')),
                                         QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))))) {
                *why = reason(insert);
                return false;
            }
            while (items.next()) {
                for (const QString &f : HouseFields) {
                    insert.addBindValue(house.value(f));
                }
                for (const QString &f : ItemFields) {
                    insert.addBindValue(items.value(f));
                }
                // A same-amount item charges its common amount to every house.
                const bool sameAmount =
                    items.value(QStringLiteral("收费类别")).toString() == QStringLiteral("业主收费金额相同");
                insert.addBindValue(items.value(sameAmount ? QStringLiteral("金额") : QStringLiteral("单价")));
                // Only an area field is charged; "其它面积三" and "其它面积四" are named by some
                // items but are no fields of the house, so they charge nothing.
                const QString areaField = items.value(QStringLiteral("收费面积")).toString();
                const int areaColumn = AreaFields.contains(areaField) ? house.record().indexOf(areaField) : -1;
                const double area = areaColumn >= 0 ? house.value(areaColumn).toDouble() : 0.0;
                const std::optional<Money> quantity =
                    initialQuantity(items.value(QStringLiteral("计算公式")).toString(), area);
                if (!quantity) {
                    *why = QStringLiteral("房屋“%1”的%2不是正确的面积。").arg(houseCode, areaField);
                    return false;
                }
                insert.addBindValue(quantity->raw());
                if (!insert.exec()) {
                    *why = reason(insert);
                    return false;
                }
                ++added;
            }
            return true;
        },
        error);
    return ok ? added : -1;
}
