#include "reports/core/scratchrows.h"

#include "data/bulkstatement.h"
#include "data/money.h"
#include "data/rowstore.h"

#include <QSqlError>
#include <QSqlQuery>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace {
// The columns of 通用, in the order its inserts name them.
constexpr std::array<const char *, ScratchBatch::ColumnCount> Columns = {
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

// Amounts as ten-thousandths, counts as integers: as the columns hold them.
qint64 storedInteger(const QVariant &v)
{
    return v.metaType() == QMetaType::fromType<Money>() ? v.value<Money>().raw() : v.toLongLong();
}

// The column a name gives: "texta" … "texti", "moneya" … "moneyh", "numbera" … "numberc",
// "datea" … "datec" by their kind and last letter; -1 for any other name.
int columnOf(const char *name)
{
    const size_t length = std::strlen(name);
    if (length < 5) {
        return -1;
    }
    const int letter = name[length - 1] - 'a';
    int first = -1, count = 0;
    switch (name[0]) {
    case 't':
        first = 0, count = FirstAmount;
        break;
    case 'm':
        first = FirstAmount, count = 8;
        break;
    case 'n':
        first = FirstAmount + 8, count = 3;
        break;
    case 'd':
        first = FirstDate, count = 3;
        break;
    default:
        return -1;
    }
    if (letter < 0 || letter >= count) {
        return -1;
    }
    const int i = first + letter;
    return std::strcmp(name, Columns[size_t(i)]) == 0 ? i : -1;
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

bool ScratchTableWriter::flush()
{
    if (!write(m_held)) {
        return false;
    }
    m_held.clearRows();
    if (m_rows && !m_rows->flush()) {
        m_error = m_rows->error();
        return false;
    }
    return numberKept();
}

bool ScratchTableWriter::lastId(qint64 *id)
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT max(id) FROM 通用")) || !q.next()) {
        m_error = q.lastError().text();
        return false;
    }
    *id = q.value(0).toLongLong();
    return true;
}

// 通用 numbers the rows written one after the other (the next id after the highest on a file, the
// connection's own sequence of its own table on a server), so the rows just written hold the
// highest ids, one each, in the order they were written.
bool ScratchTableWriter::numberKept()
{
    if (!m_shown || m_unnumbered == 0) {
        return true;
    }
    qint64 id = 0;
    if (!lastId(&id)) {
        return false;
    }
    id -= m_unnumbered;
    for (int row = m_shown->rowCount() - m_unnumbered; row < m_shown->rowCount(); ++row) {
        m_shown->setInteger(row, 0, ++id);
    }
    m_unnumbered = 0;
    return true;
}

ScratchTableWriter::~ScratchTableWriter() = default;

bool ScratchTableWriter::write(const ScratchRow &row)
{
    if (m_held.rowCount() == HeldRows) {
        if (!write(m_held)) {
            return false;
        }
        m_held.clearRows();
    }
    m_held.add(row, m_shown);
    if (m_shown) {
        ++m_unnumbered;
    }
    return true;
}

// The rows of a batch, as few inserts as their number allows (32, 16, … rows at a time), each
// naming the columns any row of the batch fills (null where a row leaves one empty); on a server
// one row at a time to the writer of many rows.
bool ScratchTableWriter::write(const ScratchBatch &batch)
{
    const size_t count = size_t(batch.rowCount());
    if (m_rows) {
        // Every column of 通用, none where the row leaves it empty; texts as their bytes.
        std::array<Dialect::RowWriter::Cell, ColumnCount> full;
        for (size_t r = 0; r < count; ++r) {
            full.fill({});
            for (size_t v = batch.begin(r); v < batch.end(r); ++v) {
                const ScratchBatch::Value &value = batch.m_values[v];
                Dialect::RowWriter::Cell &cell = full[size_t(value.column)];
                if (value.isText()) {
                    cell.utf8 = batch.bytesOf(value);
                    cell.size = value.size;
                } else {
                    cell.integer = value.integer;
                    cell.isInteger = true;
                }
            }
            if (!m_rows->addCells(full.data(), ColumnCount)) {
                m_error = m_rows->error();
                return false;
            }
        }
        return true;
    }
    size_t done = 0;
    while (done < count) {
        size_t rows = HeldRows;
        while (rows > count - done) {
            rows /= 2;
        }
        BulkStatement *insert = insertOf(batch.m_columns, int(rows));
        if (!insert->isValid()) {
            m_error = insert->error();
            return false;
        }
        int n = 0;
        for (size_t r = done; r < done + rows; ++r) {
            size_t next = batch.begin(r);
            const size_t end = batch.end(r);
            for (int i = 0; i < ColumnCount; ++i) {
                if (!(batch.m_columns & (1u << i))) {
                    continue;
                }
                if (next == end || batch.m_values[next].column != i) {
                    insert->bindNull(n++);
                    continue;
                }
                const ScratchBatch::Value &value = batch.m_values[next++];
                if (value.isText()) {
                    insert->bindText(n++, batch.bytesOf(value), value.size);
                } else {
                    insert->bindInteger(n++, value.integer);
                }
            }
        }
        if (!insert->run()) {
            m_error = insert->error();
            return false;
        }
        done += rows;
    }
    return true;
}

BulkStatement *ScratchTableWriter::insertOf(quint32 columns, int rows)
{
    std::unique_ptr<BulkStatement> &insert = m_inserts[(quint64(rows) << 32) | columns];
    if (!insert) {
        QStringList names;
        for (int i = 0; i < ColumnCount; ++i) {
            if (columns & (1u << i)) {
                names << QString::fromLatin1(Columns[size_t(i)]);
            }
        }
        if (names.isEmpty()) {
            names << QStringLiteral("id"); // rows of nothing but nulls: one id each
        }
        const QString one =
            QLatin1Char('(') + QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
        insert = std::make_unique<BulkStatement>(
            m_db,
            QStringLiteral("INSERT INTO 通用 (%1) VALUES ").arg(names.join(QLatin1Char(',')))
                + QStringList(rows, one).join(QLatin1Char(',')));
    }
    return insert.get();
}

