#include "listwindow/gridstrip.h"

#include "components/grid/dbgrideh.h"
#include "listwindow/dbnavigator.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

GridStrip::GridStrip(DBGridEh *grid, const Design &design, QWidget *parent)
    : QWidget(parent)
    , m_grid(grid)
    , m_hideFloor(design.hideFloor)
{
    setObjectName(QStringLiteral("Panel8"));
    setFixedHeight(35);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 6, 4);
    m_navigator = new DBNavigator(this);
    row->addWidget(m_navigator);
    row->addSpacing(16);
    m_dichromatic = new QCheckBox(design.dichromaticLabel, this);
    m_dichromatic->setObjectName(QStringLiteral("cbDichromatic"));
    m_dichromatic->setChecked(true);
    connect(m_dichromatic, &QCheckBox::toggled, this, [this](bool on) { m_grid->setDichromatic(on); });
    row->addWidget(m_dichromatic);
    m_fit = new QCheckBox(design.fitLabel, this);
    m_fit->setObjectName(QStringLiteral("CheckBox1"));
    m_fit->setChecked(design.fitInitially);
    connect(m_fit, &QCheckBox::toggled, this, [this](bool on) { m_grid->setFitToWidth(on); });
    row->addWidget(m_fit);
    row->addStretch(1);
    if (design.hideFloor > 0) {
        m_showHidden = new QToolButton(this);
        m_showHidden->setObjectName(QStringLiteral("ToolButton1"));
        m_showHidden->setToolTip(QStringLiteral("显示隐藏的列"));
        m_showHidden->setAccessibleName(QStringLiteral("显示隐藏的列"));
        m_showHidden->setText(QStringLiteral("显示列"));
        m_showHidden->setPopupMode(QToolButton::MenuButtonPopup);
        m_hiddenMenu = new QMenu(m_showHidden);
        m_hiddenMenu->setObjectName(QStringLiteral("PopupMenu1"));
        m_showHidden->setMenu(m_hiddenMenu);
        m_showHidden->setEnabled(false);
        connect(m_showHidden, &QToolButton::clicked, this, &GridStrip::showFirstHiddenColumn);
        m_hideRightmost = new QToolButton(this);
        m_hideRightmost->setObjectName(QStringLiteral("ToolButton2"));
        m_hideRightmost->setToolTip(QStringLiteral("隐藏最右边的列"));
        m_hideRightmost->setAccessibleName(QStringLiteral("隐藏最右边的列"));
        m_hideRightmost->setText(QStringLiteral("隐藏列"));
        connect(m_hideRightmost, &QToolButton::clicked, this, &GridStrip::hideRightmostColumn);
        row->addWidget(m_showHidden);
        row->addWidget(m_hideRightmost);
    }
}

void GridStrip::setDichromatic(bool on)
{
    m_dichromatic->setChecked(on);
}

void GridStrip::hideRightmostColumn()
{
    if (m_grid->visibleColumnCount() <= m_hideFloor) {
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
void GridStrip::listHiddenColumn(const QString &field, const QString &caption, QAction *before)
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
void GridStrip::followLoadedLayout()
{
    const QSignalBlocker block(m_fit);
    m_fit->setChecked(m_grid->fitToWidth());
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

void GridStrip::showFirstHiddenColumn()
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
