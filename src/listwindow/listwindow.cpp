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
#include "data/clock.h"
#include "data/dm1.h"
#include "data/transaction.h"
#include "listwindow/dbnavigator.h"
#include "listwindow/gridstrip.h"

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

namespace {
// The editing buttons a list window's design asks for: "增加", "编辑", "删除" | "存盘", "取消".
QList<QList<BarButton>> editingButtons(int buttons)
{
    using D = ListWindowDesign;
    QList<BarButton> change, save;
    if (buttons & D::Add) {
        change << BarButton::of(QStringLiteral("bitbtn_add"), QStringLiteral("增加"), QStringLiteral("＋"));
    }
    if (buttons & D::Edit) {
        change << BarButton::of(QStringLiteral("bitbtn_edit"), QStringLiteral("编辑"), QStringLiteral("改"));
    }
    if (buttons & D::Delete) {
        change << BarButton::of(QStringLiteral("bitbtn_delete"), QStringLiteral("删除"), QStringLiteral("删"),
                                ButtonBar::Delete);
    }
    if (buttons & D::SaveCancel) {
        save << BarButton::of(QStringLiteral("bitbtn_save"), QStringLiteral("存盘"), QStringLiteral("存"),
                              ButtonBar::Save)
             << BarButton::of(QStringLiteral("bitbtn_cancel"), QStringLiteral("取消"), QStringLiteral("消"),
                              ButtonBar::Cancel);
    }
    return {change, save};
}
}

ListWindow::ListWindow(DataSet *dataSet, const ListWindowDesign &design, QWidget *parent)
    : WindowFrame(design, editingButtons(design.buttons), {}, parent)
    , m_dataSet(dataSet)
    , m_design(design)
{
    // A misspelt field would show an empty column, or never write what is typed.
    if (const QStringList unknown = design.unknownFields(dataSet ? dataSet->tableName() : QString());
        !unknown.isEmpty()) {
        const QString what = QStringLiteral("%1: unknown fields: %2").arg(design.className, unknown.join(u", "));
        qWarning("ListWindow %s", qPrintable(what));
        Q_ASSERT_X(false, "ListWindow", qPrintable(what));
    }
    const std::pair<const char *, void (ListWindow::*)()> actions[] = {
        {"bitbtn_add", &ListWindow::addRecord},       {"bitbtn_edit", &ListWindow::editRecord},
        {"bitbtn_delete", &ListWindow::deleteRecord}, {"bitbtn_save", &ListWindow::saveRecord},
        {"bitbtn_cancel", &ListWindow::cancelRecord},
    };
    for (const auto &[name, action] : actions) {
        if (QToolButton *b = button(QString::fromLatin1(name))) {
            connect(b, &QToolButton::clicked, this, action);
        }
    }
    if (!design.titleHint.isEmpty()) {
        auto *hint = new QLabel(design.titleHint, this);
        hint->setObjectName(QStringLiteral("titleHint"));
        hint->setStyleSheet(
            QStringLiteral("color: maroon; font-weight: normal; font-size: 12px; padding: 0; background: white;"));
        addToTitleBand(hint);
    }

    if (!design.search.isEmpty()) {
        buildSearchBar();
    }
    if (!design.entries.isEmpty()) {
        buildEntryPanel();
    }
    m_grid = new DBGridEh(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setAccessibleName(design.titleBand.isEmpty() ? design.caption : design.titleBand);
    m_grid->setColumns(design.columns);
    m_grid->setDataSet(dataSet);
    m_grid->setDichromatic(true);
    m_grid->setFitToWidth(design.fitInitially);
    m_strip =
        new GridStrip(m_grid, {design.dichromaticLabel, design.fitLabel, design.fitInitially, design.hideFloor}, this);
    m_strip->navigator()->setDataSet(dataSet);
    body()->addWidget(m_strip);
    body()->addWidget(m_grid, 1);
    setGrids(m_grid, m_grid);
    if (design.doubleClickEdits) {
        connect(m_grid, &DBGridEh::rowDoubleClicked, this, &ListWindow::editRecord);
    }

    connect(dataSet, &DataSet::stateChanged, this, &ListWindow::updateStates);
    connect(dataSet, &DataSet::opened, this, &ListWindow::updateStates);
    updateStates();
}

ListWindow::~ListWindow() = default;

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
            m_chinese << editor;
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
    body()->addWidget(panel);
    if (strip) {
        body()->addWidget(strip);
    }
}

void ListWindow::buildSearchBar()
{
    m_search = new SearchBar(m_design.search, m_design.findButton, this);
    if (!m_design.searchRing.isEmpty()) {
        m_search->setEnterRing(m_design.searchRing, true);
    }
    connect(m_search, &SearchBar::findRequested, this, &ListWindow::find);
    body()->addWidget(m_search);
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
    if (!SearchBar::reopen(m_dataSet, m_design.searchSelect, conditions, values, m_design.searchOrdering)) {
        Prompt::databaseError(this, m_dataSet->lastError());
        return;
    }
    if (m_dataSet->isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有找到合适的记录！"), Prompt::Icon::Information);
    }
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
    m_strip->navigator()->setEnabled(!editing);
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
    return dm()->scalar(sql, binds).toLongLong() > 0;
}

QVariant ListWindow::storedValue(const QString &field) const
{
    if (m_dataSet->state() == DataSet::State::Insert || m_dataSet->currentRow() < 0
        || !m_dataSet->hasField(QStringLiteral("id"))) {
        return {};
    }
    return dm()->scalar(QStringLiteral("select %1 from %2 where id = ?")
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
        m_dataSet->setText(QStringLiteral("操作人员"), session().currentOperator);
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
    Transaction tx(db());
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
    const bool ok = dm()->inTransaction(
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

void ListWindow::printList()
{
    m_strip->setDichromatic(false);
    WindowFrame::printList();
    m_strip->setDichromatic(true);
    m_grid->viewport()->update();
}

QComboBox *ListWindow::searchCombo(const QString &objectName) const
{
    auto *panel = findChild<QWidget *>(QStringLiteral("SearchPanel"), Qt::FindDirectChildrenOnly);
    return panel ? panel->findChild<QComboBox *>(objectName) : nullptr;
}

void ListWindow::prepare(Preparation &p)
{
    InputMethod::apply(m_chinese + (m_search ? m_search->chineseBoxes() : QList<QWidget *>()), session().inputMethod);
    if (!m_design.query.isEmpty()) {
        p.open(m_dataSet, m_design.query);
    }
}

void ListWindow::layoutLoaded(bool fromFile)
{
    if (fromFile) {
        m_strip->followLoadedLayout();
    }
}

// Closing drops a pending change.
void ListWindow::dropPending()
{
    m_dataSet->cancel();
}