int ScratchBatch::columnOf(const char *name)
{
    return ::columnOf(name);
}

void ScratchBatch::add(const ScratchRow &row, RowStore *shown)
{
    for (const ScratchCell &c : row) {
        const int i = ::columnOf(c.column);
        // A column 通用 does not have is a mistake in the report.
        Q_ASSERT_X(i >= 0, "ScratchBatch", c.column);
        if (i < 0 || isNull(c.value)) {
            continue;
        }
        if (i >= FirstAmount && i < FirstDate) {
            putInteger(i, storedInteger(c.value));
        } else {
            putText(i, c.value);
        }
    }
    endRow(shown);
}

void ScratchBatch::putText(int column, const RowStore &rows, int row, int cell)
{
    QByteArrayView bytes;
    if (rows.utf8(row, cell, &bytes)) {
        putBytes(column, bytes.data(), bytes.size());
    } else if (const QVariant v = rows.value(row, cell); !isNull(v)) {
        putText(column, v);
    }
}

void ScratchBatch::putInteger(int column, qint64 value)
{
    m_row[size_t(column)] = {column, -1, value};
    m_rowColumns |= 1u << column;
}

void ScratchBatch::putBytes(int column, const char *utf8, qsizetype size)
{
    m_row[size_t(column)] = {column, size, qint64(m_bytes.size())};
    m_bytes.insert(m_bytes.end(), utf8, utf8 + size);
    m_rowColumns |= 1u << column;
}

void ScratchBatch::endRow(RowStore *shown)
{
    m_rowStarts.push_back(m_values.size());
    // In the order of the columns, as the writer names them.
    for (quint32 left = m_rowColumns; left != 0; left &= left - 1) {
        m_values.push_back(m_row[size_t(std::countr_zero(left))]);
    }
    m_columns |= m_rowColumns;
    m_rowColumns = 0;
    if (shown) {
        keepRow(m_rowStarts.size() - 1, shown);
    }
}

ScratchRow ScratchBatch::row(int r) const
{
    ScratchRow out;
    for (size_t v = begin(size_t(r)); v < end(size_t(r)); ++v) {
        const Value &value = m_values[v];
        const char *column = Columns[size_t(value.column)];
        if (value.isText()) {
            out << ScratchCell {column, QString::fromUtf8(bytesOf(value), value.size)};
        } else if (value.column < FirstAmount + 8) {
            out << ScratchCell {column, QVariant::fromValue(Money::fromRaw(value.integer))};
        } else {
            out << ScratchCell {column, value.integer};
        }
    }
    return out;
}

void ScratchBatch::keepIn(RowStore *shown) const
{
    for (size_t r = 0; r < m_rowStarts.size(); ++r) {
        keepRow(r, shown);
    }
}

// Row r for the grid: a row whose cells are null until its values are set; its id is given
// later.
void ScratchBatch::keepRow(size_t r, RowStore *shown) const
{
    const int kept = shown->appendRow();
    // The row's values are in the order of the columns.
    size_t v = begin(r);
    const size_t last = end(r);
    for (int column = 0; column < ColumnCount; ++column) {
        if (v == last || m_values[v].column != column) {
            shown->setNull(kept, column + 1);
            continue;
        }
        const Value &value = m_values[v++];
        if (value.isText()) {
            shown->setText(kept, column + 1, bytesOf(value), value.size);
        } else {
            shown->setInteger(kept, column + 1, value.integer);
        }
    }
}

void ScratchBatch::clearRows()
{
    m_values.clear();
    m_rowStarts.clear();
    m_bytes.clear();
    m_columns = 0;
}

ScratchBatch ScratchBatch::takeRows()
{
    ScratchBatch rows;
    rows.m_values = std::exchange(m_values, {});
    rows.m_rowStarts = std::exchange(m_rowStarts, {});
    rows.m_bytes = std::exchange(m_bytes, {});
    rows.m_columns = std::exchange(m_columns, 0);
    // The next batch is likely as big as this one.
    m_values.reserve(rows.m_values.size());
    m_rowStarts.reserve(rows.m_rowStarts.size());
    m_bytes.reserve(rows.m_bytes.size());
    return rows;
}

// The UTF-8 bytes of a text, made once for the same text repeated down a column (a house's
// code and owner, a month's caption): its bytes are kept while the row's text is the very
// string the column had last.
void ScratchBatch::putText(int column, const QVariant &v)
{
    if (v.metaType() != QMetaType::fromType<QString>()) {
        const QByteArray utf8 = v.toString().toUtf8();
        putBytes(column, utf8.constData(), utf8.size());
        return;
    }
    const QString &text = *static_cast<const QString *>(v.constData());
    LastText &last = m_lastTexts[size_t(column)];
    if (text.constData() != last.text.constData() || text.size() != last.text.size()) {
        // The last text is held, so no other string can take its place in memory.
        last = {text, text.toUtf8()};
    }
    putBytes(column, last.utf8.constData(), last.utf8.size());
}

ScratchRowMaker::ScratchRowMaker(ScratchSink &out)
    : m_out(out)
    , m_rows(out.batch() ? out.batch() : &m_one)
{ }

bool ScratchRowMaker::append()
{
    if (m_rows != &m_one) {
        return m_out.rowMade();
    }
    m_one.endRow();
    ScratchRow row = m_one.row(0);
    m_one.clearRows();
    return m_out.append(std::move(row));
}
