#pragma once

#include "shell/core/money.h"
#include "shell/core/schema.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A query whose SQL is a list of lines plus bound values (never spliced into the text). When
// open it holds every row of the result in memory and a current row that the navigator and
// the data-bound editors follow. Rows of a "select * from <table> ..." query can be edited,
// appended and deleted; the change is written to <table> by the row's id.
//
// The last SQL line of a list query is its ordering line, which a title-click sort replaces.
class DataSet : public QObject
{
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit DataSet(const QString &name = {}, QObject *parent = nullptr);
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
    void close();
    bool reopen();
    // Runs an action statement (update, delete, insert); the data set stays closed.
    bool execute();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    QString lastError() const { return m_lastError; }
    // The table that edits and deletes write to: the first "from <name>" of the SQL.
    QString tableName() const;

    // --- rows and navigation ---
    int recordCount() const { return m_rowCount; }
    bool isEmpty() const { return m_rowCount == 0; }
    int currentRow() const { return m_current; }
    bool bof() const { return m_current <= 0; }
    bool eof() const { return m_current < 0 || m_current >= m_rowCount - 1; }
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

    // Values of a stored date-time, and back.
    static QString toStoredDateTime(const QDateTime &dt);
    static QDateTime fromStored(const QVariant &v);

signals:
    void opened();
    void closed();
    void currentChanged(int row);
    void stateChanged(DataSet::State state);
    // A row's values changed (edited, posted, cancelled).
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void fieldChanged(const QString &field);

private:
    void setState(State s);
    void setCurrent(int row);
    bool runQuery(bool select);
    void setFields(const QStringList &fields);
    QVariant cell(int row, int column) const { return m_cells[qsizetype(row) * m_fields.size() + column]; }
    QVariant &cellRef(int row, int column) { return m_cells[qsizetype(row) * m_fields.size() + column]; }
    bool writeRow(QString *error);

    QString m_connection;
    QStringList m_sql;
    QList<QPair<QString, QVariant>> m_named;
    QVariantList m_positional;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex;
    QVector<FieldKind> m_kinds;
    QHash<QString, FieldKind> m_kindOverride;
    QVector<QVariant> m_cells;
    int m_rowCount = 0;
    int m_rowsHint = 0; // rows of the last opening: a reopen sizes its cells once
    bool m_reopening = false; // close() keeps the cells' memory for the rows coming back
    int m_current = -1;
    State m_state = State::Inactive;
    QVector<QVariant> m_editBuffer; // the current row as it was before editing
    QString m_lastError;
};
