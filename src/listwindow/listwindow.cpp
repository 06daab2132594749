#include "listwindow/listwindow.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbcontrol.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/dbnumberedit.h"
#include "components/dbctrls/enterring.h"
#include "components/dbctrls/inputmethod.h"
#include "components/grid/gridexport.h"
#include "listwindow/dbnavigator.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/transaction.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
QWidget *makeEditor(const EntryField &e, QWidget *parent)
{
    QWidget *w = nullptr;
    switch (e.editor) {
    case EntryField::Editor::Memo:
        w = new DBMemo(parent);
        w->setMaximumHeight(60);
        break;
    case EntryField::Editor::Number: {
        auto *n = new DBNumberEditEh(parent);
        n->setDecimals(e.decimals);
        w = n;
        break;
    }
    case EntryField::Editor::Money:
        w = new DBMoneyEdit(parent);
        break;
    case EntryField::Editor::Date:
        w = new DBDateTimeEditEh(parent);
        break;
    case EntryField::Editor::Combo: {
        auto *c = new DBComboBoxEh(parent);
        c->setItems(e.items);
        w = c;
        break;
    }
    case EntryField::Editor::Check:
        w = new DBCheckBox(QString(), parent);
        break;
    default:
        w = new DBEdit(parent);
        break;
    }
    w->setObjectName(e.objectName);
    w->setAccessibleName(QString(e.label).remove(QStringLiteral("：")).trimmed());
    return w;
}

// Fields shown on green: the occupant strip and the values other windows keep.
const QString GreenField = QStringLiteral("background: rgb(204, 238, 204);");
}

QStringList ListWindowDesign::unknownFields(const QString &table) const
{
    const TableDef *def = Schema::table(table);
    const auto known = [def](const QString &field) { return def ? def->hasField(field) : Schema::isKnownField(field); };
    QStringList out;
    if (!table.isEmpty() && !def) {
        out << QStringLiteral("table ") + table;
    }
    for (const GridColumn &c : columns) {
        if (!c.field.isEmpty() && !known(c.field)) {
            out << QStringLiteral("column ") + c.field;
        }
    }
    for (const EntryField &e : entries) {
        if (!known(e.field)) {
            out << QStringLiteral("entry %1 %2").arg(e.objectName, e.field);
        }
    }
    for (const SearchField &f : search) {
        if (!known(f.column)) {
            out << QStringLiteral("search %1 %2").arg(f.objectName, f.column);
        }
    }
    return out;
}

