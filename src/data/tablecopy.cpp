#include "data/tablecopy.h"

#include "data/bulkstatement.h"
#include "data/dialect.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr int BatchRows = 5000;

// Where the target engine has no writer of many rows: one prepared insert, run for each row.
class PreparedRows final : public Dialect::RowWriter
{
public:
    PreparedRows(const QSqlDatabase &db, const QString &table, const QStringList &columns)
    {
        QStringList quoted;
        for (const QString &c : columns) {
            quoted << Schema::quoted(c);
        }
        m_insert = std::make_unique<BulkStatement>(
            db,
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(Schema::quoted(table), quoted.join(QLatin1Char(',')),
                     QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    }
    bool add(const QVariantList &row) override
    {
        for (int i = 0; i < row.size(); ++i) {
            m_insert->bind(i, row[i]);
        }
        if (!m_insert->run()) {
            m_error = m_insert->error();
            return false;
        }
        return true;
    }
    bool flush() override { return true; }

private:
    std::unique_ptr<BulkStatement> m_insert;
};

}

bool TableCopy::copyAll(const QSqlDatabase &from, const QSqlDatabase &to, QString *error, const Progress &progress)
{
    const Dialect &source = Dialect::of(from);
    const Dialect &target = Dialect::of(to);
    qint64 copied = 0;
    for (const TableDef &t : Schema::tables()) {
        if (t.temporary) {
            continue;
        }
        QStringList columns {QStringLiteral("id")};
        QStringList selected {QStringLiteral("id")};
        for (const FieldDef &f : t.fields) {
            columns << f.name;
            selected << Schema::quoted(f.name);
        }
        std::unique_ptr<Dialect::RowWriter> writer = target.rowWriter(to, t.name, columns);
        if (!writer) {
            writer = std::make_unique<PreparedRows>(to, t.name, columns);
        }
        const QString batch = QStringLiteral("SELECT %1 FROM %2 WHERE id > ? ORDER BY id LIMIT %3")
                                  .arg(selected.join(QLatin1Char(',')), Schema::quoted(t.name))
                                  .arg(BatchRows);
        const auto failed = [&](const QString &why) {
            *error = QStringLiteral("数据表 %1 没有复制：%2").arg(t.name, why.trimmed());
            return false;
        };
        qint64 after = -1;
        for (;;) {
            Dialect::Rows rows;
            const Dialect::Fetch read = source.fetch(from, batch, {}, {after}, &rows);
            if (read != Dialect::Fetch::Done) {
                return failed(read == Dialect::Fetch::Failed ? rows.error : QStringLiteral("不能读取"));
            }
            const int count = rows.store.rowCount();
            for (int r = 0; r < count; ++r) {
                QVariantList row;
                row.reserve(columns.size());
                for (int c = 0; c < columns.size(); ++c) {
                    row << rows.store.value(r, c);
                }
                if (!writer->add(row)) {
                    return failed(writer->error());
                }
            }
            if (!writer->flush()) {
                return failed(writer->error());
            }
            copied += count;
            if (progress && !progress(copied)) {
                return failed(QStringLiteral("已取消"));
            }
            if (count < BatchRows) {
                break;
            }
            after = rows.store.value(count - 1, 0).toLongLong();
        }
    }
    return target.idsCopied(to, error);
}

qint64 TableCopy::rowsIn(const QSqlDatabase &db, QString *error)
{
    QStringList counts;
    for (const TableDef &t : Schema::tables()) {
        if (!t.temporary) {
            counts << QStringLiteral("(SELECT count(*) FROM %1)").arg(Schema::quoted(t.name));
        }
    }
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT ") + counts.join(QStringLiteral(" + "))) || !q.next()) {
        *error = q.lastError().databaseText();
        return -1;
    }
    return q.value(0).toLongLong();
}
