#include "listwindow/housedetailwindow.h"

#include "components/common/prompt.h"
#include "components/dbctrls/inputmethod.h"
#include "data/clock.h"
#include "listwindow/formulapages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

QList<GridColumn> HouseDetailDesign::standardHouseColumns()
{
    using C = GridColumn;
    return {
        C::of(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称"), 90),
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 80).sortButton(),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 90).sortButton(),
    };
}

QList<SearchField> HouseDetailDesign::standardSearch()
{
    return {
        {QStringLiteral("Edit1"), QStringLiteral("房屋代码："), QStringLiteral("房屋代码")},
        {QStringLiteral("Edit3"), QStringLiteral("业主名称："), QStringLiteral("业主名称")},
        {QStringLiteral("DBComboBoxEh3"), QStringLiteral("楼宇名称："), QStringLiteral("楼宇名称"), true},
    };
}

HouseDetailWindow::HouseDetailWindow(const HouseDetailDesign &design, QWidget *parent)
    : WindowFrame(design, {design.leadingButtons}, design.trailingButtons, parent)
    , m_design(design)
    , m_houses(new DataSet(QStringLiteral("q_houseinfo"), QStringLiteral("房屋资料"), this))
    , m_details(new DataSet(design.detailQuery, design.detailTable, this))
{
    QVBoxLayout *body = WindowFrame::body();
    if (design.stateLabel) {
        m_state = new QLabel(this);
        m_state->setObjectName(QStringLiteral("Label4"));
        m_state->setAccessibleName(QStringLiteral("缴费状态"));
        m_state->setStyleSheet(QStringLiteral("color: red; font-size: 22px; font-weight: bold; padding: 0;"));
        m_state->hide();
        addToTitleBand(m_state);
    }
    buildSearchBar();
    body->addWidget(m_search);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setChildrenCollapsible(false);
    m_houseGrid = new DBGridEh(m_splitter);
    m_houseGrid->setObjectName(QStringLiteral("DBGridEh1"));
    m_houseGrid->setAccessibleName(QStringLiteral("房屋列表"));
    m_houseGrid->setColumns(design.houseColumns);
    m_houseGrid->setDataSet(m_houses);
    m_houseGrid->setDichromatic(true);
    m_houseGrid->setFitToWidth(true);

    auto *right = new QWidget(m_splitter);
    right->setObjectName(QStringLiteral("Panel3"));
    auto *column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_detailArea = new QVBoxLayout;
    m_detailArea->setSpacing(0);
    column->addLayout(m_detailArea);
    m_detailGrid = new DBGridEh(right);
    m_detailGrid->setObjectName(QStringLiteral("DBGridEh2"));
    m_detailGrid->setAccessibleName(design.titleBand);
    m_detailGrid->setColumns(design.detailColumns);
    m_detailGrid->setDataSet(m_details);
    m_detailGrid->setDichromatic(true);
    column->addWidget(m_detailGrid, 1);
    m_splitter->addWidget(m_houseGrid);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({design.houseListWidth, qMax(400, width() - design.houseListWidth)});
    body->addWidget(m_splitter, 1);
    setGrids(m_detailGrid, m_houseGrid);

    connect(m_houses, &DataSet::currentChanged, this, &HouseDetailWindow::refreshDetail);
    connect(m_houses, &DataSet::closed, this, &HouseDetailWindow::refreshDetail);
}

HouseDetailWindow::~HouseDetailWindow() = default;

void HouseDetailWindow::buildSearchBar()
{
    m_search = new SearchBar(m_design.search, m_design.findButton, this);
    m_search->setObjectName(QStringLiteral("Panel7"));
    if (!m_design.enterRing.isEmpty()) {
        m_search->setEnterRing(m_design.enterRing, m_design.lastEnterFinds);
    }
    connect(m_search, &SearchBar::findRequested, this, &HouseDetailWindow::findHouses);
    if (m_design.monthPicker) {
        m_month = new QDateEdit(Clock::today(), m_search);
        m_month->setObjectName(QStringLiteral("DateTimePicker1"));
        m_month->setDisplayFormat(QStringLiteral("yyyy年MM月"));
        m_month->setCalendarPopup(true);
        m_month->setAccessibleName(QStringLiteral("缴费时间"));
        auto *label = new QLabel(QStringLiteral("缴费时间："), m_search);
        label->setBuddy(m_month);
        m_search->insertAtStart(label, m_month);
        m_shownYear = m_month->date().year();
        m_shownMonth = m_month->date().month();
        connect(m_month, &QDateEdit::dateChanged, this, [this](const QDate &d) {
            // The picker shows no day: only another year or month is a change.
            if (d.year() != m_shownYear || d.month() != m_shownMonth) {
                m_shownYear = d.year();
                m_shownMonth = d.month();
                emit monthChanged();
            }
        });
    }
}

