#include "shell/core/rowstore.h"

#include <QAnyStringView>
#include <QHash>
#include <bit>
#include <cstring>
#include <numeric>

namespace {
constexpr int BlockShift = 12;
constexpr int BlockRows = 1 << BlockShift; // rows per block
constexpr int EntryShift = 12; // pooled texts per block of the pool
}

// A block of rows: each column's values, then each column's types.
struct RowStore::Block
{
    std::unique_ptr<quint64[]> values;
    std::unique_ptr<quint8[]> tags;
};

// Every distinct text of the store, held once, found again by the hash of its UTF-8 bytes.
class RowStore::TextPool
{
public:
    quint32 intern(const char *utf8, qsizetype size)
    {
        const QByteArrayView bytes(utf8, size);
        const size_t h = qHash(bytes);
        const QUtf8StringView view(utf8, size);
        size_t i = h & mask();
        for (;; i = (i + 1) & mask()) {
            const quint32 e = m_index[i];
            if (e == 0) {
                break;
            }
            const Entry &en = entry(e - 1);
            if (en.hash == h && QAnyStringView::equal(en.text, view)) {
                return e - 1;
            }
        }
        return add(i, h, QString::fromUtf8(utf8, size));
    }

    quint32 intern(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        const size_t h = qHash(QByteArrayView(utf8));
        size_t i = h & mask();
        for (;; i = (i + 1) & mask()) {
            const quint32 e = m_index[i];
            if (e == 0) {
                break;
            }
            const Entry &en = entry(e - 1);
            if (en.hash == h && en.text == text) {
                return e - 1;
            }
        }
        return add(i, h, text);
    }

    const QString &text(quint32 index) const { return entry(index).text; }

private:
    struct Entry
    {
        QString text;
        size_t hash = 0;
    };

    size_t mask() const { return m_index.size() - 1; }
    const Entry &entry(quint32 index) const { return m_entries[index >> EntryShift][index & ((1 << EntryShift) - 1)]; }

    quint32 add(size_t at, size_t hash, const QString &text)
    {
        const quint32 index = m_count++;
        if ((index >> EntryShift) >= m_entries.size()) {
            m_entries.push_back(std::make_unique<Entry[]>(1 << EntryShift));
        }
        Entry &en = m_entries[index >> EntryShift][index & ((1 << EntryShift) - 1)];
        en.text = text;
        en.hash = hash;
        m_index[at] = index + 1;
        if (2 * size_t(m_count) > m_index.size()) {
            grow();
        }
        return index;
    }

    void grow()
    {
        std::vector<quint32> bigger(2 * m_index.size(), 0);
        const size_t m = bigger.size() - 1;
        for (quint32 index = 0; index < m_count; ++index) {
            size_t i = entry(index).hash & m;
            while (bigger[i] != 0) {
                i = (i + 1) & m;
            }
            bigger[i] = index + 1;
        }
        m_index.swap(bigger);
    }

    std::vector<std::unique_ptr<Entry[]>> m_entries;
    quint32 m_count = 0;
    std::vector<quint32> m_index = std::vector<quint32>(1024, 0); // hash slots: 0 empty, else entry + 1
};

RowStore::RowStore() = default;
RowStore::~RowStore() = default;
RowStore::RowStore(RowStore &&) noexcept = default;
RowStore &RowStore::operator=(RowStore &&) noexcept = default;

void RowStore::reset(int columns)
{
    m_columns = columns;
    m_physical = 0;
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
    m_texts = std::make_unique<TextPool>();
    m_others.clear();
    m_others.shrink_to_fit();
    m_lastBytes.assign(size_t(columns), QByteArray());
    m_lastText.assign(size_t(columns), 0);
}

