#include "components/grid/dbgrideh.h"

#include "components/grid/dbgrideh_p.h"

#include <QApplication>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>

DBGridEh::DBGridEh(QWidget *parent)
    : QTableView(parent)
    , d(new Private)
{
    setObjectName(QStringLiteral("DBGridEh1"));
    d->model = new DBGridModel(this);
    d->titles = new GridTitleHeader(this);
    d->indicator = new GridRowIndicator(this);
    setHorizontalHeader(d->titles);
    setVerticalHeader(d->indicator);
    setModel(d->model);
    d->footer = new GridFooter(d->model, d->titles, this);
    d->footer->hide();

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setShowGrid(true);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    const int rowHeight = fontMetrics().height() + 6;
    d->indicator->setMinimumSectionSize(rowHeight);
    d->indicator->setDefaultSectionSize(rowHeight);

    // White rows; the selected row stays marked while another control has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    }
    setPalette(pal);

    d->titles->setMarkerSource([this](int logical) {
        switch (sortMarker(d->model->column(logical).field)) {
        case SortMarker::Ascending:
            return GridTitleHeader::Marker::Ascending;
        case SortMarker::Descending:
            return GridTitleHeader::Marker::Descending;
        default:
            return GridTitleHeader::Marker::None;
        }
    });
    connect(d->titles, &GridTitleHeader::titleClicked, this, &DBGridEh::clickTitle);
    connect(d->titles, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!d->applyingWidths && !d->fitToWidth && size > 0 && !isColumnHidden(logical)) {
            d->model->setStoredWidth(logical, size);
        }
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, d->footer, qOverload<>(&QWidget::update));
    connect(d->model, &DBGridModel::footerChanged, this, &DBGridEh::fitFooters);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid()) {
            emit rowDoubleClicked();
        }
    });
}

DBGridEh::~DBGridEh()
{
    if (d->ctrlSortPending) {
        qApp->removeEventFilter(this);
    }
    delete d;
}

void DBGridEh::setDataSet(DataSet *dataSet)
{
    if (d->dataSet) {
        disconnect(d->dataSet, nullptr, this, nullptr);
    }
    d->dataSet = dataSet;
    changeColumns([&] { d->model->setDataSet(dataSet); });
    if (dataSet) {
        connect(dataSet, &DataSet::currentChanged, this, &DBGridEh::followDataSet);
        followDataSet(dataSet->currentRow());
    }
}

DataSet *DBGridEh::dataSet() const
{
    return d->dataSet;
}

// The data set moved: the grid's current row follows.
void DBGridEh::followDataSet(int row)
{
    d->syncingCurrent = true;
    if (row >= 0 && row < d->model->rowCount()) {
        int col = currentIndex().isValid() ? currentIndex().column() : 0;
        if (isColumnHidden(col)) {
            col = 0;
            while (col < d->model->columnCount() - 1 && isColumnHidden(col)) {
                ++col;
            }
        }
        setCurrentIndex(d->model->index(row, col));
    } else {
        setCurrentIndex({});
    }
    d->indicator->setCurrentRow(row);
    d->syncingCurrent = false;
}

// The operator moved in the grid: the data set follows (and may refuse, when a pending row
// cannot be written).
void DBGridEh::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    d->indicator->setCurrentRow(current.isValid() ? current.row() : -1);
    // While a row is being removed the view moves its current row by itself (to the row after
    // the removed one, counted before the removal); the data set has chosen its row already and
    // says so next.
    if (d->syncingCurrent || d->model->changingRows() || !d->dataSet || !current.isValid()
        || current.row() == d->dataSet->currentRow()) {
        return;
    }
    d->dataSet->moveTo(current.row());
    if (d->dataSet && d->dataSet->currentRow() != current.row()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (d->dataSet) {
                    followDataSet(d->dataSet->currentRow());
                }
            },
            Qt::QueuedConnection);
    }
}