QString HouseDetailWindow::yearText() const
{
    return m_month ? QString::number(m_month->date().year()) : QString();
}

QString HouseDetailWindow::monthText() const
{
    return m_month ? QString::number(m_month->date().month()) : QString();
}

void HouseDetailWindow::setStateText(const QString &text)
{
    if (m_state) {
        m_state->setText(text);
        m_state->setVisible(!text.isEmpty());
    }
}

QString HouseDetailWindow::stateText() const
{
    return m_state && m_state->isVisibleTo(this) ? m_state->text() : QString();
}

QString HouseDetailWindow::houseCondition(QVariantList *) const
{
    return {};
}

bool HouseDetailWindow::openHouses(bool withSearch, QString *error)
{
    QVariantList values;
    QStringList conditions;
    const QString always = houseCondition(&values);
    if (!always.isEmpty()) {
        conditions << always;
    }
    if (withSearch) {
        conditions << m_search->conditions(&values);
    }
    if (!SearchBar::reopen(m_houses, m_design.houseSelect, conditions, values, m_design.houseOrdering,
                           m_design.houseGrouping)) {
        *error = m_houses->lastError();
        return false;
    }
    return true;
}

bool HouseDetailWindow::reloadHouses()
{
    QString error;
    if (!openHouses(false, &error)) {
        reportError(error);
        return false;
    }
    return true;
}

void HouseDetailWindow::findHouses()
{
    QString error;
    if (!openHouses(true, &error)) {
        reportError(error);
    } else if (m_houses->isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有找到合适的记录！"), Prompt::Icon::Information);
    }
}

void HouseDetailWindow::prepare(Preparation &p)
{
    InputMethod::apply(m_search->chineseBoxes(), session().inputMethod);
    p.onFinish([window = QPointer<HouseDetailWindow>(this)] {
        if (window) {
            window->m_details->close();
            window->m_houses->close();
        }
    });
    p.step([this](QString *error) { return openHouses(false, error); });
    for (const SearchField &f : std::as_const(m_design.search)) {
        if (f.equality) {
            p.fill(m_search->findChild<QComboBox *>(f.objectName), Preparation::Items::Buildings);
        }
    }
}

void HouseDetailWindow::refreshDetail()
{
    // A change typed into the detail of the house being left is written, as moving within
    // the detail would write it.
    if (m_details->isEditing() && !m_details->post()) {
        reportError(m_details->lastError());
        m_details->cancel();
    }
    if (!m_houses->isOpen() || m_houses->currentRow() < 0) {
        m_details->close();
        emit detailRefreshed();
        return;
    }
    QVariantList values;
    const QStringList lines = detailLines(&values);
    m_details->close();
    m_details->clearSql();
    for (const QString &line : lines) {
        m_details->addLine(line);
    }
    for (const QVariant &v : std::as_const(values)) {
        m_details->bindPositional(v);
    }
    if (!m_details->open()) {
        reportError(m_details->lastError());
    }
    emit detailRefreshed();
}

FormulaPages *HouseDetailWindow::addFormulaPages(const FormulaPagesDesign &design)
{
    auto *pages = new FormulaPages(design, this);
    pages->setFixedHeight(110);
    pages->setDataSet(m_details);
    m_detailArea->addWidget(pages);
    return pages;
}

QHBoxLayout *HouseDetailWindow::stripRow()
{
    if (!m_strip) {
        auto *strip = new QWidget(this);
        strip->setObjectName(QStringLiteral("Panel4"));
        m_strip = new QHBoxLayout(strip);
        m_strip->setContentsMargins(8, 4, 8, 4);
        m_detailArea->addWidget(strip);
    }
    return m_strip;
}

QPushButton *HouseDetailWindow::addStripButton(const QString &objectName, const QString &caption)
{
    QHBoxLayout *row = stripRow();
    auto *b = new QPushButton(caption, row->parentWidget());
    b->setObjectName(objectName);
    b->setAccessibleName(caption);
    b->setAutoDefault(false);
    // Clicking it leaves the focus in the editor, which keeps what was typed until the button
    // takes it (or refuses it), as the designed speed buttons do.
    b->setFocusPolicy(Qt::NoFocus);
    row->addWidget(b);
    return b;
}

bool HouseDetailWindow::hasOutput() const
{
    return m_details->isOpen() && !m_details->isEmpty();
}

void HouseDetailWindow::reportError(const QString &reason)
{
    Prompt::databaseError(this, reason);
}

void HouseDetailWindow::layoutLoaded(bool)
{
    m_houseGrid->setFitToWidth(true);
}

void HouseDetailWindow::dropPending()
{
    m_details->cancel();
    m_houses->cancel();
}
