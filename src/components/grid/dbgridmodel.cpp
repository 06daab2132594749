#include "components/grid/dbgridmodel.h"

#include "components/grid/gridtext.h"

#include <QColor>

DBGridModel::DBGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

QColor DBGridModel::oddRecordColour()
{
    return QColor(236, 249, 249);
}

void DBGridModel::setDataSet(DataSet *dataSet)
{
    if (m_dataSet == dataSet) {
        return;
    }
    beginResetModel();
    if (m_dataSet) {
        disconnect(m_dataSet, nullptr, this, nullptr);
    }
    m_dataSet = dataSet;
    m_rows = 0;
    if (m_dataSet) {
        connect(m_dataSet, &DataSet::opened, this, &DBGridModel::dataSetOpened);
        connect(m_dataSet, &DataSet::closed, this, &DBGridModel::dataSetClosed);
        connect(m_dataSet, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_rows = 0;
            m_fieldIndex.fill(-1);
            endResetModel();
            invalidateFooter();
        });
        connect(m_dataSet, &DataSet::rowChanged, this, [this](int row) {
            if (row >= 0 && row < m_rows && !m_columns.isEmpty()) {
                emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
            }
        });
        connect(m_dataSet, &DataSet::cellChanged, this, &DBGridModel::cellChanged);
        connect(m_dataSet, &DataSet::rowAboutToBeRemoved, this, &DBGridModel::rowAboutToBeRemoved);
        connect(m_dataSet, &DataSet::rowInserted, this, [this](int row) {
            row = qBound(0, row, m_rows);
            // The data set holds the new row already; until the view has heard of it the
            // rows keep their old numbers.
            m_pendingInsert = row;
            beginInsertRows({}, row, row);
            ++m_rows;
            m_pendingInsert = -1;
            endInsertRows();
            emit footerChanged(); // the count; a new row holds nothing yet
        });
        connect(m_dataSet, &DataSet::rowRemoved, this, [this](int row) {
            if (row < 0 || row >= m_rows) {
                return;
            }
            m_pendingRemove = row;
            beginRemoveRows({}, row, row);
            --m_rows;
            m_pendingRemove = -1;
            endRemoveRows();
            emit footerChanged(); // the sums followed in rowAboutToBeRemoved
        });
        if (m_dataSet->isOpen()) {
            m_rows = m_dataSet->recordCount();
        }
    }
    mapFields();
    endResetModel();
    invalidateFooter();
}

// A reopened data set brings all its rows at once; they are announced as inserted rows so the
// columns keep their widths and hidden state.
void DBGridModel::dataSetOpened()
{
    mapFields();
    if (m_rows > 0) {
        dataSetClosed();
    }
    const int n = m_dataSet->recordCount();
    if (n > 0) {
        beginInsertRows({}, 0, n - 1);
        m_rows = n;
        endInsertRows();
    }
    invalidateFooter();
}

void DBGridModel::dataSetClosed()
{
    if (m_rows > 0) {
        beginRemoveRows({}, 0, m_rows - 1);
        m_rows = 0;
        endRemoveRows();
    }
    invalidateFooter();
}

void DBGridModel::mapFields()
{
    m_fieldIndex.resize(m_columns.size());
    for (int i = 0; i < m_columns.size(); ++i) {
        m_fieldIndex[i] = m_dataSet ? m_dataSet->fieldIndex(m_columns[i].field) : -1;
    }
}

void DBGridModel::setColumns(const QList<GridColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    mapFields();
    endResetModel();
    invalidateFooter();
}

void DBGridModel::updateColumn(int i, const GridColumn &column)
{
    if (i < 0 || i >= m_columns.size()) {
        return;
    }
    const bool fieldChanged = m_columns[i].field != column.field;
    m_columns[i] = column;
    if (fieldChanged) {
        mapFields();
    }
    emit headerDataChanged(Qt::Horizontal, i, i);
    if (m_rows > 0) {
        emit dataChanged(index(0, i), index(m_rows - 1, i));
    }
    invalidateFooter();
}

void DBGridModel::moveColumn(int from, int to)
{
    if (from < 0 || from >= m_columns.size() || to < 0 || to >= m_columns.size() || from == to) {
        return;
    }
    // beginMoveColumns counts the destination before the move.
    if (!beginMoveColumns({}, from, from, {}, to > from ? to + 1 : to)) {
        return;
    }
    m_columns.move(from, to);
    m_fieldIndex.move(from, to);
    endMoveColumns();
    invalidateFooter();
}

int DBGridModel::columnOfField(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].field == field) {
            return i;
        }
    }
    return -1;
}

void DBGridModel::setDichromatic(bool on)
{
    if (m_dichromatic == on) {
        return;
    }
    m_dichromatic = on;
    if (m_rows > 0 && !m_columns.isEmpty()) {
        emit dataChanged(index(0, 0), index(m_rows - 1, int(m_columns.size()) - 1), {Qt::BackgroundRole});
    }
}

