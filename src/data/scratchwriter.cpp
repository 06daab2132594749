#include "data/scratchwriter.h"

#include "data/money.h"
#include "data/schema.h"
#include "data/storeddate.h"

#include <QSqlError>

namespace {
const QString Scratch = QStringLiteral("通用");
}

ScratchWriter::ScratchWriter(const QSqlDatabase &db)
    : m_db(db)
{ }

ScratchWriter::~ScratchWriter() = default;

QVariant ScratchWriter::stored(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<Money>()) {
        return value.value<Money>().raw();
    }
    switch (value.typeId()) {
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        return d.isValid() ? QVariant(StoredDate::format(d)) : QVariant();
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? QVariant(StoredDate::format(dt)) : QVariant();
    }
    default:
        return value;
    }
}

// A column 通用 does not have is a mistake in the report: it is refused (and stops a debug build).
bool ScratchWriter::columnsKnown(const QStringList &columns)
{
    const TableDef *scratch = Schema::table(Scratch);
    for (const QString &c : columns) {
        if (!scratch || !scratch->hasField(c)) {
            m_error = QStringLiteral("通用没有列 %1").arg(c);
            qWarning("ScratchWriter: %s", qPrintable(m_error));
            Q_ASSERT_X(false, "ScratchWriter", qPrintable(m_error));
            return false;
        }
    }
    return true;
}

bool ScratchWriter::fail(const QSqlQuery &q)
{
    m_error = q.lastError().databaseText().trimmed();
    if (m_error.isEmpty()) {
        m_error = q.lastError().text().trimmed();
    }
    return false;
}

bool ScratchWriter::append(std::initializer_list<Cell> cells)
{
    QStringList columns;
    for (const Cell &c : cells) {
        columns << QString::fromLatin1(c.column);
    }
    const QString key = columns.join(QLatin1Char(','));
    std::shared_ptr<QSqlQuery> &q = m_inserts[key];
    if (!q) {
        if (!columnsKnown(columns)) {
            m_inserts.remove(key);
            return false;
        }
        q = std::make_shared<QSqlQuery>(m_db);
        const QString sql = columns.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Schema::quoted(Scratch))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(Schema::quoted(Scratch), key,
                       QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        if (!q->prepare(sql)) {
            const bool ok = fail(*q);
            m_inserts.remove(key);
            return ok;
        }
    }
    int i = 0;
    for (const Cell &c : cells) {
        q->bindValue(i++, stored(c.value));
    }
    if (!q->exec()) {
        return fail(*q);
    }
    ++m_rows;
    return true;
}

bool ScratchWriter::appendSelect(const QStringList &columns, const QString &select, const QVariantList &binds)
{
    if (!columnsKnown(columns)) {
        return false;
    }
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) ").arg(Schema::quoted(Scratch), columns.join(QLatin1Char(',')))
                   + select)) {
        return fail(q);
    }
    for (int i = 0; i < binds.size(); ++i) {
        q.bindValue(i, stored(binds[i]));
    }
    if (!q.exec()) {
        return fail(q);
    }
    m_rows += q.numRowsAffected();
    return true;
}
