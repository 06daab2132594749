#include "masterdata/core/housestatus.h"

#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>

bool HouseStatus::fill(Dm1 *dm, Counts *counts, QString *error)
{
    const QString occupied = QStringLiteral("入住");
    const QString mark = QStringLiteral("△");
    Counts result;
    const bool ok = dm->inTransaction(
        [&](QString *why) {
            if (!dm->exec(QStringLiteral("delete from 通用"), {}, why)) {
                return false;
            }
            // Columns a house does not fill stay null, as when the rows were appended one by one.
            const QString fillRows = QStringLiteral("insert into 通用 (texta, textb, textc, textd, texte) "
                                                    "select 房屋代码, "
                                                    "case when 使用状况 = ? then ? end, "
                                                    "case when 使用状况 = ? then null else ? end, "
                                                    "case when 使用状况 = ? then 业主名称 end, "
                                                    "case when 使用状况 = ? then 联系电话 end "
                                                    "from 房屋资料 order by %1")
                                         .arg(Dm1::orderTerm(QStringLiteral("房屋代码")));
            if (!dm->exec(fillRows, {occupied, mark, occupied, mark, occupied, occupied}, why)) {
                return false;
            }
            QSqlQuery q(dm->database());
            if (!q.exec(QStringLiteral("select count(textb), count(textc) from 通用")) || !q.next()) {
                *why = q.lastError().databaseText();
                return false;
            }
            result.occupied = q.value(0).toLongLong();
            result.vacant = q.value(1).toLongLong();
            return true;
        },
        error);
    if (ok && counts) {
        *counts = result;
    }
    return ok;
}
