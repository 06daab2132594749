#include "data/rowstore.h"

#include <QAnyStringView>
#include <QHash>
#include <bit>
#include <cstring>
#include <numeric>

namespace {
constexpr int BlockShift = 12;
constexpr int BlockRows = 1 << BlockShift; // rows per block
// A column whose first texts are mostly distinct (names, time stamps) keeps its texts unpooled
// from then on: looking each one up would cost more than it saves.
constexpr quint32 TextSample = 4096;
// Unpooled texts are kept as UTF-8 in blocks of bytes; a cell holds the block, the offset and
// the length of its text.
constexpr int OffsetBits = 20;
constexpr qsizetype BytesPerBlock = qsizetype(1) << OffsetBits;
constexpr int LengthBits = 24;
constexpr qsizetype LongestOwnText = BytesPerBlock; // longer ones are kept as they are

// A growing array whose elements never move: block 0 holds 16 of them, each further block as
// many as all the blocks before it.
template<typename T> class Chunked
{
public:
    quint32 size() const { return m_size; }
    T &operator[](quint32 index) const
    {
        const auto [block, at] = place(index);
        return m_blocks[block][at];
    }
    quint32 push(T value)
    {
        const quint32 index = m_size++;
        const auto [block, at] = place(index);
        if (block >= m_blocks.size()) {
            m_blocks.push_back(std::make_unique<T[]>(block == 0 ? First : First << (block - 1)));
        }
        m_blocks[block][at] = std::move(value);
        return index;
    }

private:
    static constexpr quint32 First = 16;
    static std::pair<size_t, quint32> place(quint32 index)
    {
        const int block = std::bit_width(index / First);
        return {size_t(block), block == 0 ? index : index - (First << (block - 1))};
    }
    std::vector<std::unique_ptr<T[]>> m_blocks;
    quint32 m_size = 0;
};
}

// A block of rows: each column's values, then each column's types.
struct RowStore::Block
{
    std::unique_ptr<quint64[]> values;
    std::unique_ptr<quint8[]> tags;
};

namespace {
// Every distinct text of a column, held once, found again by the hash of its UTF-8 bytes.
class TextPool
{
public:
    quint32 count() const { return m_entries.size(); }

    quint32 intern(const char *utf8, qsizetype size)
    {
        const QUtf8StringView view(utf8, size);
        const size_t h = qHash(QByteArrayView(utf8, size));
        return find(
            h, [&](const QString &t) { return QAnyStringView::equal(t, view); },
            [&] {
                return Entry {QString::fromUtf8(utf8, size), QByteArray(utf8, size), h};
            });
    }

    quint32 intern(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        const size_t h = qHash(QByteArrayView(utf8));
        return find(
            h, [&](const QString &t) { return t == text; },
            [&] {
                return Entry {text, utf8, h};
            });
    }

    const QString &text(quint32 index) const { return m_entries[index].text; }
    const QByteArray &utf8(quint32 index) const { return m_entries[index].utf8; }

private:
    // A text, also as UTF-8 (to be copied on without a QString made).
    struct Entry
    {
        QString text;
        QByteArray utf8;
        size_t hash = 0;
    };

    size_t mask() const { return m_index.size() - 1; }

    // The entry of the text with this hash that `equal` accepts, or a new one made by `make`.
    template<typename Equal, typename Make> quint32 find(size_t hash, Equal equal, Make make)
    {
        size_t i = hash & mask();
        for (;; i = (i + 1) & mask()) {
            const quint32 e = m_index[i];
            if (e == 0) {
                return add(i, make());
            }
            const Entry &en = m_entries[e - 1];
            if (en.hash == hash && equal(en.text)) {
                return e - 1;
            }
        }
    }

    quint32 add(size_t at, Entry entry)
    {
        const quint32 index = m_entries.push(std::move(entry));
        m_index[at] = index + 1;
        if (2 * size_t(m_entries.size()) > m_index.size()) {
            std::vector<quint32> bigger(2 * m_index.size(), 0);
            const size_t m = bigger.size() - 1;
            for (quint32 e = 0; e < m_entries.size(); ++e) {
                size_t i = m_entries[e].hash & m;
                while (bigger[i] != 0) {
                    i = (i + 1) & m;
                }
                bigger[i] = e + 1;
            }
            m_index.swap(bigger);
        }
        return index;
    }

