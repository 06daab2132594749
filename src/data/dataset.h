#pragma once

#include "data/money.h"
#include "data/rowstore.h"
#include "data/schema.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A query whose SQL is a list of lines plus bound values (never spliced into the text). When
// open it holds every row of the result in memory (compactly, see RowStore) and a current row
// that the navigator and the data-bound editors follow. The query's owner names the table its
// rows belong to (setTable); then rows that carry that table's id can be edited, appended and
// deleted, and a change writes only that table's columns, by the row's id: a joined or
// computed column is shown but never written. A data set without a table is read-only.
//
// A field name that the open result does not have is a mistake in the program: value() and
// setValue() warn about it, and stop a debug build.
//
// The last SQL line of a list query is its ordering line, which a title-click sort replaces.
class DataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit DataSet(const QString &name = {}, QObject *parent = nullptr);
    // A data set whose rows belong to `table`.
    DataSet(const QString &name, const QString &table, QObject *parent = nullptr);
    ~DataSet() override;

    // --- SQL ---
    void setConnectionName(const QString &name) { m_connection = name; }
    QString connectionName() const { return m_connection; }
    QStringList sql() const { return m_sql; }
    void setSql(const QStringList &lines);
    void clearSql();
    void addLine(const QString &line);
    // The last line; a list query's ordering.
    QString orderingLine() const;
    void setOrderingLine(const QString &line);
    // Binds a value to a named placeholder (":name") or, with bindPositional, to the next "?".
    void bind(const QString &placeholder, const QVariant &value);
    void bindPositional(const QVariant &value);
    void clearBindings();
    QString statement() const { return m_sql.join(QLatin1Char('\n')); }

    // --- opening ---
    bool open();
    // Closes, replaces the SQL (and its bindings) by these lines and opens.
    bool openOn(const QStringList &lines);
    // Closes and opens on rows already at hand, those the lines would read now (a report's rows
    // as they were written into its scratch table), without reading them again; reopening and
    // sorting by a title run the lines.
    void openWith(const QStringList &lines, const QStringList &fields, RowStore rows);
    void close();
    bool reopen();
    // Runs an action statement (update, delete, insert); the data set stays closed.
    bool execute();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    QString lastError() const { return m_lastError; }
    // The table that edits, appends and deletes write to.
    void setTable(const QString &table) { m_table = table; }
    // The named table; for a data set that names none, the one table its SELECT reads when it
    // reads exactly one (no join, no list of tables), with a warning that it should be named.
    // Empty for a read-only data set.
    QString tableName() const;
    // The table named by the owner, empty when none was.
    QString namedTable() const { return m_table; }

    // --- rows and navigation ---
    int recordCount() const { return m_rows.rowCount(); }
    bool isEmpty() const { return recordCount() == 0; }
    int currentRow() const { return m_current; }
    bool bof() const { return m_current <= 0; }
    bool eof() const { return m_current < 0 || m_current >= recordCount() - 1; }
    void first();
    void prior();
    void next();
    void last();
    void moveTo(int row);

    // --- fields ---
    int fieldCount() const { return int(m_fields.size()); }
    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString &field) const { return m_fieldIndex.value(field, -1); }
    bool hasField(const QString &field) const { return m_fieldIndex.contains(field); }
    FieldKind fieldKind(int column) const;
    FieldKind fieldKind(const QString &field) const;
    // Declares the kind of a computed column (an alias such as "zje" holding a sum of money).
    void setFieldKind(const QString &field, FieldKind kind) { m_kindOverride.insert(field, kind); }

    // Raw stored value at any row; the current row's pending edit is seen at its row.
    QVariant value(int row, int column) const;
    QVariant value(const QString &field) const;
    bool isNull(const QString &field) const;
    QString text(const QString &field) const;
    // Nothing when the column holds no amount (Money::fromStored): callers report, never guess.
    std::optional<Money> money(const QString &field) const;
    double number(const QString &field) const;
    qint64 integer(const QString &field) const;
    QDateTime dateTime(const QString &field) const;
    QDate date(const QString &field) const { return dateTime(field).date(); }
    bool yesNo(const QString &field) const;
    // The text a grid or export shows for a cell: money in its shortest form, dates without
    // the time of day where the field holds a date, yes/no as True/False.
    QString displayText(int row, int column) const;

    // Setters work on the current row in edit or insert state.
    void setValue(const QString &field, const QVariant &value);
    void setText(const QString &field, const QString &text) { setValue(field, text); }
    void setMoney(const QString &field, Money m) { setValue(field, m.raw()); }
    void setNumber(const QString &field, double v) { setValue(field, v); }
    void setInteger(const QString &field, qint64 v) { setValue(field, v); }
    void setDateTime(const QString &field, const QDateTime &v);
    void setDate(const QString &field, const QDate &d);
    void setYesNo(const QString &field, bool v) { setValue(field, v ? 1 : 0); }
    void setNull(const QString &field) { setValue(field, QVariant()); }

    // --- editing ---
    // Puts the current row into edit state (nothing happens when already editing).
    bool edit();
    // Appends an empty row at the end, current, in insert state.
    void append();
    // Writes the pending row. On failure the row stays pending and lastError() tells why.
    bool post();
    void cancel();
    // Deletes the current row from the table.
    bool deleteCurrent();

    // Values of a stored date-time, and back (see StoredDate).
    static QString toStoredDateTime(const QDateTime &dt);
    static QDateTime fromStored(const QVariant &v);

signals:
    void opened();
    void closed();
    void currentChanged(int row);
    void stateChanged(DataSet::State state);
    // A row's values changed (edited, posted, cancelled).
    void rowChanged(int row);
    // One cell of an open data set took a new value; `before` is the value it had. Every change
    // of a cell is told, so totals over a column can follow it without reading every row.
    void cellChanged(int row, int column, const QVariant &before);
    void rowInserted(int row);
    // The row is still there to be read; rowRemoved follows once it is gone.
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void fieldChanged(const QString &field);

private:
    void setState(State s);
    void opening();
    void setCurrent(int row);
    bool runQuery(bool select);
    void setFields(const QStringList &fields);
    QVariant cell(int row, int column) const { return m_rows.value(row, column); }
    void setCell(int row, int column, const QVariant &value);
    // The column of a field the caller takes to exist; warns (and stops a debug build) when the
    // open result has no such field.
    int checkedField(const QString &field, const char *use) const;
    bool writes(const TableDef *table, int column) const;
    bool writeRow(QString *error);
    void removeCurrentRow();

    QString m_connection;
    QString m_table;
    QStringList m_sql;
    QList<QPair<QString, QVariant>> m_named;
    QVariantList m_positional;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex;
    QVector<FieldKind> m_kinds;
    QHash<QString, FieldKind> m_kindOverride;
    RowStore m_rows;
    int m_current = -1;
    State m_state = State::Inactive;
    QVector<QVariant> m_editBuffer; // the current row as it was before editing
    QString m_lastError;
    mutable bool m_guessWarned = false;
};
