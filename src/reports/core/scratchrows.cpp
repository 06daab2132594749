#include "reports/core/scratchrows.h"

#include "data/bulkstatement.h"
#include "data/money.h"
#include "data/rowstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <array>
#include <cstring>

namespace {
// The columns of 通用, in the order its inserts name them.
constexpr std::array<const char *, ScratchTableWriter::ColumnCount> Columns = {
    "texta",  "textb",   "textc",   "textd",   "texte",  "textf",  "textg",  "texth",
    "texti",  "moneya",  "moneyb",  "moneyc",  "moneyd", "moneye", "moneyf", "moneyg",
    "moneyh", "numbera", "numberb", "numberc", "datea",  "dateb",  "datec"};

// The kinds of those columns: texts, then amounts and counts (integers), then dates (texts).
constexpr int FirstAmount = 9, FirstDate = 20;

// A value the database stores as NULL when it is bound.
bool isNull(const QVariant &v)
{
    return v.isNull() || (v.metaType() == QMetaType::fromType<QString>() && v.toString().isNull());
}

int columnOf(const char *name)
{
    for (int i = 0; i < int(Columns.size()); ++i) {
        if (name == Columns[i] || std::strcmp(name, Columns[i]) == 0) {
            return i;
        }
    }
    return -1;
}
}

const QString StoredAmounts::NoAmount = QStringLiteral("数据中有无法识别的金额（金额有误），统计未完成");

Money StoredAmounts::operator()(const QVariant &value)
{
    const std::optional<Money> m = Money::fromStored(value);
    m_bad = m_bad || !m;
    return m.value_or(Money());
}

bool StoredAmounts::refused(QString *error) const
{
    if (m_bad) {
        *error = NoAmount;
    }
    return m_bad;
}

ScratchTableWriter::ScratchTableWriter(const QSqlDatabase &db, RowStore *shown)
    : m_db(db)
    , m_shown(shown)
{
    m_rows = Dialect::of(db).rowWriter(db, QStringLiteral("通用"), fields().mid(1));
}

QStringList ScratchTableWriter::fields()
{
    QStringList out {QStringLiteral("id")};
    for (const char *c : Columns) {
        out << QString::fromLatin1(c);
    }
    return out;
}

void ScratchTableWriter::keep(const std::array<const QVariant *, ColumnCount> &values)
{
    const int row = m_shown->appendRow();
    ++m_unnumbered;
    for (int i = 0; i < ColumnCount; ++i) {
        const QVariant *v = values[size_t(i)];
        const int column = i + 1;
        if (!v || isNull(*v)) {
            m_shown->setNull(row, column);
        } else if (i >= FirstAmount && i < FirstDate) {
            // Amounts as ten-thousandths, counts as integers: as the columns hold them.
            m_shown->setInteger(
                row, column, v->metaType() == QMetaType::fromType<Money>() ? v->value<Money>().raw() : v->toLongLong());
        } else {
            const QByteArray text = v->toString().toUtf8();
            m_shown->setText(row, column, text.constData(), text.size());
        }
    }
}

bool ScratchTableWriter::flush()
{
    if (m_rows && !m_rows->flush()) {
        m_error = m_rows->error();
        return false;
    }
    return numberKept();
}

// 通用 numbers the rows written one after the other (the next id after the highest on a file, the
// connection's own sequence of its own table on a server), so the rows just written hold the
// highest ids, one each, in the order they were written.
bool ScratchTableWriter::numberKept()
{
    if (!m_shown || m_unnumbered == 0) {
        return true;
    }
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT max(id) FROM 通用")) || !q.next()) {
        m_error = q.lastError().text();
        return false;
    }
    qint64 id = q.value(0).toLongLong() - m_unnumbered;
    for (int row = m_shown->rowCount() - m_unnumbered; row < m_shown->rowCount(); ++row) {
        m_shown->setInteger(row, 0, ++id);
    }
    m_unnumbered = 0;
    return true;
}

ScratchTableWriter::~ScratchTableWriter() = default;

bool ScratchTableWriter::write(const ScratchRow &row)
{
    // Rows that fill the same columns share one insert; its values go in the columns' order.
    quint32 shape = 0;
    std::array<const QVariant *, Columns.size()> values {};
    for (const ScratchCell &c : row) {
        const int i = columnOf(c.column);
        // A column 通用 does not have is a mistake in the report.
        Q_ASSERT_X(i >= 0, "ScratchTableWriter", c.column);
        if (i >= 0) {
            shape |= 1u << i;
            values[size_t(i)] = &c.value;
        }
    }
    if (m_shown) {
        keep(values);
    }
    if (m_rows) {
        QVariantList full(qsizetype(Columns.size()));
        for (size_t i = 0; i < Columns.size(); ++i) {
            if (values[i]) {
                full[qsizetype(i)] = *values[i];
            }
        }
        return m_rows->add(full);
    }
    std::shared_ptr<BulkStatement> &insert = m_inserts[shape];
    if (!insert) {
        QStringList names;
        for (int i = 0; i < int(Columns.size()); ++i) {
            if (shape & (1u << i)) {
                names << QString::fromLatin1(Columns[size_t(i)]);
            }
        }
        const QString sql = names.isEmpty()
            ? QStringLiteral("INSERT INTO 通用 DEFAULT VALUES")
            : QStringLiteral("INSERT INTO 通用 (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')),
                       QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        insert = std::make_shared<BulkStatement>(m_db, sql);
    }
    if (!insert->isValid()) {
        m_error = insert->error();
        return false;
    }
    int n = 0;
    for (const QVariant *v : values) {
        if (v) {
            // Amounts are stored as ten-thousandths.
            if (v->metaType() == QMetaType::fromType<Money>()) {
                insert->bind(n++, QVariant(v->value<Money>().raw()));
            } else {
                insert->bind(n++, *v);
            }
        }
    }
    if (!insert->run()) {
        m_error = insert->error();
        return false;
    }
    return true;
}