void DBGridEh::setColumns(const QList<GridColumn> &columns)
{
    QList<GridColumn> fitted = columns;
    fitTypicalTexts(fitted);
    changeColumns([&] { d->model->setColumns(fitted); });
}

// A column is at least as wide as its typical text in the grid's font (a date with its time of
// day, an 18-character identity card number, a receipt number as the program makes them, the
// longest fee name of a usual estate), whatever width the design or an older layout file gave it.
void DBGridEh::fitTypicalTexts(QList<GridColumn> &columns)
{
    static const QHash<QString, QString> typical = {
        {QStringLiteral("身份证号"), QStringLiteral("11010519491231002X")},
        {QStringLiteral("单据号码"), QStringLiteral("YJ20040815001")},
        {QStringLiteral("收费名称"), QStringLiteral("公共设施维护费")},
    };
    for (GridColumn &c : columns) {
        const FieldKind kind = Schema::kindOf(c.field);
        QString text = typical.value(c.field);
        if (kind == FieldKind::Date) {
            text = QStringLiteral("2026-12-08");
        } else if (kind == FieldKind::DateTime) {
            text = QStringLiteral("2026-12-08 20:55:00");
        }
        if (text.isEmpty()) {
            continue;
        }
        // The width a cell needs for the text, as the grid's own cells measure it (margins
        // and grid line included).
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.features |= QStyleOptionViewItem::HasDisplay;
        option.text = text;
        const int needed =
            style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width() + (showGrid() ? 1 : 0);
        c.width = qMax(c.width, needed);
    }
}

// A footer is never cut short: a column whose count, sum or text does not fit (a report's grand
// total, once it is computed) grows to fit it; scaled into the grid's width ("满屏显示") it keeps
// that width and the others share the rest (applyWidths()).
void DBGridEh::fitFooters()
{
    bool grown = d->fitToWidth;
    const QList<GridColumn> &cols = d->model->columns();
    for (int i = 0; i < cols.size(); ++i) {
        const QString text = cols[i].footer == GridColumn::Footer::None ? QString() : d->model->footerText(i);
        const int needed = text.isEmpty() ? 0 : d->footer->widthFor(text);
        if (cols[i].visible && needed > cols[i].width) {
            d->model->setStoredWidth(i, needed);
            grown = true;
        }
    }
    if (grown) {
        applyWidths();
        d->footer->update();
    }
}

// A change of the column list moves and resizes sections; those are not the operator's widths.
void DBGridEh::changeColumns(const std::function<void()> &change)
{
    const bool was = d->applyingWidths;
    d->applyingWidths = true;
    change();
    applyColumnLayout();
    d->applyingWidths = was;
    // A new column list resets the model: mark the data set's current row again.
    if (d->dataSet) {
        followDataSet(d->dataSet->currentRow());
    }
}

QList<GridColumn> DBGridEh::columns() const
{
    return d->model->columns();
}

int DBGridEh::visibleColumnCount() const
{
    int n = 0;
    for (const GridColumn &c : d->model->columns()) {
        n += c.visible ? 1 : 0;
    }
    return n;
}

void DBGridEh::setFooterValue(const QString &field, const QString &text)
{
    const int i = d->model->columnOfField(field);
    if (i < 0) {
        return;
    }
    GridColumn c = d->model->column(i);
    c.footerText = text;
    if (c.footer == GridColumn::Footer::None) {
        c.footer = GridColumn::Footer::Value;
    }
    d->model->updateColumn(i, c);
    updateGeometries();
}

void DBGridEh::setFooterColor(const QColor &colour)
{
    d->footer->setBackground(colour);
}

QString DBGridEh::footerText(int logicalColumn) const
{
    return d->model->footerText(logicalColumn);
}

QString DBGridEh::footerText(const QString &field) const
{
    return d->model->footerText(d->model->columnOfField(field));
}

void DBGridEh::setDichromatic(bool on)
{
    d->model->setDichromatic(on);
    viewport()->update();
}