ListWindow::ListWindow(DataSet *dataSet, const ListWindowDesign &design, QWidget *parent)
    : QDialog(parent)
    , m_dataSet(dataSet)
    , m_design(design)
    , m_layout(design.layoutFile, design.className)
{
    // A misspelt field would show an empty column, or never write what is typed.
    if (const QStringList unknown = design.unknownFields(dataSet ? dataSet->tableName() : QString());
        !unknown.isEmpty()) {
        const QString what = QStringLiteral("%1: unknown fields: %2").arg(design.className, unknown.join(u", "));
        qWarning("ListWindow %s", qPrintable(what));
        Q_ASSERT_X(false, "ListWindow", qPrintable(what));
    }
    ListParts::setUpWindow(this, design.className, design.caption);

    m_body = new QVBoxLayout(this);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(0);
    buildButtonBar();

    QLabel *band = ListParts::titleBand(design.titleBand, this);
    m_body->addWidget(band);
    if (!design.titleHint.isEmpty()) {
        auto *hint = new QLabel(design.titleHint, band);
        hint->setObjectName(QStringLiteral("titleHint"));
        hint->setStyleSheet(
            QStringLiteral("color: maroon; font-weight: normal; font-size: 12px; padding: 0; background: white;"));
        ListParts::addToTitleBand(band, hint);
    }

    if (!design.search.isEmpty()) {
        buildSearchBar();
    }
    if (!design.entries.isEmpty()) {
        buildEntryPanel();
    }
    buildGridStrip();

    m_grid = new DBGridEh(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setAccessibleName(design.titleBand.isEmpty() ? design.caption : design.titleBand);
    m_grid->setColumns(design.columns);
    m_grid->setDataSet(dataSet);
    m_grid->setDichromatic(true);
    m_grid->setFitToWidth(design.fitInitially);
    m_body->addWidget(m_grid, 1);
    m_navigator->setDataSet(dataSet);
    if (design.doubleClickEdits) {
        connect(m_grid, &DBGridEh::rowDoubleClicked, this, &ListWindow::editRecord);
    }

    connect(dataSet, &DataSet::stateChanged, this, &ListWindow::updateStates);
    connect(dataSet, &DataSet::opened, this, &ListWindow::updateStates);
    updateStates();
}

ListWindow::~ListWindow() = default;

QToolButton *ListWindow::addButton(const QString &objectName, const QString &caption, const QString &glyph,
                                   const QColor &colour, const QString &before)
{
    return m_bar->add(objectName, caption, glyph, colour, before);
}

void ListWindow::addPanel(QWidget *panel, const QString &after)
{
    QWidget *above = after.isEmpty() ? nullptr : findChild<QWidget *>(after);
    const int at = above ? m_body->indexOf(above) : -1;
    m_body->insertWidget(at < 0 ? -1 : at + 1, panel);
}

void ListWindow::buildButtonBar()
{
    m_bar = new ButtonBar(this);
    m_body->addWidget(m_bar);
    const int b = m_design.buttons;
    if (b & ListWindowDesign::Add) {
        connect(addButton(QStringLiteral("bitbtn_add"), QStringLiteral("增加"), QStringLiteral("＋"), ButtonBar::Edit),
                &QToolButton::clicked, this, &ListWindow::addRecord);
    }
    if (b & ListWindowDesign::Edit) {
        connect(addButton(QStringLiteral("bitbtn_edit"), QStringLiteral("编辑"), QStringLiteral("改"), ButtonBar::Edit),
                &QToolButton::clicked, this, &ListWindow::editRecord);
    }
    if (b & ListWindowDesign::Delete) {
        connect(
            addButton(QStringLiteral("bitbtn_delete"), QStringLiteral("删除"), QStringLiteral("删"), ButtonBar::Delete),
            &QToolButton::clicked, this, &ListWindow::deleteRecord);
    }
    if (b & (ListWindowDesign::Add | ListWindowDesign::Edit | ListWindowDesign::Delete)) {
        m_bar->addBevel();
    }
    if (b & ListWindowDesign::SaveCancel) {
        connect(addButton(QStringLiteral("bitbtn_save"), QStringLiteral("存盘"), QStringLiteral("存"), ButtonBar::Save),
                &QToolButton::clicked, this, &ListWindow::saveRecord);
        connect(
            addButton(QStringLiteral("bitbtn_cancel"), QStringLiteral("取消"), QStringLiteral("消"), ButtonBar::Cancel),
            &QToolButton::clicked, this, &ListWindow::cancelRecord);
        m_bar->addBevel();
    }
    connect(addButton(QStringLiteral("bitbtn_out"), QStringLiteral("导出"), QStringLiteral("出"), ButtonBar::Out),
            &QToolButton::clicked, this, &ListWindow::exportList);
    connect(addButton(QStringLiteral("bitbtn_print"), QStringLiteral("打印"), QStringLiteral("印"), ButtonBar::Out),
            &QToolButton::clicked, this, &ListWindow::printList);
    m_bar->addBevel();
    if (m_design.hasReset) {
        connect(addButton(QStringLiteral("bitbtn_reset"), QStringLiteral("初始界面"), QStringLiteral("原"),
                          ButtonBar::Back),
                &QToolButton::clicked, this, &ListWindow::resetLayout);
    }
    connect(m_bar->addReturn(), &QToolButton::clicked, this, &QDialog::reject);
}

void ListWindow::buildEntryPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel7"));
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    QWidget *strip = nullptr;
    QHBoxLayout *stripRow = nullptr;
    if (std::any_of(m_design.entries.cbegin(), m_design.entries.cend(),
                    [](const EntryField &e) { return e.inStrip; })) {
        strip = new QWidget(this);
        strip->setObjectName(QStringLiteral("Panel3"));
        QPalette green = strip->palette();
        green.setColor(QPalette::Window, QColor(170, 221, 170));
        strip->setPalette(green);
        strip->setAutoFillBackground(true);
        stripRow = new QHBoxLayout(strip);
        stripRow->setContentsMargins(8, 4, 8, 4);
        stripRow->setSpacing(6);
    }
    QList<QWidget *> chinese;
    int i = 0;
    for (const EntryField &e : std::as_const(m_design.entries)) {
        QWidget *parent = e.inStrip ? strip : panel;
        QWidget *editor = makeEditor(e, parent);
        auto *label = new QLabel(e.label, parent);
        label->setObjectName(e.labelName);
        label->setBuddy(editor);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        DBControl *c = DBControl::of(editor);
        if (c) {
            c->bind(m_dataSet, e.field);
        }
        if (e.displayOnly && c) {
            c->setDisplayOnly();
            editor->setStyleSheet(GreenField);
        }
        // The editor with its choose button takes the editor's place.
        QWidget *cell = editor;
        if (!e.buttonName.isEmpty()) {
            cell = new QWidget(parent);
            auto *row = new QHBoxLayout(cell);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(2);
            editor->setParent(cell);
            row->addWidget(editor, 1);
            auto *choose = new QToolButton(cell);
            choose->setObjectName(e.buttonName);
            choose->setText(QStringLiteral("…"));
            choose->setToolTip(e.buttonHint);
            choose->setAccessibleName(e.buttonHint);
            row->addWidget(choose);
        }
        if (e.inStrip) {
            stripRow->addWidget(label);
            stripRow->addWidget(cell, 1);
        } else if (!e.hidden) {
            const int row = i / m_design.entryColumns;
            const int col = (i % m_design.entryColumns) * 2;
            // Remarks take the rest of their row.
            const int span = e.editor == EntryField::Editor::Memo ? (m_design.entryColumns - col / 2) * 2 - 1 : 1;
            grid->addWidget(label, row, col);
            grid->addWidget(cell, row, col + 1, 1, span);
            grid->setColumnStretch(col + 1, 1);
            i += (span + 1) / 2;
        } else {
            label->hide();
            cell->hide();
        }
        if (e.chinese) {
            chinese << editor;
        }
        m_entries << editor;
        m_labels << label;
    }
    if (!m_design.entryNote.isEmpty()) {
        auto *note = new QLabel(m_design.entryNote, panel);
        note->setObjectName(QStringLiteral("entryNote"));
        note->setStyleSheet(QStringLiteral("background: rgb(220, 245, 220); color: black; padding: 4px;"));
        note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(note, 0, m_design.entryColumns * 2, qMax(1, grid->rowCount()), 1);
    }
    EnterRing *ring = EnterRing::install(m_entries);
    for (int k = 0; k < m_design.entries.size(); ++k) {
        if (QWidget *to = entry(m_design.entries[k].enterTo); ring && to) {
            ring->setNext(m_entries[k], to);
        }
    }
    InputMethod::apply(chinese, Session::current().inputMethod);
    m_body->addWidget(panel);
    if (strip) {
        m_body->addWidget(strip);
    }
}

