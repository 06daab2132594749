#include "data/dataset.h"

#include "data/dialect.h"
#include "data/storeddate.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
QString errorText(const QSqlError &e)
{
    const QString db = e.databaseText().trimmed();
    return db.isEmpty() ? e.text().trimmed() : db;
}
}

DataSet::DataSet(const QString &name, QObject *parent)
    : QObject(parent)
    , m_connection(QStringLiteral("ADO_system"))
{
    setObjectName(name);
}

DataSet::DataSet(const QString &name, const QString &table, QObject *parent)
    : DataSet(name, parent)
{
    m_table = table;
}

DataSet::~DataSet() = default;

void DataSet::setSql(const QStringList &lines)
{
    m_sql = lines;
}

void DataSet::clearSql()
{
    m_sql.clear();
    clearBindings();
}

void DataSet::addLine(const QString &line)
{
    m_sql << line;
}

QString DataSet::orderingLine() const
{
    return m_sql.isEmpty() ? QString() : m_sql.constLast();
}

void DataSet::setOrderingLine(const QString &line)
{
    if (m_sql.isEmpty()) {
        m_sql << line;
    } else {
        m_sql.last() = line;
    }
}

void DataSet::bind(const QString &placeholder, const QVariant &value)
{
    for (auto &p : m_named) {
        if (p.first == placeholder) {
            p.second = value;
            return;
        }
    }
    m_named.append({placeholder, value});
}

void DataSet::bindPositional(const QVariant &value)
{
    m_positional << value;
}

void DataSet::clearBindings()
{
    m_named.clear();
    m_positional.clear();
}

bool DataSet::runQuery(bool select)
{
    m_lastError.clear();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) {
        m_lastError = QStringLiteral("数据库没有连接");
        return false;
    }
    if (select) {
        // The fast way reads the engine directly into the rows; QSqlQuery stays for the
        // statements only it decides on.
        Dialect::Rows rows;
        switch (Dialect::of(db).fetch(db, statement(), m_named, m_positional, &rows)) {
        case Dialect::Fetch::Done:
            setFields(rows.fields);
            m_rows = std::move(rows.store);
            return true;
        case Dialect::Fetch::Failed:
            m_lastError = rows.error.trimmed();
            return false;
        case Dialect::Fetch::NotHandled:
            break;
        }
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(statement())) {
        m_lastError = errorText(q.lastError());
        return false;
    }
    for (const auto &p : m_named) {
        q.bindValue(p.first, p.second);
    }
    for (int i = 0; i < m_positional.size(); ++i) {
        q.bindValue(i, m_positional[i]);
    }
    if (!q.exec()) {
        m_lastError = errorText(q.lastError());
        return false;
    }
    if (!select) {
        return true;
    }
    const QSqlRecord rec = q.record();
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i) {
        fields << rec.fieldName(i);
    }
    setFields(fields);
    const int n = int(m_fields.size());
    m_rows.reset(n);
    while (q.next()) {
        const int row = m_rows.appendRow();
        for (int i = 0; i < n; ++i) {
            m_rows.set(row, i, q.value(i));
        }
    }
    // next() also stops on a read error: a part of the rows is not the list.
    if (q.lastError().isValid()) {
        m_lastError = errorText(q.lastError());
        return false;
    }
    return true;
}

void DataSet::setFields(const QStringList &fields)
{
    m_fields = fields;
    m_fieldIndex.clear();
    m_kinds.clear();
    for (int i = 0; i < m_fields.size(); ++i) {
        m_fieldIndex.insert(m_fields[i], i);
        m_kinds << m_kindOverride.value(m_fields[i], Schema::kindOf(m_fields[i]));
    }
}

bool DataSet::open()
{
    close();
    if (!runQuery(true)) {
        m_fields.clear();
        m_fieldIndex.clear();
        m_rows.reset();
        return false;
    }
    opening();
    return true;
}

void DataSet::opening()
{
    m_state = State::Browse;
    m_current = recordCount() > 0 ? 0 : -1;
    emit opened();
    emit stateChanged(m_state);
    emit currentChanged(m_current);
}

