#pragma once

#include "data/rowstore.h"
#include "data/schema.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>
#include <memory>

// Everything that differs between the two engines an estate's database can live in: SQLite (one
// file in the home, one counter) and PostgreSQL (a server shared by several counters). Every
// statement the windows and computations write is the same on both; what is not lives here, and
// no other code asks which driver a connection uses. To add a difference, add a member here and
// implement it in sqlitedialect.cpp and postgresdialect.cpp (docs/sql-portability.md lists them).
//
//     const Dialect &d = Dialect::of(db);
//     d.lockHouses(db, {code}, &error);          // FOR UPDATE on the server, nothing on SQLite
//     sql += d.like(Schema::quoted(field));       // ILIKE on the server
class Dialect
{
public:
    // The rows of a select read straight from the engine into a RowStore.
    struct Rows
    {
        QStringList fields;
        RowStore store;
        QString error; // the database's reason when Failed
    };
    enum class Fetch { Done, Failed, NotHandled };

    // Appends many rows to one table with one statement per batch (the reports' rows, a copy of
    // a whole table): add() holds a row, flush() writes every row held, in order, and the writer
    // goes on taking rows. Nothing else may run on the connection between add() and flush().
    // Values as DataSet holds them (Money as such, or ten-thousandths).
    class RowWriter
    {
    public:
        virtual ~RowWriter() = default;
        virtual bool add(const QVariantList &row) = 0;
        // A row whose values are already as stored: a text's UTF-8 bytes, an integer, or none.
        // A writer that sends text (a server's COPY) takes the bytes as they are; by default the
        // row becomes a QVariantList for add().
        struct Cell
        {
            const char *utf8 = nullptr; // a text; none when null and not an integer
            qsizetype size = 0;
            qint64 integer = 0;
            bool isInteger = false;
        };
        virtual bool addCells(const Cell *cells, int count);
        virtual bool flush() = 0;
        QString error() const { return m_error; }

    protected:
        QString m_error;
    };

    // What a database holds: its tables, and its indexes with the table of each.
    struct Catalog
    {
        QStringList tables;
        QList<QPair<QString, QString>> indexes; // name, table
    };

    static const Dialect &sqlite();
    static const Dialect &postgres();
    // The dialect of a connection, by its driver (SQLite for anything else).
    static const Dialect &of(const QSqlDatabase &db);

    virtual ~Dialect() = default;
    // The Qt SQL driver: "QSQLITE" or "QPSQL".
    virtual QString driver() const = 0;

    // --- connection set-up ---
    // A trial connection to the database at `where` with the password given: whether it can be
    // reached, and whether a password is wanted (none given, or a wrong one).
    struct Probe
    {
        bool connected = false;
        bool passwordRefused = false;
        QString reason; // the server's reason when not connected
    };
    virtual Probe probe(const QString &where, const QString &password) const = 0;
    // Opens a new connection `name` to the database at `where` (a file path, or a server's
    // conninfo) with the password given (server only); read-only for a computation that must
    // change nothing. False with the reason when it cannot be opened.
    virtual bool open(QSqlDatabase &db, const QString &where, const QString &password, bool readOnly,
                      QString *error) const = 0;
    // What every connection gets once open, before its scratch table is made: on SQLite the busy
    // timeout, the journal (`journal`, "wal" or "delete"; a file whose journal must change is
    // checked first and refused, unchanged, when damaged), full sync and the pinyin collation;
    // on a server the lock timeout and exact sums.
    virtual bool setUpConnection(const QSqlDatabase &db, const QString &journal, QString *error) const = 0;
    // Stops the statement running on a connection from any thread once *cancel is set: it then
    // fails as interrupted. Kept for the life of the returned object (or the connection).
    virtual std::shared_ptr<void> cancelWhen(const QSqlDatabase &db, const std::atomic<bool> *cancel) const = 0;

