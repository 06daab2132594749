#include "reports/core/scratchrows.h"

#include "shell/core/money.h"
#include "shell/core/schema.h"

#include <QSqlError>
#include <algorithm>

ScratchTableWriter::ScratchTableWriter(const QSqlDatabase &db)
    : m_db(db)
{ }

ScratchTableWriter::~ScratchTableWriter() = default;

bool ScratchTableWriter::write(const ScratchRow &row)
{
    QByteArray key;
    for (const ScratchCell &c : row) {
        key += c.column;
        key += ',';
    }
    std::shared_ptr<QSqlQuery> &q = m_inserts[key];
    if (!q) {
        const TableDef *scratch = Schema::table(QStringLiteral("通用"));
        QStringList columns;
        for (const ScratchCell &c : row) {
            columns << QString::fromLatin1(c.column);
            // A column 通用 does not have is a mistake in the report.
            Q_ASSERT_X(std::any_of(scratch->fields.cbegin(), scratch->fields.cend(),
                                   [&](const FieldDef &f) { return f.name == columns.constLast(); }),
                       "ScratchTableWriter", c.column);
        }
        Q_UNUSED(scratch);
        q = std::make_shared<QSqlQuery>(m_db);
        const QString sql = QStringLiteral("INSERT INTO 通用 (%1) VALUES (%2)")
                                .arg(columns.join(QLatin1Char(',')),
                                     QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        if (!q->prepare(sql)) {
            m_error = q->lastError().text();
            m_inserts.remove(key);
            return false;
        }
    }
    int i = 0;
    for (const ScratchCell &c : row) {
        const QVariant &v = c.value;
        q->bindValue(i++, v.metaType() == QMetaType::fromType<Money>() ? QVariant(v.value<Money>().raw()) : v);
    }
    if (!q->exec()) {
        m_error = q->lastError().text();
        return false;
    }
    return true;
}