void ListWindow::buildSearchBar()
{
    m_search = new SearchBar(m_design.search, m_design.findButton, this);
    if (!m_design.searchRing.isEmpty()) {
        m_search->setEnterRing(m_design.searchRing, true);
    }
    connect(m_search, &SearchBar::findRequested, this, &ListWindow::find);
    m_body->addWidget(m_search);
}

bool ListWindow::searchConditions(QStringList *conditions, QVariantList *values)
{
    if (m_search) {
        *conditions = m_search->conditions(values);
    }
    return true;
}

void ListWindow::find()
{
    // Typed text is bound, and its % and _ match themselves: the operator finds what he typed.
    QVariantList values;
    QStringList conditions;
    if (!searchConditions(&conditions, &values)) {
        return;
    }
    m_dataSet->cancel();
    m_dataSet->close();
    m_dataSet->clearSql();
    m_dataSet->addLine(m_design.searchSelect);
    if (!conditions.isEmpty()) {
        m_dataSet->addLine(QStringLiteral(" where ") + SearchBar::joined(conditions));
    }
    m_dataSet->addLine(m_design.searchOrdering);
    for (const QVariant &v : std::as_const(values)) {
        m_dataSet->bindPositional(v);
    }
    if (!m_dataSet->open()) {
        Prompt::databaseError(this, m_dataSet->lastError());
        return;
    }
    if (m_dataSet->isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有找到合适的记录！"), Prompt::Icon::Information);
    }
}

