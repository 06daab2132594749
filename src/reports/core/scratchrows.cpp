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
    if (!writeHeld()) {
        return false;
    }
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
    // The values of the columns the row fills, by their place in 通用.
    std::array<const QVariant *, Columns.size()> values {};
    for (const ScratchCell &c : row) {
        const int i = columnOf(c.column);
        // A column 通用 does not have is a mistake in the report.
        Q_ASSERT_X(i >= 0, "ScratchTableWriter", c.column);
        if (i >= 0 && !isNull(c.value)) {
            values[size_t(i)] = &c.value;
        }
    }
    if (m_rows) {
        if (m_shown) {
            storeShown(values);
        }
        QVariantList full(qsizetype(Columns.size()));
        for (size_t i = 0; i < Columns.size(); ++i) {
            if (values[i]) {
                full[qsizetype(i)] = *values[i];
            }
        }
        return m_rows->add(full);
    }
    // Rows go in several at a time, each insert naming the columns any of its rows fills (null
    // where a row leaves one empty); each value is made once in the form 通用 holds it, and the
    // same bytes go to the insert and to the rows kept for the grid.
    if (m_heldRows.size() == HeldRows && !writeHeld()) {
        return false;
    }
    m_heldRows.push_back(m_held.size());
    const int shown = m_shown ? startShown() : -1;
    for (int i = 0; i < int(Columns.size()); ++i) {
        const QVariant *v = values[size_t(i)];
        if (!v) {
            continue;
        }
        m_heldColumns |= 1u << i;
        HeldValue &value = m_held.emplace_back();
        value.column = i;
        if (i >= FirstAmount && i < FirstDate) {
            value.integer = storedInteger(*v);
            if (shown >= 0) {
                m_shown->setInteger(shown, i + 1, value.integer);
            }
        } else {
            value.text = textOf(i, *v);
            value.isText = true;
            if (shown >= 0) {
                m_shown->setText(shown, i + 1, value.text.constData(), value.text.size());
            }
        }
    }
    return true;
}

// The rows held, written in as few inserts as their number allows (32, 16, … rows at a time).
bool ScratchTableWriter::writeHeld()
{
    m_heldRows.push_back(m_held.size()); // where the last row ends
    const size_t count = m_heldRows.size() - 1;
    size_t done = 0;
    while (done < count) {
        size_t rows = HeldRows;
        while (rows > count - done) {
            rows /= 2;
        }
        BulkStatement *insert = insertOf(m_heldColumns, int(rows));
        if (!insert->isValid()) {
            m_error = insert->error();
            return false;
        }
        int n = 0;
        for (size_t r = done; r < done + rows; ++r) {
            size_t next = m_heldRows[r];
            for (int i = 0; i < int(Columns.size()); ++i) {
                if (!(m_heldColumns & (1u << i))) {
                    continue;
                }
                if (next == m_heldRows[r + 1] || m_held[next].column != i) {
                    insert->bindNull(n++);
                    continue;
                }
                const HeldValue &value = m_held[next++];
                if (value.isText) {
                    insert->bindText(n++, value.text.constData(), value.text.size());
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
    m_held.clear();
    m_heldRows.clear();
    m_heldColumns = 0;
    return true;
}

BulkStatement *ScratchTableWriter::insertOf(quint32 columns, int rows)
{
    std::unique_ptr<BulkStatement> &insert = m_inserts[(quint64(rows) << 32) | columns];
    if (!insert) {
        QStringList names;
        for (int i = 0; i < int(Columns.size()); ++i) {
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

// The UTF-8 bytes of a text, made once for the same text repeated down a column (a house's
// code and owner, a month's caption): its bytes are shared while the row's text is the very
// string the column had last.
QByteArray ScratchTableWriter::textOf(int column, const QVariant &v)
{
    if (v.metaType() != QMetaType::fromType<QString>()) {
        return v.toString().toUtf8();
    }
    const QString &text = *static_cast<const QString *>(v.constData());
    LastText &last = m_lastTexts[size_t(column)];
    if (text.constData() != last.text.constData() || text.size() != last.text.size()) {
        // The last text is held, so no other string can take its place in memory.
        last = {text, text.toUtf8()};
    }
    return last.utf8;
}

// A row for the grid whose cells are all null until the values are set.
int ScratchTableWriter::startShown()
{
    const int row = m_shown->appendRow();
    ++m_unnumbered;
    for (int column = 1; column <= ColumnCount; ++column) {
        m_shown->setNull(row, column);
    }
    return row;
}

void ScratchTableWriter::storeShown(const std::array<const QVariant *, ColumnCount> &values)
{
    const int row = startShown();
    for (int i = 0; i < ColumnCount; ++i) {
        if (const QVariant *v = values[size_t(i)]) {
            if (i >= FirstAmount && i < FirstDate) {
                m_shown->setInteger(row, i + 1, storedInteger(*v));
            } else {
                const QByteArray text = textOf(i, *v);
                m_shown->setText(row, i + 1, text.constData(), text.size());
            }
        }
    }
}