int RowStore::appendRow()
{
    if (!m_texts) {
        reset(m_columns);
    }
    const int physical = m_physical++;
    const size_t block = size_t(physical >> BlockShift);
    if (block >= m_blocks.size()) {
        const size_t cells = size_t(qMax(m_columns, 1)) * BlockRows;
        m_blocks.push_back({std::make_unique_for_overwrite<quint64[]>(cells), std::make_unique<quint8[]>(cells)});
    }
    const int at = physical & (BlockRows - 1);
    quint8 *tags = m_blocks[block].tags.get();
    for (int c = 0; c < m_columns; ++c) {
        tags[size_t(c) * BlockRows + at] = Invalid;
    }
    if (!m_order.empty()) {
        m_order.push_back(physical);
        return int(m_order.size()) - 1;
    }
    return physical;
}

void RowStore::removeRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (m_order.empty()) {
        m_order.resize(size_t(m_physical));
        std::iota(m_order.begin(), m_order.end(), 0);
    }
    m_order.erase(m_order.begin() + row);
}

RowStore::Cell RowStore::cell(int row, int column) const
{
    const int physical = m_order.empty() ? row : m_order[size_t(row)];
    const Block &b = m_blocks[size_t(physical >> BlockShift)];
    const size_t at = size_t(column) * BlockRows + size_t(physical & (BlockRows - 1));
    return {b.values.get() + at, b.tags.get() + at};
}

void RowStore::setNull(int row, int column)
{
    *cell(row, column).tag = Null;
}

void RowStore::setInteger(int row, int column, qint64 value)
{
    const Cell c = cell(row, column);
    *c.bits = quint64(value);
    *c.tag = Integer;
}

void RowStore::setReal(int row, int column, double value)
{
    const Cell c = cell(row, column);
    *c.bits = std::bit_cast<quint64>(value);
    *c.tag = Real;
}

void RowStore::setText(int row, int column, const char *utf8, qsizetype size)
{
    const Cell c = cell(row, column);
    QByteArray &last = m_lastBytes[size_t(column)];
    // Results are often ordered by the column that repeats (a house's lines together).
    if (!(last.size() == size && !last.isNull() && std::memcmp(last.constData(), utf8, size_t(size)) == 0)) {
        m_lastText[size_t(column)] = m_texts->intern(utf8, size);
        last.resize(size);
        std::memcpy(last.data(), utf8, size_t(size));
    }
    *c.bits = m_lastText[size_t(column)];
    *c.tag = Text;
}

void RowStore::setBlob(int row, int column, const QByteArray &bytes)
{
    setOther(cell(row, column), QVariant(bytes));
}

void RowStore::setOther(Cell c, const QVariant &value)
{
    *c.bits = m_others.size();
    *c.tag = Other;
    m_others.push_back(value);
}

void RowStore::set(int row, int column, const QVariant &value)
{
    const Cell c = cell(row, column);
    if (!value.isValid()) {
        *c.tag = Invalid;
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        if (value.isNull()) {
            *c.tag = Null;
            return;
        }
        if (const QString *s = static_cast<const QString *>(value.constData()); !s->isNull()) {
            *c.bits = m_texts->intern(*s);
            *c.tag = Text;
            return;
        }
        break;
    case QMetaType::LongLong:
        if (!value.isNull()) {
            *c.bits = quint64(value.toLongLong());
            *c.tag = Integer;
            return;
        }
        break;
    case QMetaType::Double:
        if (!value.isNull()) {
            *c.bits = std::bit_cast<quint64>(value.toDouble());
            *c.tag = Real;
            return;
        }
        break;
    default:
        break;
    }
    setOther(c, value);
}

QVariant RowStore::value(int row, int column) const
{
    const Cell c = cell(row, column);
    switch (*c.tag) {
    case Null:
        return QVariant(QMetaType::fromType<QString>());
    case Integer:
        return QVariant(qint64(*c.bits));
    case Real:
        return QVariant(std::bit_cast<double>(*c.bits));
    case Text:
        return QVariant(m_texts->text(quint32(*c.bits)));
    case Other:
        return m_others[size_t(*c.bits)];
    default:
        return {};
    }
}

bool RowStore::isNull(int row, int column) const
{
    const quint8 tag = *cell(row, column).tag;
    return tag == Null || tag == Invalid || (tag == Other && m_others[size_t(*cell(row, column).bits)].isNull());
}