FieldKind DBGridModel::kind(int column) const
{
    if (column < 0 || column >= m_columns.size()) {
        return FieldKind::Text;
    }
    const int f = m_fieldIndex.value(column, -1);
    if (m_dataSet && f >= 0) {
        return m_dataSet->fieldKind(f);
    }
    return m_dataSet ? m_dataSet->fieldKind(m_columns[column].field) : Schema::kindOf(m_columns[column].field);
}

// The data set's row for a row of the model, while the data set has already inserted or
// removed a row that the view has not been told of yet.
int DBGridModel::dataSetRow(int row) const
{
    if (m_pendingInsert >= 0 && row >= m_pendingInsert) {
        return row + 1;
    }
    if (m_pendingRemove >= 0 && row >= m_pendingRemove) {
        return row == m_pendingRemove ? -1 : row - 1;
    }
    return row;
}

QVariant DBGridModel::value(int row, int column) const
{
    row = dataSetRow(row);
    const int f = m_fieldIndex.value(column, -1);
    if (!m_dataSet || f < 0 || row < 0) {
        return {};
    }
    return m_dataSet->value(row, f);
}

QString DBGridModel::text(int row, int column) const
{
    row = dataSetRow(row);
    if (!m_dataSet || column < 0 || column >= m_columns.size()) {
        return {};
    }
    return GridCells::text(*m_dataSet, row, m_fieldIndex.value(column, -1), m_columns[column].decimals);
}

int DBGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DBGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DBGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return text(index.row(), index.column());
    case Qt::EditRole:
        return value(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[index.column()].alignment);
    case Qt::BackgroundRole:
        // Records are counted from one: the 1st, 3rd, ... record is an odd one.
        if (m_dichromatic && index.row() % 2 == 0) {
            return oddRecordColour();
        }
        return QColor(Qt::white);
    default:
        return {};
    }
}

QVariant DBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            return m_columns[section].title;
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        }
        return {};
    }
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 && section < m_rows) {
        return QString();
    }
    return {};
}

Qt::ItemFlags DBGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool DBGridModel::hasFooter() const
{
    for (const GridColumn &c : m_columns) {
        if (c.visible && c.footer != GridColumn::Footer::None) {
            return true;
        }
    }
    return false;
}

void DBGridModel::invalidateFooter()
{
    m_footerDirty = true;
    emit footerChanged();
}

void DBGridModel::addToSums(int field, const QVariant &value, int sign) const
{
    if (value.isNull() || !m_dataSet) {
        return;
    }
    const FieldKind k = m_dataSet->fieldKind(field);
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_fieldIndex.value(c, -1) != field || m_columns[c].footer != GridColumn::Footer::Sum) {
            continue;
        }
        m_sums[c].add(k, value, sign);
    }
}

void DBGridModel::cellChanged(int row, int field, const QVariant &before)
{
    if (m_footerDirty || !m_dataSet || !m_fieldIndex.contains(field)) {
        return;
    }
    addToSums(field, before, -1);
    addToSums(field, m_dataSet->value(row, field), 1);
    emit footerChanged();
}

void DBGridModel::rowAboutToBeRemoved(int row)
{
    if (m_footerDirty || !m_dataSet) {
        return;
    }
    for (int c = 0; c < m_columns.size(); ++c) {
        const int f = m_fieldIndex.value(c, -1);
        if (f >= 0 && m_columns[c].footer == GridColumn::Footer::Sum) {
            addToSums(f, m_dataSet->value(row, f), -1);
        }
    }
}

QString DBGridModel::footerText(int column) const
{
    if (column < 0 || column >= m_columns.size()) {
        return {};
    }
    if (m_footerDirty) {
        computeFooter();
    }
    const int f = m_fieldIndex.value(column, -1);
    const FieldKind k = m_dataSet && f >= 0 ? m_dataSet->fieldKind(f) : FieldKind::Text;
    return GridCells::footerText(m_columns[column], k, m_dataSet && f >= 0, m_sums[column], m_rows);
}

// The sums are taken from the stored values of the data set, once over every row after the
// rows or the columns changed, when the footer is next shown.
void DBGridModel::computeFooter() const
{
    m_sums = QVector<GridCells::Sum>(m_columns.size());
    m_footerDirty = false;
    if (!m_dataSet) {
        return;
    }
    const int rows = m_dataSet->isOpen() ? m_dataSet->recordCount() : 0;
    for (int c = 0; c < m_columns.size(); ++c) {
        const int f = m_fieldIndex.value(c, -1);
        if (f < 0 || m_columns[c].footer != GridColumn::Footer::Sum) {
            continue;
        }
        // Each column once: a field summed in two columns is added by both in addToSums.
        bool first = true;
        for (int p = 0; p < c; ++p) {
            first = first && !(m_fieldIndex.value(p, -1) == f && m_columns[p].footer == GridColumn::Footer::Sum);
        }
        if (first) {
            for (int r = 0; r < rows; ++r) {
                addToSums(f, m_dataSet->value(r, f), 1);
            }
        }
    }
}