void ListWindow::buildGridStrip()
{
    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("Panel8"));
    strip->setFixedHeight(35);
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 4, 6, 4);
    m_navigator = new DBNavigator(strip);
    row->addWidget(m_navigator);
    row->addSpacing(16);
    m_dichromatic = new QCheckBox(m_design.dichromaticLabel, strip);
    m_dichromatic->setObjectName(QStringLiteral("cbDichromatic"));
    m_dichromatic->setChecked(true);
    connect(m_dichromatic, &QCheckBox::toggled, this, [this](bool on) { m_grid->setDichromatic(on); });
    row->addWidget(m_dichromatic);
    m_fit = new QCheckBox(m_design.fitLabel, strip);
    m_fit->setObjectName(QStringLiteral("CheckBox1"));
    m_fit->setChecked(m_design.fitInitially);
    connect(m_fit, &QCheckBox::toggled, this, [this](bool on) { m_grid->setFitToWidth(on); });
    row->addWidget(m_fit);
    row->addStretch(1);
    if (m_design.hideFloor > 0) {
        m_showHidden = new QToolButton(strip);
        m_showHidden->setObjectName(QStringLiteral("ToolButton1"));
        m_showHidden->setToolTip(QStringLiteral("显示隐藏的列"));
        m_showHidden->setAccessibleName(QStringLiteral("显示隐藏的列"));
        m_showHidden->setText(QStringLiteral("显示列"));
        m_showHidden->setPopupMode(QToolButton::MenuButtonPopup);
        m_hiddenMenu = new QMenu(m_showHidden);
        m_hiddenMenu->setObjectName(QStringLiteral("PopupMenu1"));
        m_showHidden->setMenu(m_hiddenMenu);
        m_showHidden->setEnabled(false);
        connect(m_showHidden, &QToolButton::clicked, this, &ListWindow::showFirstHiddenColumn);
        m_hideRightmost = new QToolButton(strip);
        m_hideRightmost->setObjectName(QStringLiteral("ToolButton2"));
        m_hideRightmost->setToolTip(QStringLiteral("隐藏最右边的列"));
        m_hideRightmost->setAccessibleName(QStringLiteral("隐藏最右边的列"));
        m_hideRightmost->setText(QStringLiteral("隐藏列"));
        connect(m_hideRightmost, &QToolButton::clicked, this, &ListWindow::hideRightmostColumn);
        row->addWidget(m_showHidden);
        row->addWidget(m_hideRightmost);
    }
    m_body->addWidget(strip);
}

bool ListWindow::isEditing() const
{
    return m_dataSet->isEditing();
}

QLabel *ListWindow::labelOf(const QString &field) const
{
    const int i = m_entries.indexOf(entry(field));
    return i < 0 ? nullptr : m_labels.value(i);
}

QWidget *ListWindow::entry(const QString &field) const
{
    for (QWidget *w : m_entries) {
        if (DBControl *c = DBControl::of(w); c && c->field() == field) {
            return w;
        }
    }
    return nullptr;
}

void ListWindow::updateStates()
{
    const bool editing = isEditing();
    const auto enable = [this](const char *name, bool on) {
        if (auto *b = findChild<QToolButton *>(QString::fromLatin1(name))) {
            b->setEnabled(on);
        }
    };
    enable("bitbtn_add", !editing);
    enable("bitbtn_edit", !editing);
    enable("bitbtn_delete", !editing);
    enable("bitbtn_save", editing);
    enable("bitbtn_cancel", editing);
    enable("bitbtn_out", !editing);
    enable("bitbtn_print", !editing);
    m_navigator->setEnabled(!editing);
    m_grid->setEnabled(!editing);
}

void ListWindow::addRecord()
{
    m_dataSet->cancel();
    m_dataSet->last();
    m_dataSet->append();
    if (!m_entries.isEmpty()) {
        m_entries.constFirst()->setFocus();
    }
}

void ListWindow::editRecord()
{
    if (!m_dataSet->isOpen() || !canEdit()) {
        return;
    }
    if (m_dataSet->edit() && !m_entries.isEmpty()) {
        m_entries.constFirst()->setFocus();
    }
}

bool ListWindow::require(const QString &field, const QString &message)
{
    return !m_dataSet->text(field).trimmed().isEmpty() || refuse(field, message);
}

bool ListWindow::refuse(const QString &field, const QString &message, Prompt::Icon icon)
{
    Prompt::notice(this, message, icon);
    if (QWidget *w = field.isEmpty() ? nullptr : entry(field)) {
        w->setFocus();
    }
    return false;
}

