#include "shell/core/dataset.h"

#include "shell/core/sqlitefetch.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {
const QString StoredFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

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

QString DataSet::tableName() const
{
    // The first "from" outside brackets: a subquery in the column list names another table.
    static const QRegularExpression re(QStringLiteral("\\bfrom\\s+(\"([^\"]+)\"|([^\\s,()]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QString sql = statement();
    auto it = re.globalMatch(sql);
    while (it.hasNext()) {
        const auto m = it.next();
        const QStringView before = QStringView(sql).left(m.capturedStart());
        if (before.count(QLatin1Char('(')) == before.count(QLatin1Char(')'))) {
            return m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
        }
    }
    return {};
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
        // The fast way reads SQLite directly; QSqlQuery stays for other drivers and for the
        // statements only it decides on.
        SqliteFetch::Rows rows;
        rows.cells = std::move(m_cells);
        switch (SqliteFetch::fetch(db, statement(), m_named, m_positional, m_rowsHint, &rows)) {
        case SqliteFetch::Outcome::Done:
            setFields(rows.fields);
            m_cells = std::move(rows.cells);
            m_rowCount = rows.rowCount;
            m_rowsHint = m_rowCount;
            return true;
        case SqliteFetch::Outcome::Failed:
            m_lastError = rows.error.trimmed();
            return false;
        case SqliteFetch::Outcome::NotHandled:
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
    m_cells.clear();
    m_rowCount = 0;
    while (q.next()) {
        for (int i = 0; i < n; ++i) {
            m_cells.append(q.value(i));
        }
        ++m_rowCount;
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
        m_cells.clear();
        m_cells.squeeze();
        m_rowCount = 0;
        return false;
    }
    m_state = State::Browse;
    m_current = m_rowCount > 0 ? 0 : -1;
    emit opened();
    emit stateChanged(m_state);
    emit currentChanged(m_current);
    return true;
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
    m_reopening = true;
    close();
    m_reopening = false;
    return open();
}

void DataSet::close()
{
    if (m_state == State::Inactive) {
        return;
    }
    m_state = State::Inactive;
    m_cells.clear();
    if (!m_reopening) {
        m_cells.squeeze();
    }
    m_rowCount = 0;
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
    if (m_rowCount == 0) {
        row = -1;
    } else {
        row = qBound(0, row, m_rowCount - 1);
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
    setCurrent(m_rowCount - 1);
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

QVariant DataSet::value(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_fields.size()) {
        return {};
    }
    return cell(row, column);
}

QVariant DataSet::value(const QString &field) const
{
    return value(m_current, fieldIndex(field));
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
    case FieldKind::Date: {
        const QDateTime dt = fromStored(v);
        return dt.isValid() ? dt.date().toString(QStringLiteral("yyyy-MM-dd")) : v.toString();
    }
    case FieldKind::DateTime: {
        const QDateTime dt = fromStored(v);
        return dt.isValid() ? dt.toString(StoredFormat) : v.toString();
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

void DataSet::setValue(const QString &field, const QVariant &v)
{
    const int col = fieldIndex(field);
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
    cellRef(m_current, col) = stored;
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
    for (int c = 0; c < m_fields.size(); ++c) {
        m_cells.append(QVariant());
    }
    ++m_rowCount;
    m_current = m_rowCount - 1;
    m_editBuffer.clear();
    emit rowInserted(m_current);
    setState(State::Insert);
    emit currentChanged(m_current);
}

bool DataSet::writeRow(QString *error)
{
    const QString table = tableName();
    const int idCol = fieldIndex(QStringLiteral("id"));
    if (table.isEmpty() || idCol < 0) {
        *error = QStringLiteral("该查询不能修改数据");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    QStringList cols;
    QVariantList values;
    for (int c = 0; c < m_fields.size(); ++c) {
        if (c == idCol) {
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
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Schema::quoted(table));
        } else {
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
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
        cellRef(m_current, idCol) = q.lastInsertId();
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

void DataSet::cancel()
{
    if (m_state == State::Insert) {
        const int row = m_current;
        m_cells.remove(qsizetype(row) * m_fields.size(), m_fields.size());
        --m_rowCount;
        m_current = m_rowCount > 0 ? qMin(row, m_rowCount - 1) : -1;
        setState(State::Browse);
        emit rowRemoved(row);
        emit currentChanged(m_current);
    } else if (m_state == State::Edit) {
        for (int c = 0; c < m_fields.size() && c < m_editBuffer.size(); ++c) {
            cellRef(m_current, c) = m_editBuffer[c];
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
    const int row = m_current;
    m_cells.remove(qsizetype(row) * m_fields.size(), m_fields.size());
    --m_rowCount;
    m_current = m_rowCount > 0 ? qMin(row, m_rowCount - 1) : -1;
    emit rowRemoved(row);
    emit currentChanged(m_current);
    return true;
}

QString DataSet::toStoredDateTime(const QDateTime &dt)
{
    return dt.toString(StoredFormat);
}

QDateTime DataSet::fromStored(const QVariant &v)
{
    if (v.isNull()) {
        return {};
    }
    const QString s = v.toString().trimmed();
    QDateTime dt = QDateTime::fromString(s, StoredFormat);
    if (!dt.isValid()) {
        dt = QDateTime::fromString(s, Qt::ISODate);
    }
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid()) {
            dt = d.startOfDay();
        }
    }
    return dt;
}
