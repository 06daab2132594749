#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Dm1;

// Initialisation (emptying chosen tables) and tidying (deleting their rows without a key) of
// the eight tables the operator may choose. 楼宇资料, 公司信息, 权限表 and 通用 are never touched:
// buildings, the organisation row and the operators survive.
namespace Maintenance {

struct Item
{
    QString caption; // the check box's text
    QString table;
    QString key; // the field whose null marks a row for tidying
};

// The eight tables in their fixed order.
const QList<Item> &items();

QString initialiseStatement(const Item &item);
QString tidyStatement(const Item &item);

// Runs the statement of each chosen table (by table name) in the fixed order, all in one
// transaction: every chosen table is changed or none. A name that is not one of the eight is
// refused before anything runs. An empty choice changes nothing and succeeds.
bool initialise(Dm1 *dm, const QStringList &tables, QString *error = nullptr);
bool tidy(Dm1 *dm, const QStringList &tables, QString *error = nullptr);

}