    Chunked<Entry> m_entries;
    std::vector<quint32> m_index = std::vector<quint32>(32, 0); // hash slots: 0 empty, else entry + 1
};
}

// The texts of one column: pooled, or once the column has shown itself to be mostly distinct,
// each held by its cell alone (as UTF-8, made a QString when read). The text last put is
// remembered, so that a run of equal texts (a result ordered by the column) takes neither a
// lookup nor a copy.
struct RowStore::Column
{
    TextPool pool;
    bool pooled = true;
    quint32 texts = 0; // texts put while pooled
    QByteArray lastBytes;
    quint64 lastBits = 0;
    quint8 lastTag = 0; // 0: nothing put yet
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
    m_reordered = false;
    m_texts.clear();
    m_texts.shrink_to_fit();
    m_texts.resize(size_t(columns));
    m_others = {};
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_bytesUsed = BytesPerBlock;
}

int RowStore::appendRow()
{
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
    if (m_reordered) {
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
    if (!m_reordered) {
        m_order.resize(size_t(m_physical));
        std::iota(m_order.begin(), m_order.end(), 0);
        m_reordered = true;
    }
    m_order.erase(m_order.begin() + row);
}

RowStore::Cell RowStore::cell(int row, int column) const
{
    const int physical = m_reordered ? m_order[size_t(row)] : row;
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
    Column &col = m_texts[size_t(column)];
    if (col.lastTag == 0 || col.lastBytes.size() != size
        || std::memcmp(col.lastBytes.constData(), utf8, size_t(size)) != 0) {
        if (col.pooled) {
            col.lastBits = col.pool.intern(utf8, size);
            col.lastTag = Text;
            col.pooled = ++col.texts != TextSample || 2 * col.pool.count() <= TextSample;
        } else if (size <= LongestOwnText) {
            col.lastBits = ownText(utf8, size);
            col.lastTag = OwnText;
        } else {
            setOther(c, QString::fromUtf8(utf8, size)); // a text of more than a megabyte
            col.lastTag = 0;
            return;
        }
        col.lastBytes.resize(size);
        std::memcpy(col.lastBytes.data(), utf8, size_t(size));
    }
    *c.bits = col.lastBits;
    *c.tag = col.lastTag;
}

quint64 RowStore::ownText(const char *utf8, qsizetype size)
{
    if (m_bytesUsed + size > BytesPerBlock) {
        m_bytes.push_back(std::make_unique_for_overwrite<char[]>(size_t(BytesPerBlock)));
        m_bytesUsed = 0;
    }
    const quint64 block = m_bytes.size() - 1;
    const quint64 offset = quint64(m_bytesUsed);
    std::memcpy(m_bytes.back().get() + m_bytesUsed, utf8, size_t(size));
    m_bytesUsed += size;
    return (block << (OffsetBits + LengthBits)) | (offset << LengthBits) | quint64(size);
}

QByteArrayView RowStore::ownBytesAt(quint64 bits) const
{
    const size_t block = size_t(bits >> (OffsetBits + LengthBits));
    const qsizetype offset = qsizetype((bits >> LengthBits) & ((quint64(1) << OffsetBits) - 1));
    const qsizetype size = qsizetype(bits & ((quint64(1) << LengthBits) - 1));
    return QByteArrayView(m_bytes[block].get() + offset, size);
}

QString RowStore::ownTextAt(quint64 bits) const
{
    return QString::fromUtf8(ownBytesAt(bits));
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
            *c.bits = m_texts[size_t(column)].pool.intern(*s);
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
        return QVariant(m_texts[size_t(column)].pool.text(quint32(*c.bits)));
    case OwnText:
        return QVariant(ownTextAt(*c.bits));
    case Other:
        return m_others[size_t(*c.bits)];
    default:
        return {};
    }
}

bool RowStore::utf8(int row, int column, QByteArrayView *bytes) const
{
    const Cell c = cell(row, column);
    switch (*c.tag) {
    case Text:
        *bytes = m_texts[size_t(column)].pool.utf8(quint32(*c.bits));
        return true;
    case OwnText:
        *bytes = ownBytesAt(*c.bits);
        return true;
    default:
        return false;
    }
}

bool RowStore::isNull(int row, int column) const
{
    const quint8 tag = *cell(row, column).tag;
    return tag == Null || tag == Invalid || (tag == Other && m_others[size_t(*cell(row, column).bits)].isNull());
}
