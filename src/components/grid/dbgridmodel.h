#pragma once

#include "components/grid/dbgrideh.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

// The rows of a DataSet under the grid's declared columns. Rows are read from the data set on
// demand; only the mapping of columns to fields and the footer texts are kept here.
class DBGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DBGridModel(QObject *parent = nullptr);

    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const { return m_dataSet; }

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    const GridColumn &column(int i) const { return m_columns.at(i); }
    // Changes what a column shows without touching the rows (visibility, width, footer, title).
    void updateColumn(int i, const GridColumn &column);
    void moveColumn(int from, int to);
    // The column's own width, kept when the operator resizes it (no repaint needed).
    void setStoredWidth(int i, int width)
    {
        if (i >= 0 && i < m_columns.size())
            m_columns[i].width = width;
    }
    int columnOfField(const QString &field) const;

    // The data set has inserted or removed a row the view is just being told of: a current-row
    // change the view makes meanwhile is its own bookkeeping, not the operator's move.
    bool changingRows() const { return m_pendingInsert >= 0 || m_pendingRemove >= 0; }

    void setDichromatic(bool on);
    bool dichromatic() const { return m_dichromatic; }

    // The text the grid shows and the stored value of a cell.
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;
    FieldKind kind(int column) const;
    // The footer text of a column. A sum is taken over every row once when the rows come, and
    // then follows each changed cell and each added or removed row.
    QString footerText(int column) const;
    bool hasFooter() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    static QColor oddRecordColour();

signals:
    void footerChanged();

private:
    void dataSetOpened();
    void dataSetClosed();
    void mapFields();
    void invalidateFooter();
    void computeFooter() const;
    // Takes a cell's value into (sign 1) or out of (sign -1) the sums of its field's columns.
    void addToSums(int field, const QVariant &value, int sign) const;
    void cellChanged(int row, int field, const QVariant &before);
    void rowAboutToBeRemoved(int row);
    int dataSetRow(int row) const;

    QPointer<DataSet> m_dataSet;
    QList<GridColumn> m_columns;
    QVector<int> m_fieldIndex; // per column: the data set's field, -1 when it has none
    int m_rows = 0;
    int m_pendingInsert = -1;
    int m_pendingRemove = -1;
    bool m_dichromatic = false;
    mutable bool m_footerDirty = true;
    mutable QVector<GridCells::Sum> m_sums; // per column, for the columns whose footer is a sum
};
