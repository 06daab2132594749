// The estate on a PostgreSQL server shared by several counters.
#include "data/dialect.h"
#include "data/money.h"
#include "data/pglink.h"

#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <libpq-fe.h>
#include <thread>

namespace {

// How long a statement waits for a row another counter's transaction holds (a house being paid,
// billed or moved) before it gives up: SQLSTATE 55P03, "其他工作站正在处理该房屋".
const QString LockTimeout = QStringLiteral("5s");

// The server's longest name, in bytes; longer names are cut to it (at a character's end).
constexpr int NameBytes = 63;

// Houses locked by one statement.
constexpr int HousesPerLock = 200;

QString reasonOf(const QSqlError &e)
{
    return e.databaseText().isEmpty() ? e.text() : e.databaseText();
}

bool runAll(const QSqlDatabase &db, const QStringList &statements, QString *error)
{
    QSqlQuery q(db);
    for (const QString &s : statements) {
        if (!q.exec(s)) {
            if (error) {
                *error = reasonOf(q.lastError());
            }
            return false;
        }
    }
    return true;
}

// A text's UTF-8 in COPY's text form: backslash, tab, newline and return escaped, the runs
// between them copied whole.
void appendCopyText(QByteArray &line, QByteArrayView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char *escaped = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        if (escaped) {
            line.append(text.data() + from, i - from);
            line += escaped;
            from = i + 1;
        }
    }
    line.append(text.data() + from, text.size() - from);
}

// A row of a COPY in text form: tab between values, \N for null, backslash escapes.
void appendCopyValue(QByteArray &line, const QVariant &v)
{
    if (v.isNull() || (v.typeId() == QMetaType::QString && static_cast<const QString *>(v.constData())->isNull())) {
        line += "\\N";
        return;
    }
    if (v.metaType() == QMetaType::fromType<Money>()) {
        line += QByteArray::number(v.value<Money>().raw());
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        line += v.toBool() ? '1' : '0';
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        line += v.toByteArray();
        return;
    case QMetaType::Double: {
        char text[64];
        const auto r = std::to_chars(std::begin(text), std::end(text), v.toDouble());
        line.append(text, r.ptr - text);
        return;
    }
    default:
        break;
    }
    const QByteArray text = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    appendCopyText(line, text);
}

// Rows sent to the server with one COPY each time they are flushed: a report's tens of
// thousands of rows, or a whole table being copied, in a fraction of the time of one insert
// each.
class CopyWriter final : public Dialect::RowWriter
{
public:
    CopyWriter(const QSqlDatabase &db, const QString &table, const QStringList &columns)
        : m_db(db)
        , m_columns(int(columns.size()))
    {
        QStringList quoted;
        for (const QString &c : columns) {
            quoted << Schema::quoted(c);
        }
        m_copy = QStringLiteral("COPY %1 (%2) FROM STDIN")
                     .arg(Schema::quoted(table), quoted.join(QLatin1Char(',')))
                     .toUtf8();
    }

    bool addCells(const Cell *cells, int count) override
    {
        Q_ASSERT(count == m_columns);
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                m_buffer += '\t';
            }
            const Cell &c = cells[i];
            if (c.isInteger) {
                char digits[24];
                const auto r = std::to_chars(std::begin(digits), std::end(digits), c.integer);
                m_buffer.append(digits, r.ptr - digits);
            } else if (c.utf8) {
                appendCopyText(m_buffer, QByteArrayView(c.utf8, c.size));
            } else {
                m_buffer += "\\N";
            }
        }
        m_buffer += '\n';
        return true;
    }

    bool add(const QVariantList &row) override
    {
        Q_ASSERT(row.size() == m_columns);
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0) {
                m_buffer += '\t';
            }
            appendCopyValue(m_buffer, row[i]);
        }
        m_buffer += '\n';
        return true;
    }

    bool flush() override
    {
        if (m_buffer.isEmpty()) {
            return true;
        }
        PGconn *conn = PgLink::handle(m_db);
        if (!conn) {
            m_error = QStringLiteral("数据库没有连接");
            return false;
        }
        PGresult *start = PQexec(conn, m_copy.constData());
        const bool copying = PQresultStatus(start) == PGRES_COPY_IN;
        if (!copying) {
            m_error = PgLink::reason(conn, start);
        }
        PQclear(start);
        if (!copying) {
            return false;
        }
        const bool sent = PQputCopyData(conn, m_buffer.constData(), int(m_buffer.size())) == 1;
        m_buffer.clear();
        PQputCopyEnd(conn, sent ? nullptr : "rows not sent");
        bool ok = true;
        while (PGresult *r = PQgetResult(conn)) {
            if (PQresultStatus(r) != PGRES_COMMAND_OK && ok) {
                ok = false;
                m_error = PgLink::reason(conn, r);
            }
            PQclear(r);
        }
        return ok;
    }

private:
    QSqlDatabase m_db;
    int m_columns;
    QByteArray m_copy;
    QByteArray m_buffer;
};

