#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class Dialect;

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
    // A table of each connection (通用, the scratch rows of the report being shown): created
    // when the connection opens, seen by it alone, gone when it closes.
    bool temporary = false;
    // Indexes over the rows in one state only: their columns, the condition (a fixed
    // comparison that the statements reading those rows write out as it is, 缴费状态='未缴费')
    // and the word that ends the index's name.
    struct PartialIndex
    {
        QStringList columns;
        QString condition;
        QString tag;
    };
    QList<PartialIndex> partialIndexes = {};

    bool hasField(const QString &field) const;
};

// An index of a table, named after its columns ("ix_收费明细表_收费名称_年度_月份"; "ux_" for a
// unique one), so that the indexes a database has can be told from the ones it should have.
struct IndexDef
{
    QString table;
    QStringList columns;
    bool unique = false;
    // Over the rows in one state only (缴费状态='未缴费'); its name then ends in `tag`.
    QString condition = {};
    QString tag = {};

    QString name() const;
    QString createStatement() const;
};

namespace Schema {
// A bill line's payment state with the lines that have none (NULL or empty) read as "未缴费", so
// that one comparison tells paid from unpaid: `alias` names the table in the statement, none
// for an index's condition.
QString billState(const QString &alias = {});
// The unpaid lines, "<billState> = '未缴费'": the condition of the unpaid lines' index, which a
// statement uses when it writes this comparison as it stands.
QString unpaidLines(const QString &alias = {});
const QList<TableDef> &tables();
const TableDef *table(const QString &name);
// Kind of a field by name; the estate's field names mean the same in every table.
// Unknown names (aliases of computed columns) read as text.
FieldKind kindOf(const QString &field);
bool isKnownField(const QString &field);
// A double-quoted identifier, safe for names such as 面积/数量.
QString quoted(const QString &identifier);
// Every index the file's tables (or with `temporary`, each connection's tables) should have:
// each table's unique key, then its lookup indexes.
QList<IndexDef> indexes(bool temporary = false);
// True for the name of an index this program made (earlier versions' names included).
bool isIndexName(const QString &name);
// A field name as it goes into an ordering line: as it stands when it is a plain identifier
// (Chinese letters included), double-quoted otherwise ("面积/数量").
QString orderingName(const QString &field);
// The statements that create every table and index of a new database (the temporary tables
// are not part of it), in the engine's own types (SQLite when none is named).
QStringList createStatements();
QStringList createStatements(const Dialect &dialect);
// The statements that create the temporary tables and their indexes on a connection just
// opened. Its own scratch table shadows any table of that name an older file still keeps.
QStringList connectionStatements(const Dialect &dialect);
}