bool DBGridEh::dichromatic() const
{
    return d->model->dichromatic();
}

void DBGridEh::setFitToWidth(bool on)
{
    d->fitToWidth = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    applyWidths();
}

bool DBGridEh::fitToWidth() const
{
    return d->fitToWidth;
}

// Hidden state and widths from the column list.
void DBGridEh::applyColumnLayout()
{
    const bool was = d->applyingWidths;
    d->applyingWidths = true;
    const auto &cols = d->model->columns();
    for (int i = 0; i < cols.size(); ++i) {
        setColumnHidden(i, !cols[i].visible);
    }
    applyWidths();
    d->titles->updateGeometry();
    updateGeometries();
    d->footer->update();
    d->applyingWidths = was;
}

// The columns' own widths, or all visible columns scaled into the width of the grid.
void DBGridEh::applyWidths()
{
    const bool was = d->applyingWidths;
    d->applyingWidths = true;
    const auto &cols = d->model->columns();
    const int available = viewport()->width();
    // Scaled into the width, a column keeps at least what its footer needs; the others share
    // what is left.
    QList<int> least(cols.size(), 0);
    int total = 0;
    int kept = 0;
    if (d->fitToWidth && available > 0) {
        int designTotal = 0;
        for (const GridColumn &c : cols) {
            designTotal += c.visible ? qMax(1, c.width) : 0;
        }
        for (int i = 0; i < cols.size(); ++i) {
            const QString footer = cols[i].footer == GridColumn::Footer::None ? QString() : d->model->footerText(i);
            const int needed = footer.isEmpty() ? 0 : d->footer->widthFor(footer);
            if (cols[i].visible && designTotal > 0 && qint64(qMax(1, cols[i].width)) * available / designTotal < needed) {
                least[i] = needed;
                kept += needed;
            }
        }
    }
    for (int i = 0; i < cols.size(); ++i) {
        total += cols[i].visible && least[i] == 0 ? qMax(1, cols[i].width) : 0;
    }
    int used = 0;
    int lastVisible = -1;
    for (int i = 0; i < cols.size(); ++i) {
        if (!cols[i].visible) {
            continue;
        }
        int w = qMax(1, cols[i].width);
        if (least[i] > 0) {
            w = least[i];
        } else if (d->fitToWidth && total > 0 && available > 0) {
            w = int(qint64(w) * qMax(0, available - kept) / total);
        }
        setColumnWidth(i, w);
        used += w;
        lastVisible = i;
    }
    if (d->fitToWidth && lastVisible >= 0 && available > used) {
        setColumnWidth(lastVisible, columnWidth(lastVisible) + available - used);
    }
    d->applyingWidths = was;
}

void DBGridEh::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    if (d->fitToWidth) {
        applyWidths();
    }
}

// The footer sits under the rows, in a band the viewport leaves free at its bottom.
void DBGridEh::updateGeometries()
{
    if (!d->footer) {
        QTableView::updateGeometries(); // still being built
        return;
    }
    if (d->inGeometries) {
        return;
    }
    d->inGeometries = true;
    QTableView::updateGeometries();
    const bool footer = d->model->hasFooter();
    const int footerHeight = footer ? d->footer->rowHeight() : 0;
    QMargins m = viewportMargins();
    if (m.bottom() != footerHeight) {
        m.setBottom(footerHeight);
        setViewportMargins(m);
    }
    const QRect vg = viewport()->geometry();
    if (footerHeight > 0) {
        // The rows that fit above the footer decide how far the rows scroll.
        const int rowHeight = qMax(1, verticalHeader()->defaultSectionSize());
        const int inView = qMax(1, vg.height() / rowHeight);
        const int rows = d->model->rowCount();
        if (verticalScrollMode() == QAbstractItemView::ScrollPerItem) {
            verticalScrollBar()->setRange(0, qMax(0, rows - inView));
            verticalScrollBar()->setPageStep(inView);
        } else {
            verticalScrollBar()->setRange(0, qMax(0, verticalHeader()->length() - vg.height()));
            verticalScrollBar()->setPageStep(vg.height());
        }
        if (!verticalHeader()->isHidden()) {
            verticalHeader()->setGeometry(vg.left() - verticalHeader()->width(), vg.top(), verticalHeader()->width(),
                                          vg.height());
        }
        const int indent = verticalHeader()->isHidden() ? 0 : verticalHeader()->width();
        d->footer->setIndent(indent);
        d->footer->setGeometry(vg.left() - indent, vg.bottom() + 1, vg.width() + indent, footerHeight);
        d->footer->show();
        d->footer->raise();
    } else {
        d->footer->hide();
    }
    d->inGeometries = false;
}