void DataSet::openWith(const QStringList &lines, const QStringList &fields, RowStore rows)
{
    close();
    clearSql();
    m_sql = lines;
    m_lastError.clear();
    setFields(fields);
    m_rows = std::move(rows);
    opening();
}

bool DataSet::openOn(const QStringList &lines)
{
    close();
    clearSql();
    m_sql = lines;
    return open();
}

bool DataSet::reopen()
{
    close();
    return open();
}

void DataSet::close()
{
    if (m_state == State::Inactive) {
        return;
    }
    m_state = State::Inactive;
    m_rows.reset();
    m_current = -1;
    m_editBuffer.clear();
    emit closed();
    emit stateChanged(m_state);
}

bool DataSet::execute()
{
    return runQuery(false);
}

void DataSet::setState(State s)
{
    if (m_state != s) {
        m_state = s;
        emit stateChanged(s);
    }
}

void DataSet::setCurrent(int row)
{
    if (recordCount() == 0) {
        row = -1;
    } else {
        row = qBound(0, row, recordCount() - 1);
    }
    if (row == m_current) {
        return;
    }
    if (isEditing()) {
        // Leaving a pending row writes it, as a record set does when the cursor moves on.
        if (!post()) {
            return;
        }
    }
    m_current = row;
    emit currentChanged(row);
}

void DataSet::first()
{
    setCurrent(0);
}
void DataSet::prior()
{
    setCurrent(m_current - 1);
}
void DataSet::next()
{
    setCurrent(m_current + 1);
}
void DataSet::last()
{
    setCurrent(recordCount() - 1);
}
void DataSet::moveTo(int row)
{
    setCurrent(row);
}

FieldKind DataSet::fieldKind(int column) const
{
    return column >= 0 && column < m_kinds.size() ? m_kinds[column] : FieldKind::Text;
}

FieldKind DataSet::fieldKind(const QString &field) const
{
    const int i = fieldIndex(field);
    return i >= 0 ? m_kinds[i] : m_kindOverride.value(field, Schema::kindOf(field));
}

int DataSet::checkedField(const QString &field, const char *use) const
{
    const int column = fieldIndex(field);
    if (column < 0 && isOpen()) {
        const QString what = QStringLiteral("%1 \"%2\": no field \"%3\" in %4")
                                 .arg(QString::fromLatin1(use), objectName(), field, m_fields.join(QLatin1Char(',')));
        qWarning("DataSet::%s", qPrintable(what));
        Q_ASSERT_X(false, "DataSet", qPrintable(what));
    }
    return column;
}

QString DataSet::tableName() const
{
    if (!m_table.isEmpty()) {
        return m_table;
    }
    // An owner that names no table still writes the single table its query reads, as data sets
    // did before they were told their table; a join or a list of tables is never guessed at.
    static const QRegularExpression single(
        QStringLiteral("^\\s*select\\b(?:(?!\\(|\\bfrom\\b).)*\\bfrom\\s+(\"[^\"]+\"|[^\\s,()\"]+)"
                       "(?:\\s+(?!where\\b|order\\b|group\\b|limit\\b|join\\b|left\\b|inner\\b|cross\\b)"
                       "(?:as\\s+)?[^\\s,()]+)?\\s*(?:$|\\bwhere\\b|\\border\\b)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QString sql = statement();
    const QRegularExpressionMatch m = single.match(sql);
    if (!m.hasMatch()) {
        return {};
    }
    QString table = m.captured(1);
    if (table.startsWith(QLatin1Char('"'))) {
        table = table.mid(1, table.size() - 2);
    }
    if (!m_guessWarned) {
        m_guessWarned = true;
        qWarning("DataSet %s names no table; it writes to %s, the table its query reads", qPrintable(objectName()),
                 qPrintable(table));
    }
    return table;
}

QVariant DataSet::value(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= m_fields.size()) {
        return {};
    }
    return cell(row, column);
}

QVariant DataSet::value(const QString &field) const
{
    return value(m_current, checkedField(field, "value"));
}

bool DataSet::isNull(const QString &field) const
{
    return value(field).isNull();
}

QString DataSet::text(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull()) {
        return {};
    }
    switch (fieldKind(field)) {
    case FieldKind::Money:
        return Money::storedText(v);
    default:
        return v.toString();
    }
}

