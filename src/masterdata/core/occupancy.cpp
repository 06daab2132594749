#include "masterdata/core/occupancy.h"

#include "data/dataset.h"
#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {
const QString Vacant = QStringLiteral("空置");

QVariant storedDate(const QDate &d)
{
    return d.isValid() ? QVariant(DataSet::toStoredDateTime(d.startOfDay())) : QVariant();
}

// Runs an update; the rows it changed, -1 with the reason when it was refused.
int update(Dm1 *dm, const QString &sql, const QVariantList &binds, QString *error)
{
    QSqlQuery q(dm->database());
    if (!q.prepare(sql)) {
        *error = q.lastError().databaseText();
        return -1;
    }
    for (int i = 0; i < binds.size(); ++i) {
        q.bindValue(i, binds[i]);
    }
    if (!q.exec()) {
        *error = q.lastError().databaseText();
        return -1;
    }
    return q.numRowsAffected();
}
}

Occupancy::HouseNow Occupancy::houseNow(Dm1 *dm, const QString &houseCode, QString *error)
{
    HouseNow now;
    QSqlQuery q(dm->database());
    q.prepare(QStringLiteral("select 使用状况, 业主名称 from 房屋资料 where (房屋代码=?)"));
    q.addBindValue(houseCode);
    if (!q.exec()) {
        *error = q.lastError().databaseText();
        return now;
    }
    if (q.next()) {
        now.exists = true;
        now.state = q.value(0).toString().trimmed();
        now.owner = q.value(1).toString();
    }
    return now;
}

bool Occupancy::ownerExists(Dm1 *dm, const QString &owner, QString *error)
{
    return dm->scalar(QStringLiteral("select count(*) from 业主资料 where (业主名称=?)"), {owner}, error).toLongLong()
        > 0;
}

bool Occupancy::apply(Dm1 *dm, const Move &move, QString *error)
{
    // The house's row first, as a payment takes it: the conditions below see it as it is.
    if (!dm->dialect().lockHouses(dm->database(), {move.houseCode}, error)) {
        return false;
    }
    if (caseOf(move.movedOut, move.movedIn) == Case::MoveOut) {
        return update(dm,
                      QStringLiteral("update 房屋资料 set 迁入日期=null,迁出日期=null,业主名称='',身份证号='',"
                                     "工作单位='',联系地址='',联系电话='',使用状况=? "
                                     "where (房屋代码=?)and(业主名称=?)"),
                      {Vacant, move.houseCode, move.owner}, error)
            >= 0
            && update(dm, QStringLiteral("update 业主资料 set 房屋代码='' where (业主名称=?)and(房屋代码=?)"),
                      {move.owner, move.houseCode}, error)
            >= 0;
    }
    const QString state = move.movedIn ? QStringLiteral("入住") : QStringLiteral("预定");
    QString sql = QStringLiteral("update 房屋资料 set 迁入日期=?,迁出日期=?,业主名称=?,身份证号=?,工作单位=?,"
                                 "联系地址=?,联系电话=?,使用状况=? where (房屋代码=?)");
    QVariantList binds = {storedDate(move.moveIn),
                          storedDate(move.plannedOut),
                          move.owner,
                          move.idNumber,
                          move.employer,
                          move.address,
                          move.phone,
                          state,
                          move.houseCode};
    if (!move.isNew) {
        sql += QStringLiteral("and((使用状况 is null)or(使用状况='')or(使用状况=?)or(业主名称=?))");
        binds << Vacant << move.owner;
    }
    const int houses = update(dm, sql, binds, error);
    if (houses <= 0) {
        return houses == 0;
    }
    return update(dm, QStringLiteral("update 业主资料 set 房屋代码=? where (业主名称=?)"), {move.houseCode, move.owner},
                  error)
        >= 0;
}

bool Occupancy::release(Dm1 *dm, const QString &owner, QString *error)
{
    return update(dm, QStringLiteral("update 业主资料 set 是否使用='否' where (业主名称=?)"), {owner}, error) >= 0;
}