    // --- schema ---
    // The column type of a field of this kind: money, integers and yes/no as 64-bit integers,
    // numbers as 8-byte reals, texts and dates as text.
    virtual QString columnType(FieldKind kind) const = 0;
    // The row identity column every table starts with.
    virtual QString idColumn() const = 0;
    // Statements a new database needs before its tables (the server's pinyin collation).
    virtual QStringList databaseStatements() const = 0;
    // A name as the database keeps it (a server cuts names longer than it holds).
    virtual QString storedName(const QString &identifier) const = 0;
    // The tables and indexes of the database (the connection's temporary ones left out).
    virtual bool catalog(const QSqlDatabase &db, Catalog *out, QString *error) const = 0;
    // The estate's tables present in the database are laid out as Schema makes them (the columns
    // of every table, of the right types): the reasons, in Chinese, when not. Only the server's
    // databases are checked here; an SQLite file is checked by the restore's own checks.
    virtual QStringList whyNotOurs(const QSqlDatabase &db) const = 0;

    // --- transactions and locks ---
    // The statement that opens an outermost transaction: SQLite takes the write lock at once
    // ("BEGIN IMMEDIATE", waiting out the busy timeout), so a change that reads before it writes
    // cannot fail half-way; a server locks rows instead (lockHouses).
    virtual QString beginStatement() const = 0;
    // The statement that opens a transaction which only reads and sees the database as it was at
    // its first read, whatever other counters commit meanwhile: SQLite's deferred "BEGIN" (a read
    // keeps its snapshot of the file until the transaction ends), a server's repeatable read.
    virtual QString readSnapshotStatement() const = 0;
    // Two connections reading one state of the database side by side (SideBySide). On the
    // first, just inside its read snapshot: the statement whose one value names that state for
    // the second (a server's exported snapshot), or a blank where a state cannot be handed over.
    virtual QString exportSnapshotStatement() const = 0;
    // The statement that makes a second connection's read snapshot, just opened, the state named
    // by the first's export; a blank where there is none.
    virtual QString importSnapshotStatement(const QString &name) const = 0;
    // Where the state cannot be handed over: a number that changes on a connection whenever
    // another connection has committed since its last read ("PRAGMA data_version"), so a second
    // connection can tell that its snapshot is the state it saw before the first's began.
    virtual QString changeCounterStatement() const = 0;
    // Locks the houses' rows of 房屋资料 until the transaction ends, in 房屋代码 order, waiting at
    // most the lock timeout for another counter's transaction that holds one. Nothing to do on
    // SQLite, whose transactions hold the whole file's write lock.
    virtual bool lockHouses(const QSqlDatabase &db, const QStringList &houseCodes, QString *error) const = 0;

    // --- search and order ---
    // A pattern match of a field against a bound pattern whose \ escapes % and _, ASCII letters
    // matched without regard to case: "field like ? escape '\'" (ILIKE on a server).
    virtual QString like(const QString &field) const = 0;
    // The collation clause of the program's text order (digits, Latin, then Chinese by pinyin),
    // the same name on both engines: " COLLATE pinyin".
    QString collation() const;
    // Text is sorted in this very program (SQLite calls the program's Collation), so rows that
    // two connections sorted apart can be merged here in the same order; a server's collation of
    // the same name may differ from this program's in rare texts, and its rows are not merged.
    virtual bool sortsInProgram() const = 0;

    // --- fast paths ---
    // Reads a whole select result straight from the engine with the values a QSqlQuery would
    // give, binding ":name" or "?" placeholders. NotHandled leaves it to QSqlQuery.
    virtual Fetch fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
                        const QVariantList &positional, Rows *out) const = 0;
    // The same, handing the rows to take() a part at a time (a few thousand rows each, in order;
    // the store is emptied after each part), so that a long result is never held whole. take()
    // false stops the statement: Failed with an empty error. By default the whole result is one
    // part.
    using TakePart = std::function<bool(const Rows &part)>;
    virtual Fetch fetchInParts(const QSqlDatabase &db, const QString &statement, const QVariantList &positional,
                               const TakePart &take, QString *error) const;
    // A writer of many rows into table's columns, or null where one prepared insert a row is as
    // fast (SQLite).
    virtual std::unique_ptr<RowWriter> rowWriter(const QSqlDatabase &db, const QString &table,
                                                 const QStringList &columns) const = 0;
    // After rows were written with their ids (a copy of a whole database): new rows get ids past
    // the highest one.
    virtual bool idsCopied(const QSqlDatabase &db, QString *error) const = 0;

    // --- maintenance ---
    // What "数据整理" runs outside any transaction after the tables are tidied: the space of
    // deleted rows given back and the planner's statistics renewed.
    virtual QStringList tidyStatements() const = 0;

protected:
    Dialect() = default;
};