bool ListWindow::isDuplicate(const QString &field, const QString &value)
{
    const QString table = m_dataSet->tableName();
    const QString column = Schema::quoted(field);
    const QVariant id =
        m_dataSet->state() == DataSet::State::Insert ? QVariant() : m_dataSet->value(QStringLiteral("id"));
    if (!id.isNull() && storedValue(field).toString() == value) {
        return false;
    }
    QString sql = QStringLiteral("select count(*) from %1 where %2 = ?").arg(Schema::quoted(table), column);
    QVariantList binds {value};
    if (!id.isNull()) {
        sql += QStringLiteral(" and id <> ?");
        binds << id;
    }
    return Dm1::instance()->scalar(sql, binds).toLongLong() > 0;
}

QVariant ListWindow::storedValue(const QString &field) const
{
    if (m_dataSet->state() == DataSet::State::Insert || m_dataSet->currentRow() < 0
        || !m_dataSet->hasField(QStringLiteral("id"))) {
        return {};
    }
    return Dm1::instance()->scalar(QStringLiteral("select %1 from %2 where id = ?")
                                       .arg(Schema::quoted(field), Schema::quoted(m_dataSet->tableName())),
                                   {m_dataSet->value(QStringLiteral("id"))});
}

void ListWindow::saveRecord()
{
    if (!isEditing()) {
        return;
    }
    // A date or number that cannot be taken: say why, stay editing at the field.
    if (!DBControl::commitAllOrRefuse(this)) {
        return;
    }
    if (!validate()) {
        return;
    }
    if (m_dataSet->hasField(QStringLiteral("操作人员"))) {
        m_dataSet->setText(QStringLiteral("操作人员"), Session::current().currentOperator);
    }
    if (m_dataSet->hasField(QStringLiteral("操作日期"))) {
        m_dataSet->setDateTime(QStringLiteral("操作日期"), Clock::now());
    }
    QString error;
    if (!writeRow(&error)) {
        // The database refused the row: say why and keep what was typed.
        Prompt::databaseError(this, error, m_dataSet);
    }
}

bool ListWindow::writeRow(QString *error)
{
    if (m_dataSet->post()) {
        return true;
    }
    *error = m_dataSet->lastError();
    return false;
}

bool ListWindow::postWith(const std::function<bool(QString *)> &more, QString *error)
{
    Transaction tx(Dm1::instance()->database());
    QString why = tx.error();
    // The other rows first: a refusal there leaves the row pending, as the row's own refusal does.
    bool ok = tx.begun() && more(&why);
    if (ok && !m_dataSet->post()) {
        why = m_dataSet->lastError();
        ok = false;
    }
    if (ok && !tx.commit(&why)) {
        // Written but not kept: show what the database holds.
        const int row = m_dataSet->currentRow();
        m_dataSet->reopen();
        m_dataSet->moveTo(row);
        ok = false;
    }
    if (!ok) {
        *error = why;
    }
    return ok;
}

void ListWindow::cancelRecord()
{
    m_dataSet->cancel();
    DBControl::refreshAll(this);
}

void ListWindow::deleteRecord()
{
    if (m_dataSet->recordCount() == 0 || !canDelete()) {
        return;
    }
    if (!Prompt::ask(this, deleteQuestion())) {
        return;
    }
    QString error;
    if (!deleteRow(&error)) {
        Prompt::databaseError(this, error, m_dataSet);
    }
}

bool ListWindow::deleteRow(QString *error)
{
    if (m_dataSet->deleteCurrent()) {
        return true;
    }
    *error = m_dataSet->lastError();
    return false;
}

bool ListWindow::deleteCurrentWith(const std::function<bool(QString *)> &more, QString *error)
{
    const int row = m_dataSet->currentRow();
    bool deleted = false;
    const bool ok = Dm1::instance()->inTransaction(
        [&](QString *why) {
            if (!m_dataSet->deleteCurrent()) {
                *why = m_dataSet->lastError();
                return false;
            }
            deleted = true;
            return more(why);
        },
        error);
    if (!ok && deleted) {
        // The deletion was undone with the rest: show the row again where it was.
        m_dataSet->reopen();
        m_dataSet->moveTo(row);
    }
    return ok;
}

