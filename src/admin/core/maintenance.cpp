#include "admin/core/maintenance.h"

#include "data/dm1.h"
#include "data/schema.h"

#include <algorithm>
#include <functional>

namespace Maintenance {

namespace {

bool run(Dm1 *dm, const QStringList &tables, const std::function<QString(const Item &)> &statement, QString *error)
{
    if (!dm || !dm->isConnected()) {
        if (error) {
            *error = QStringLiteral("系统数据库没有连接。");
        }
        return false;
    }
    for (const QString &name : tables) {
        const bool known =
            std::any_of(items().cbegin(), items().cend(), [&name](const Item &i) { return i.table == name; });
        if (!known) {
            if (error) {
                *error = QStringLiteral("数据表 %1 不能整理或初始化。").arg(name);
            }
            return false;
        }
    }
    return dm->inTransaction(
        [&](QString *why) {
            for (const Item &item : items()) {
                if (tables.contains(item.table) && !dm->exec(statement(item), {}, why)) {
                    return false;
                }
            }
            return true;
        },
        error);
}

}

const QList<Item> &items()
{
    static const QList<Item> list = {
        {QStringLiteral("收费项目"), QStringLiteral("收费项目"), QStringLiteral("收费名称")},
        {QStringLiteral("业主资料"), QStringLiteral("业主资料"), QStringLiteral("业主名称")},
        {QStringLiteral("实收费用明细表"), QStringLiteral("收费汇总表"), QStringLiteral("房屋代码")},
        {QStringLiteral("房屋迁入迁出表"), QStringLiteral("房屋租赁表"), QStringLiteral("房屋代码")},
        {QStringLiteral("房屋资料"), QStringLiteral("房屋资料"), QStringLiteral("房屋代码")},
        {QStringLiteral("房屋收费项目"), QStringLiteral("房屋收费项目"), QStringLiteral("房屋代码")},
        {QStringLiteral("收费明细表"), QStringLiteral("收费明细表"), QStringLiteral("房屋代码")},
        {QStringLiteral("押金明细表"), QStringLiteral("押金明细表"), QStringLiteral("房屋代码")},
    };
    return list;
}

QString initialiseStatement(const Item &item)
{
    return QStringLiteral("delete from %1").arg(Schema::quoted(item.table));
}

QString tidyStatement(const Item &item)
{
    return QStringLiteral("delete from %1 where %2 IS NULL").arg(Schema::quoted(item.table), Schema::quoted(item.key));
}

bool initialise(Dm1 *dm, const QStringList &tables, QString *error)
{
    return run(dm, tables, initialiseStatement, error);
}

bool tidy(Dm1 *dm, const QStringList &tables, QString *error)
{
    if (!run(dm, tables, tidyStatement, error)) {
        return false;
    }
    // Outside any transaction: a server gives back the deleted rows' space and renews the
    // planner's statistics (VACUUM ANALYZE).
    for (const QString &statement : dm->dialect().tidyStatements()) {
        if (!dm->exec(statement, {}, error)) {
            return false;
        }
    }
    return true;
}

}