// Sends the server's cancel request for whatever the connection runs, for as long as the flag
// stays set: the statement running stops at once, and any later one is stopped too.
class CancelWatch
{
public:
    CancelWatch(PGcancel *cancel, const std::atomic<bool> *flag)
        : m_cancel(cancel)
        , m_thread([this, flag] {
            while (!m_stop.load()) {
                if (flag->load()) {
                    char why[256];
                    PQcancel(m_cancel, why, int(sizeof why));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        })
    { }
    ~CancelWatch()
    {
        m_stop = true;
        m_thread.join();
        PQfreeCancel(m_cancel);
    }

private:
    PGcancel *m_cancel;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

class PostgresDialect final : public Dialect
{
public:
    QString driver() const override { return QStringLiteral("QPSQL"); }

    Probe probe(const QString &where, const QString &password) const override
    {
        const PgLink::Trial t = PgLink::tryConnect(where, password);
        return {t.connected, t.passwordRefused, t.reason};
    }

    bool open(QSqlDatabase &db, const QString &where, const QString &password, bool readOnly,
              QString *error) const override
    {
        db.setConnectOptions(where + QStringLiteral(" application_name=parvell"));
        db.setPassword(password);
        // Sums of money columns come as exact numbers, never through a double.
        db.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!db.open()) {
            *error = reasonOf(db.lastError()).trimmed();
            return false;
        }
        QStringList settings {QStringLiteral("SET lock_timeout = '%1'").arg(LockTimeout),
                              QStringLiteral("SET client_min_messages = error")};
        if (readOnly) {
            settings << QStringLiteral("SET default_transaction_read_only = on");
        }
        if (!runAll(db, settings, error)) {
            db.close();
            return false;
        }
        return true;
    }

    bool setUpConnection(const QSqlDatabase &, const QString &, QString *) const override { return true; }

    std::shared_ptr<void> cancelWhen(const QSqlDatabase &db, const std::atomic<bool> *cancel) const override
    {
        PGconn *conn = PgLink::handle(db);
        if (!conn || !cancel) {
            return {};
        }
        return std::make_shared<CancelWatch>(PQgetCancel(conn), cancel);
    }

    QString columnType(FieldKind kind) const override
    {
        switch (kind) {
        case FieldKind::Money:
        case FieldKind::Integer:
        case FieldKind::YesNo:
            return QStringLiteral("BIGINT"); // INTEGER is 32 bits there: 214,748.3648 元 at most
        case FieldKind::Number:
            return QStringLiteral("DOUBLE PRECISION"); // REAL is 4 bytes there
        default:
            return QStringLiteral("TEXT");
        }
    }
    QString idColumn() const override
    {
        return QStringLiteral("id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    }
    QStringList databaseStatements() const override
    {
        // Counters that find the database empty at the same moment take turns (the lock lasts
        // until the transaction ends). Then the text order: digits, Latin letters, then Chinese
        // by pinyin, the order of the SQLite connections' own pinyin collation.
        return {QStringLiteral("SELECT pg_advisory_xact_lock(2004081501)"),
                QStringLiteral("CREATE COLLATION IF NOT EXISTS pinyin "
                               "(provider = icu, locale = 'zh-u-co-pinyin-kr-latn-hani')")};
    }
    QString storedName(const QString &identifier) const override
    {
        QByteArray bytes = identifier.toUtf8();
        if (bytes.size() <= NameBytes) {
            return identifier;
        }
        qsizetype cut = NameBytes;
        while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80) {
            --cut; // never inside a character
        }
        return QString::fromUtf8(bytes.left(cut));
    }

    bool catalog(const QSqlDatabase &db, Catalog *out, QString *error) const override
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT c.relname, c.relkind, t.relname FROM pg_class c "
                                   "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                   "LEFT JOIN pg_index i ON i.indexrelid = c.oid "
                                   "LEFT JOIN pg_class t ON t.oid = i.indrelid "
                                   "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p', 'i')"))) {
            *error = reasonOf(q.lastError());
            return false;
        }
        *out = {};
        while (q.next()) {
            if (q.value(1).toString() == QLatin1String("i")) {
                out->indexes.append({q.value(0).toString(), q.value(2).toString()});
            } else {
                out->tables << q.value(0).toString();
            }
        }
        return true;
    }

    QStringList whyNotOurs(const QSqlDatabase &db) const override
    {
        Catalog cat;
        QString error;
        if (!catalog(db, &cat, &error)) {
            return {QStringLiteral("不能检查数据库：%1").arg(error.trimmed())};
        }
        QStringList ours, missing;
        for (const TableDef &t : Schema::tables()) {
            if (!t.temporary) {
                (cat.tables.contains(t.name) ? ours : missing) << t.name;
            }
        }
        if (ours.isEmpty()) {
            if (cat.tables.isEmpty()) {
                return {};
            }
            QStringList shown = cat.tables.mid(0, 5);
            if (cat.tables.size() > 5) {
                shown << QStringLiteral("……");
            }
            return {QStringLiteral("数据库中是别的程序的数据表（%1），不是本系统的数据库")
                        .arg(shown.join(QStringLiteral("、")))};
        }
        QStringList why;
        if (!missing.isEmpty()) {
            why << QStringLiteral("缺少数据表：%1").arg(missing.join(QStringLiteral("、")));
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT table_name, column_name, data_type FROM information_schema.columns "
                                   "WHERE table_schema = current_schema()"))) {
            return {QStringLiteral("不能检查数据库：%1").arg(reasonOf(q.lastError()).trimmed())};
        }
        QHash<QString, QString> types; // "表.字段" → type
        while (q.next()) {
            types.insert(q.value(0).toString() + QLatin1Char('.') + q.value(1).toString(), q.value(2).toString());
        }
        for (const TableDef &t : Schema::tables()) {
            if (t.temporary || !ours.contains(t.name)) {
                continue;
            }
            QStringList absent;
            QList<FieldDef> fields {{QStringLiteral("id"), FieldKind::Integer}};
            fields += t.fields;
            for (const FieldDef &f : std::as_const(fields)) {
                const QString key = t.name + QLatin1Char('.') + f.name;
                const QString expected = columnType(f.kind).toLower();
                if (!types.contains(key)) {
                    absent << f.name;
                } else if (types.value(key) != expected) {
                    why << QStringLiteral("数据表 %1 的字段 %2 类型为 %3，应为 %4")
                               .arg(t.name, f.name, types.value(key), expected);
                }
            }
            if (!absent.isEmpty()) {
                why << QStringLiteral("数据表 %1 缺少字段：%2").arg(t.name, absent.join(QStringLiteral("、")));
            }
        }
        return why;
    }

    QString beginStatement() const override { return QStringLiteral("BEGIN"); }
    QString readSnapshotStatement() const override
    {
        return QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    }
    QString exportSnapshotStatement() const override { return QStringLiteral("SELECT pg_export_snapshot()"); }
    QString importSnapshotStatement(const QString &name) const override
    {
        // SET takes no parameter: the name is the server's own (hex digits and dashes), and
        // anything else is refused rather than spliced.
        static const QRegularExpression serverName(QStringLiteral("^[0-9A-Fa-f-]{1,64}$"));
        if (!serverName.match(name).hasMatch()) {
            return {};
        }
        return QStringLiteral("SET TRANSACTION SNAPSHOT '%1'").arg(name);
    }
    bool sortsInProgram() const override { return false; }
    QString changeCounterStatement() const override { return {}; }

    bool lockHouses(const QSqlDatabase &db, const QStringList &houseCodes, QString *error) const override
    {
        // One order for every counter (the codes' bytes), so two transactions that lock some
        // of the same houses never wait on each other in a circle.
        QStringList codes = houseCodes;
        std::sort(codes.begin(), codes.end(),
                  [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
        codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
        for (qsizetype at = 0; at < codes.size(); at += HousesPerLock) {
            const QStringList part = codes.mid(at, HousesPerLock);
            const QString sql = QStringLiteral("SELECT 房屋代码 FROM 房屋资料 WHERE 房屋代码 IN (%1) "
                                               "ORDER BY 房屋代码 COLLATE \"C\" FOR UPDATE")
                                    .arg(QStringList(part.size(), QStringLiteral("?")).join(QLatin1Char(',')));
            Rows rows;
            QVariantList values;
            for (const QString &c : part) {
                values << c;
            }
            if (PgLink::fetch(db, sql, {}, values, &rows) != Fetch::Done) {
                if (error) {
                    *error = rows.error.isEmpty() ? QStringLiteral("数据库没有连接") : rows.error;
                }
                return false;
            }
        }
        return true;
    }

    // ASCII letters match without regard to case, as on SQLite.
    QString like(const QString &field) const override { return field + QStringLiteral(" ilike ? escape '\\'"); }

    Fetch fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
                const QVariantList &positional, Rows *out) const override
    {
        return PgLink::fetch(db, statement, named, positional, out);
    }
    std::unique_ptr<RowWriter> rowWriter(const QSqlDatabase &db, const QString &table,
                                         const QStringList &columns) const override
    {
        return std::make_unique<CopyWriter>(db, table, columns);
    }
    bool idsCopied(const QSqlDatabase &db, QString *error) const override
    {
        QStringList statements;
        for (const TableDef &t : Schema::tables()) {
            if (!t.temporary) {
                statements << QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'id'), "
                                             "coalesce(max(id), 0) + 1, false) FROM %1")
                                  .arg(Schema::quoted(t.name));
            }
        }
        return runAll(db, statements, error);
    }

    QStringList tidyStatements() const override { return {QStringLiteral("VACUUM ANALYZE")}; }
};

}

const Dialect &Dialect::postgres()
{
    static const PostgresDialect d;
    return d;
}
