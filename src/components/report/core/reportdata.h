#pragma once

#include "data/money.h"
#include "data/schema.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class DataSet;

// The rows a report reads: a table of named fields. A report gets its data sets by name; the
// master data band prints one row of its data set for each row, and any other data set serves
// as a one-row lookup ([公司信息.公司名称]).
class ReportData
{
public:
    virtual ~ReportData() = default;
    virtual int rowCount() const = 0;
    virtual QStringList fieldNames() const = 0;
    virtual FieldKind fieldKind(int column) const = 0;
    // What a grid shows for the cell: money in its shortest form, a date without its time.
    virtual QString text(int row, int column) const = 0;
    // The cell of a money, integer or real field as an exact amount; nothing for other kinds
    // and for an empty cell.
    virtual std::optional<Money> amount(int row, int column) const = 0;

    int fieldIndex(const QString &field) const { return int(fieldNames().indexOf(field)); }
    static bool isNumeric(FieldKind kind)
    {
        return kind == FieldKind::Money || kind == FieldKind::Integer || kind == FieldKind::Number;
    }
};

// Non-owning, by data set name.
using ReportSources = QHash<QString, const ReportData *>;

// The rows of a DataSet as they are now. A closed data set has no rows; its fields are then
// those of the table its SQL reads, so a template still finds the fields it names.
class DataSetRows : public ReportData
{
public:
    explicit DataSetRows(const DataSet *rows);
    int rowCount() const override;
    QStringList fieldNames() const override { return m_fields; }
    FieldKind fieldKind(int column) const override { return m_kinds.value(column, FieldKind::Text); }
    QString text(int row, int column) const override;
    std::optional<Money> amount(int row, int column) const override;

private:
    const DataSet *m_rows;
    bool m_open;
    QStringList m_fields;
    QList<FieldKind> m_kinds;
};

// Rows held in memory as the texts a grid would show; amounts are read from the texts of
// money, integer and real fields. Sample data of the designer and test fixtures.
class MemoryRows : public ReportData
{
public:
    MemoryRows() = default;
    explicit MemoryRows(const QList<FieldDef> &fields);
    void addField(const QString &name, FieldKind kind);
    void addRow(const QStringList &texts);
    void reserve(int rows) { m_rows.reserve(rows); }

    int rowCount() const override { return int(m_rows.size()); }
    QStringList fieldNames() const override { return m_fields; }
    FieldKind fieldKind(int column) const override { return m_kinds.value(column, FieldKind::Text); }
    QString text(int row, int column) const override { return m_rows[row].value(column); }
    std::optional<Money> amount(int row, int column) const override;

private:
    QStringList m_fields;
    QList<FieldKind> m_kinds;
    QList<QStringList> m_rows;
};
