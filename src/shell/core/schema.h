#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a stored field holds. Money is stored as an integer count of ten-thousandths, dates as
// text "YYYY-MM-DD HH:MM:SS" (always with the time part), yes/no as 0/1.
enum class FieldKind { Text, Memo, Money, Number, Integer, Date, DateTime, YesNo };

struct FieldDef
{
    QString name;
    FieldKind kind;
};

struct TableDef
{
    QString name;
    QList<FieldDef> fields;
    QStringList uniqueKey; // declared unique on a new database; empty for none
    QList<QStringList> indexes; // columns that lookups and reports filter on

    bool hasField(const QString &field) const;
};

// An index of a table, named after its columns ("ix_收费明细表_收费名称_年度_月份"; "ux_" for a
// unique one), so that the indexes a database has can be told from the ones it should have.
struct IndexDef
{
    QString table;
    QStringList columns;
    bool unique = false;

    QString name() const;
    QString createStatement() const;
};

namespace Schema {
const QList<TableDef> &tables();
const TableDef *table(const QString &name);
// Kind of a field by name; the estate's field names mean the same in every table.
// Unknown names (aliases of computed columns) read as text.
FieldKind kindOf(const QString &field);
bool isKnownField(const QString &field);
// A double-quoted identifier, safe for names such as 面积/数量.
QString quoted(const QString &identifier);
// Every index a database should have: each table's unique key, then its lookup indexes.
QList<IndexDef> indexes();
// True for the name of an index this program made (earlier versions' names included).
bool isIndexName(const QString &name);
// The statements that create every table and index of a new database.
QStringList createStatements();
}