// --- sorting ---------------------------------------------------------------------------------

DBGridEh::SortMarker DBGridEh::sortMarker(const QString &field) const
{
    for (const auto &k : d->sortKeys) {
        if (k.field == field) {
            return k.descending ? SortMarker::Descending : SortMarker::Ascending;
        }
    }
    return SortMarker::None;
}

QString DBGridEh::orderingLine() const
{
    return GridText::orderingLine(d->sortKeys, [this](const QString &field) {
        return d->dataSet ? d->dataSet->fieldKind(field) : Schema::kindOf(field);
    });
}

void DBGridEh::setTieBreak(const QString &field)
{
    d->tieBreak = field;
}

void DBGridEh::clickTitle(int logicalColumn, bool ctrl)
{
    if (logicalColumn < 0 || logicalColumn >= d->model->columnCount()) {
        return;
    }
    const GridColumn &col = d->model->column(logicalColumn);
    if (!col.sortable) {
        return;
    }
    const SortMarker was = sortMarker(col.field);
    if (!ctrl) {
        // none → ascending → descending → ascending ...; the other markers go.
        d->sortKeys = {GridText::SortKey {col.field, was == SortMarker::Ascending}};
        d->titles->viewport()->update();
        requery();
        return;
    }
    // With Ctrl: none → ascending → descending → none, the others kept; the query waits for
    // Ctrl to be released.
    if (was == SortMarker::None) {
        d->sortKeys.append(GridText::SortKey {col.field, false});
    } else {
        for (int i = 0; i < d->sortKeys.size(); ++i) {
            if (d->sortKeys[i].field == col.field) {
                if (was == SortMarker::Ascending) {
                    d->sortKeys[i].descending = true;
                } else {
                    d->sortKeys.removeAt(i);
                }
                break;
            }
        }
    }
    d->titles->viewport()->update();
    if (!d->ctrlSortPending) {
        d->ctrlSortPending = true;
        qApp->installEventFilter(this);
    }
}

void DBGridEh::releaseCtrl()
{
    if (d->ctrlSortPending) {
        requery();
    }
}

void DBGridEh::requery()
{
    if (d->ctrlSortPending) {
        d->ctrlSortPending = false;
        qApp->removeEventFilter(this);
    }
    if (!d->dataSet || !d->dataSet->isOpen() || d->dataSet->isEmpty()) {
        return;
    }
    // The rows come back in their new order with the first one current, shown from the top.
    QString line = orderingLine();
    if (!line.isEmpty() && !d->tieBreak.isEmpty()) {
        line += QStringLiteral(", ") + d->tieBreak;
    }
    d->dataSet->setOrderingLine(line);
    d->dataSet->reopen();
    verticalScrollBar()->setValue(0);
    emit sortRequested(line);
}

bool DBGridEh::eventFilter(QObject *watched, QEvent *event)
{
    if (d->ctrlSortPending) {
        if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Control) {
            requery();
        } else if (event->type() == QEvent::ApplicationDeactivate) {
            requery();
        }
    }
    return QTableView::eventFilter(watched, event);
}

void DBGridEh::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Control && d->ctrlSortPending) {
        requery();
    }
    QTableView::keyReleaseEvent(event);
}