std::optional<Money> DataSet::money(const QString &field) const
{
    return Money::fromStored(value(field));
}

double DataSet::number(const QString &field) const
{
    return value(field).toDouble();
}

qint64 DataSet::integer(const QString &field) const
{
    return value(field).toLongLong();
}

QDateTime DataSet::dateTime(const QString &field) const
{
    return fromStored(value(field));
}

bool DataSet::yesNo(const QString &field) const
{
    return value(field).toInt() != 0;
}

QString DataSet::displayText(int row, int column) const
{
    const QVariant v = value(row, column);
    if (v.isNull()) {
        return {};
    }
    switch (fieldKind(column)) {
    case FieldKind::Money:
        return Money::storedText(v);
    case FieldKind::Date:
    case FieldKind::DateTime: {
        if (v.typeId() != QMetaType::QString) {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid()) {
                return v.toString();
            }
            return fieldKind(column) == FieldKind::Date ? StoredDate::formatDate(dt.date()) : StoredDate::format(dt);
        }
        const QString text = v.toString();
        const StoredDate::Value d = StoredDate::parse(text);
        if (!d.isValid()) {
            return text;
        }
        return fieldKind(column) == FieldKind::Date ? StoredDate::formatDate(d.date)
                                                    : StoredDate::format(d.date, d.seconds);
    }
    case FieldKind::YesNo:
        return v.toInt() != 0 ? QStringLiteral("是") : QStringLiteral("否");
    case FieldKind::Number: {
        const double d = v.toDouble();
        return QString::number(d, 'g', 15);
    }
    default:
        return v.toString();
    }
}

void DataSet::setCell(int row, int column, const QVariant &value)
{
    const QVariant before = cell(row, column);
    m_rows.set(row, column, value);
    emit cellChanged(row, column, before);
}

void DataSet::setValue(const QString &field, const QVariant &v)
{
    const int col = checkedField(field, "setValue");
    if (col < 0 || m_current < 0) {
        return;
    }
    if (!isEditing()) {
        edit();
    }
    QVariant stored = v;
    if (stored.typeId() == QMetaType::QString && stored.toString().isNull() && !v.isNull()) {
        stored = QString(QLatin1String(""));
    }
    setCell(m_current, col, stored);
    emit fieldChanged(field);
    emit rowChanged(m_current);
}

void DataSet::setDateTime(const QString &field, const QDateTime &v)
{
    setValue(field, v.isValid() ? QVariant(toStoredDateTime(v)) : QVariant());
}

void DataSet::setDate(const QString &field, const QDate &d)
{
    setValue(field, d.isValid() ? QVariant(toStoredDateTime(d.startOfDay())) : QVariant());
}

bool DataSet::edit()
{
    if (m_state == State::Inactive || m_current < 0) {
        return false;
    }
    if (isEditing()) {
        return true;
    }
    m_editBuffer.resize(m_fields.size());
    for (int c = 0; c < m_fields.size(); ++c) {
        m_editBuffer[c] = cell(m_current, c);
    }
    setState(State::Edit);
    return true;
}

void DataSet::append()
{
    if (m_state == State::Inactive) {
        return;
    }
    if (isEditing()) {
        cancel();
    }
    m_current = m_rows.appendRow();
    m_editBuffer.clear();
    emit rowInserted(m_current);
    setState(State::Insert);
    emit currentChanged(m_current);
}

// A column is written when it is one of the named table's own (the id aside): a joined or
// computed column is only shown. A table the schema does not know has its columns taken as
// they come.
bool DataSet::writes(const TableDef *def, int column) const
{
    const QString &field = m_fields[column];
    if (field == QLatin1String("id")) {
        return false;
    }
    if (!def) {
        return true;
    }
    for (const FieldDef &f : def->fields) {
        if (f.name == field) {
            return true;
        }
    }
    return false;
}