void ListWindow::exportList()
{
    GridExport::exportGrid(this, m_grid, m_design.exportName);
}

void ListWindow::printList()
{
    m_dichromatic->setChecked(false);
    printGrid(m_grid, m_design.printTitle);
    m_dichromatic->setChecked(true);
    m_grid->viewport()->update();
}

void ListWindow::printGrid(DBGridEh *grid, const QString &title)
{
    // Printed without the row colours, which come back afterwards whatever they were.
    grid->setDichromatic(false);
    grid->viewport()->update();
    grid->printPreview(listPrintOptions(title));
    grid->setDichromatic(true);
    grid->viewport()->update();
}

void ListWindow::resetLayout()
{
    m_layout.requestReset(this);
}

void ListWindow::hideRightmostColumn()
{
    if (m_grid->visibleColumnCount() <= m_design.hideFloor) {
        return;
    }
    const QString field = m_grid->rightmostVisibleField();
    const QString caption = m_grid->hideRightmostColumn();
    if (field.isEmpty()) {
        return;
    }
    listHiddenColumn(field, caption, m_hiddenMenu->actions().value(0));
}

// An entry of the drop-down of "显示隐藏的列", placed before `before` (at the end when null);
// choosing it shows that column again.
void ListWindow::listHiddenColumn(const QString &field, const QString &caption, QAction *before)
{
    auto *action = new QAction(caption, m_hiddenMenu);
    action->setData(field);
    connect(action, &QAction::triggered, this, [this, action] {
        m_grid->showColumn(action->data().toString());
        m_hiddenMenu->removeAction(action);
        action->deleteLater();
        m_showHidden->setEnabled(!m_hiddenMenu->actions().isEmpty() && !m_grid->hiddenFields().isEmpty());
    });
    m_hiddenMenu->insertAction(before, action);
    m_showHidden->setEnabled(true);
}

// The columns a layout file hides are listed when the window opens, so that they can be shown
// again: first those after the visible columns, in their order (the one "显示隐藏的列" brings
// back first at the top), then any hidden among them.
void ListWindow::listLoadedHiddenColumns()
{
    if (!m_hiddenMenu) {
        return;
    }
    const QList<GridColumn> columns = m_grid->columns();
    int lastVisible = -1;
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].visible) {
            lastVisible = i;
        }
    }
    QList<int> order;
    for (int i = lastVisible + 1; i < columns.size(); ++i) {
        order << i;
    }
    for (int i = 0; i < lastVisible; ++i) {
        if (!columns[i].visible) {
            order << i;
        }
    }
    for (int i : std::as_const(order)) {
        listHiddenColumn(columns[i].field, DBGridEh::hiddenCaption(columns[i].title), nullptr);
    }
}

void ListWindow::showFirstHiddenColumn()
{
    const QList<QAction *> listed = m_hiddenMenu->actions();
    if (!listed.isEmpty()) {
        QAction *top = listed.constFirst();
        m_hiddenMenu->removeAction(top);
        top->deleteLater();
    }
    m_grid->showFirstHiddenColumn();
    m_showHidden->setEnabled(!m_grid->hiddenFields().isEmpty() && !m_hiddenMenu->actions().isEmpty());
    m_hideRightmost->setEnabled(true);
}

QComboBox *ListWindow::searchCombo(const QString &objectName) const
{
    auto *panel = findChild<QWidget *>(QStringLiteral("SearchPanel"), Qt::FindDirectChildrenOnly);
    return panel ? panel->findChild<QComboBox *>(objectName) : nullptr;
}

void ListWindow::prepare(Preparation &p)
{
    if (!m_design.query.isEmpty()) {
        p.open(m_dataSet, m_design.query);
    }
}

void ListWindow::showEvent(QShowEvent *event)
{
    if (!m_layoutLoaded) {
        m_layoutLoaded = true;
        if (m_layout.load(m_grid)) {
            const QSignalBlocker block(m_fit);
            m_fit->setChecked(m_grid->fitToWidth());
            listLoadedHiddenColumns();
        }
    }
    QDialog::showEvent(event);
}

// Esc never closes a list window nor throws away a typed row: only "返回" and the close box
// close it.
void ListWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ListWindow::done(int result)
{
    // Closing drops a pending change; the layout is kept for the next opening.
    m_dataSet->cancel();
    m_layout.save(m_grid);
    QDialog::done(result);
}
