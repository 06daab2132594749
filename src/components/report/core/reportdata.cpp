#include "components/report/core/reportdata.h"

#include "data/dataset.h"

namespace {
std::optional<Money> amountOf(FieldKind kind, const QVariant &stored)
{
    if (stored.isNull()) {
        return std::nullopt;
    }
    switch (kind) {
    case FieldKind::Money:
        return Money::fromStored(stored);
    case FieldKind::Integer:
        return Money::fromWhole(stored.toLongLong());
    case FieldKind::Number:
        return Money::fromReal(stored.toDouble());
    default:
        return std::nullopt;
    }
}
}

DataSetRows::DataSetRows(const DataSet *rows)
    : m_rows(rows)
    , m_open(rows && rows->isOpen())
{
    if (m_open) {
        m_fields = rows->fieldNames();
        for (int i = 0; i < m_fields.size(); ++i) {
            m_kinds << rows->fieldKind(i);
        }
    } else if (const TableDef *table = rows ? Schema::table(rows->tableName()) : nullptr) {
        for (const FieldDef &f : table->fields) {
            m_fields << f.name;
            m_kinds << f.kind;
        }
    }
}

int DataSetRows::rowCount() const
{
    return m_open ? m_rows->recordCount() : 0;
}

QString DataSetRows::text(int row, int column) const
{
    return m_rows->displayText(row, column);
}

std::optional<Money> DataSetRows::amount(int row, int column) const
{
    return amountOf(fieldKind(column), m_rows->value(row, column));
}

MemoryRows::MemoryRows(const QList<FieldDef> &fields)
{
    for (const FieldDef &f : fields) {
        addField(f.name, f.kind);
    }
}

void MemoryRows::addField(const QString &name, FieldKind kind)
{
    m_fields << name;
    m_kinds << kind;
}

void MemoryRows::addRow(const QStringList &texts)
{
    m_rows << texts;
}

std::optional<Money> MemoryRows::amount(int row, int column) const
{
    if (!isNumeric(fieldKind(column))) {
        return std::nullopt;
    }
    return Money::parse(m_rows[row].value(column));
}