bool DataSet::writeRow(QString *error)
{
    const QString table = tableName();
    const int idCol = fieldIndex(QStringLiteral("id"));
    if (table.isEmpty() || idCol < 0) {
        *error = QStringLiteral("该查询不能修改数据");
        return false;
    }
    const TableDef *def = Schema::table(table);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    QStringList cols;
    QVariantList values;
    for (int c = 0; c < m_fields.size(); ++c) {
        if (!writes(def, c)) {
            continue;
        }
        const QVariant v = cell(m_current, c);
        if (m_state == State::Insert) {
            if (!v.isNull()) {
                cols << Schema::quoted(m_fields[c]);
                values << v;
            }
        } else if (v != m_editBuffer.value(c) || v.isNull() != m_editBuffer.value(c).isNull()) {
            cols << Schema::quoted(m_fields[c]) + QStringLiteral("=?");
            values << v;
        }
    }
    QString sql;
    if (m_state == State::Insert) {
        // The new row's id comes back with the insert, on every engine.
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING id").arg(Schema::quoted(table));
        } else {
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING id")
                      .arg(Schema::quoted(table), cols.join(QLatin1Char(',')),
                           QStringList(cols.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        }
    } else {
        if (cols.isEmpty()) {
            return true;
        }
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE id=?").arg(Schema::quoted(table), cols.join(QLatin1Char(',')));
        values << cell(m_current, idCol);
    }
    if (!q.prepare(sql)) {
        *error = errorText(q.lastError());
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values[i]);
    }
    if (!q.exec()) {
        *error = errorText(q.lastError());
        return false;
    }
    if (m_state == State::Insert) {
        setCell(m_current, idCol, q.next() ? q.value(0) : QVariant());
        q.finish();
    } else if (q.numRowsAffected() == 0) {
        // Another workstation deleted the row meanwhile: the change was not written.
        *error = QStringLiteral("这条记录已经被删除，修改没有保存。");
        return false;
    }
    return true;
}

bool DataSet::post()
{
    if (!isEditing()) {
        return true;
    }
    QString error;
    if (!writeRow(&error)) {
        m_lastError = error;
        return false;
    }
    m_lastError.clear();
    m_editBuffer.clear();
    const int row = m_current;
    setState(State::Browse);
    emit rowChanged(row);
    return true;
}

// Takes the current row out of the rows held; the next row becomes current.
void DataSet::removeCurrentRow()
{
    const int row = m_current;
    emit rowAboutToBeRemoved(row);
    m_rows.removeRow(row);
    m_current = recordCount() > 0 ? qMin(row, recordCount() - 1) : -1;
    if (m_state == State::Insert) {
        setState(State::Browse);
    }
    emit rowRemoved(row);
    emit currentChanged(m_current);
}

void DataSet::cancel()
{
    if (m_state == State::Insert) {
        removeCurrentRow();
    } else if (m_state == State::Edit) {
        for (int c = 0; c < m_fields.size() && c < m_editBuffer.size(); ++c) {
            const QVariant now = cell(m_current, c);
            if (now.metaType() != m_editBuffer[c].metaType() || now.isNull() != m_editBuffer[c].isNull()
                || now != m_editBuffer[c]) {
                setCell(m_current, c, m_editBuffer[c]);
            }
        }
        m_editBuffer.clear();
        setState(State::Browse);
        emit rowChanged(m_current);
        emit currentChanged(m_current);
    }
}

bool DataSet::deleteCurrent()
{
    if (m_current < 0) {
        return false;
    }
    if (m_state == State::Insert) {
        cancel();
        return true;
    }
    if (m_state == State::Edit) {
        cancel();
    }
    const QString table = tableName();
    const int idCol = fieldIndex(QStringLiteral("id"));
    if (table.isEmpty() || idCol < 0) {
        m_lastError = QStringLiteral("该查询不能删除数据");
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM %1 WHERE id=?").arg(Schema::quoted(table)));
    q.bindValue(0, cell(m_current, idCol));
    if (!q.exec()) {
        m_lastError = errorText(q.lastError());
        return false;
    }
    removeCurrentRow();
    return true;
}

QString DataSet::toStoredDateTime(const QDateTime &dt)
{
    return StoredDate::format(dt);
}

QDateTime DataSet::fromStored(const QVariant &v)
{
    if (v.isNull()) {
        return {};
    }
    if (v.typeId() == QMetaType::QDateTime) {
        return v.toDateTime();
    }
    if (v.typeId() == QMetaType::QDate) {
        return v.toDate().startOfDay();
    }
    return StoredDate::toDateTime(StoredDate::parse(v.toString()));
}