void DBGridEh::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    if (d->ctrlSortPending) {
        requery();
    }
}

// --- tool tips -------------------------------------------------------------------------------

bool DBGridEh::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString text = index.isValid() ? d->model->text(index.row(), index.column()) : QString();
        const QRect rect = visualRect(index);
        // Only a cut-off cell shows its full text.
        if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) + 8 > rect.width()) {
            QToolTip::showText(help->globalPos(), text, viewport(), rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QTableView::viewportEvent(event);
}

// --- hiding and showing columns --------------------------------------------------------------

QString DBGridEh::hiddenCaption(const QString &title)
{
    return GridText::hiddenCaption(title);
}

QString DBGridEh::rightmostVisibleField() const
{
    const auto &cols = d->model->columns();
    for (int i = int(cols.size()) - 1; i >= 0; --i) {
        if (cols[i].visible) {
            return cols[i].field;
        }
    }
    return {};
}

QString DBGridEh::hideRightmostColumn()
{
    const int i = d->model->columnOfField(rightmostVisibleField());
    if (i < 0) {
        return {};
    }
    GridColumn c = d->model->column(i);
    c.visible = false;
    changeColumns([&] { d->model->updateColumn(i, c); });
    return GridText::hiddenCaption(c.title);
}

void DBGridEh::showColumn(const QString &field)
{
    int i = d->model->columnOfField(field);
    if (i < 0 || d->model->column(i).visible) {
        return;
    }
    int lastVisible = -1;
    const auto &cols = d->model->columns();
    for (int j = 0; j < cols.size(); ++j) {
        if (cols[j].visible) {
            lastVisible = j;
        }
    }
    const int to = i > lastVisible ? lastVisible + 1 : lastVisible;
    changeColumns([&] {
        d->model->moveColumn(i, to);
        GridColumn c = d->model->column(to);
        c.visible = true;
        d->model->updateColumn(to, c);
    });
}

QString DBGridEh::showFirstHiddenColumn()
{
    const auto &cols = d->model->columns();
    QString field;
    bool pastVisible = false;
    for (int j = int(cols.size()) - 1; j >= 0 && !pastVisible; --j) {
        pastVisible = cols[j].visible;
        if (!cols[j].visible) {
            field = cols[j].field;
        }
    }
    if (field.isEmpty()) {
        for (const GridColumn &c : cols) {
            if (!c.visible) {
                field = c.field;
                break;
            }
        }
    }
    if (!field.isEmpty()) {
        showColumn(field);
    }
    return field;
}

QStringList DBGridEh::hiddenFields() const
{
    QStringList fields;
    for (const GridColumn &c : d->model->columns()) {
        if (!c.visible) {
            fields << c.field;
        }
    }
    return fields;
}

// --- export ----------------------------------------------------------------------------------

ExportTable DBGridEh::exportTable() const
{
    ExportTable t;
    QList<int> columns;
    const auto &cols = d->model->columns();
    for (int i = 0; i < cols.size(); ++i) {
        if (!cols[i].visible) {
            continue;
        }
        columns << i;
        t.titles << cols[i].title;
        t.kinds << d->model->kind(i);
        t.alignments << cols[i].alignment;
    }
    t.rowCount = d->model->rowCount();
    const QPointer<DBGridModel> model = d->model;
    t.value = [model, columns](int row, int column) {
        return model && column >= 0 && column < columns.size() ? model->value(row, columns[column]) : QVariant();
    };
    t.text = [model, columns](int row, int column) {
        return model && column >= 0 && column < columns.size() ? model->text(row, columns[column]) : QString();
    };
    bool footer = false;
    for (int c : columns) {
        footer = footer || cols[c].footer != GridColumn::Footer::None;
    }
    if (footer) {
        for (int c : columns) {
            t.footer << d->model->footerText(c);
        }
    }
    return t;
}

DBGridModel *DBGridEh::gridModel() const
{
    return d->model;
}
