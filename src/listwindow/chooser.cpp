#include "listwindow/chooser.h"

#include "components/common/prompt.h"
#include "components/dbctrls/inputmethod.h"
#include "data/dm1.h"
#include "listwindow/listwindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Chooser::Chooser(DataSet *rows, const ChooserDesign &design, QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
    , m_rows(rows)
    , m_design(design)
{
    setObjectName(design.className.mid(QStringLiteral("T").size()));
    setWindowTitle(design.caption);
    setFixedSize(design.width, 460);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    auto *searchRow = new QHBoxLayout;
    m_mode = new QComboBox(this);
    m_mode->setObjectName(QStringLiteral("DBComboBoxEh1"));
    m_mode->setAccessibleName(QStringLiteral("查找方式"));
    m_mode->addItem(design.mode);
    m_mode->setEditable(false); // one mode only: nothing else can be typed
    searchRow->addWidget(m_mode);
    m_search = new QLineEdit(this);
    m_search->setObjectName(design.searchBox);
    m_search->setAccessibleName(design.searchLabel);
    m_search->setValidator(new UpperCase(m_search));
    connect(m_search, &QLineEdit::returnPressed, this, &Chooser::find);
    searchRow->addWidget(m_search, 1);
    auto *findButton = makeButton(QStringLiteral("bitbtn_find"), QStringLiteral("查找"));
    connect(findButton, &QPushButton::clicked, this, &Chooser::find);
    searchRow->addWidget(findButton);
    column->addLayout(searchRow);

    auto *hint = new QLabel(design.hint, this);
    hint->setObjectName(QStringLiteral("Label1"));
    hint->setStyleSheet(QStringLiteral("color: navy;"));
    column->addWidget(hint);

    m_tag = new QLabel(this);
    m_tag->setObjectName(QStringLiteral("Label2"));
    m_tag->hide();

    m_grid = new DBGridEh(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setAccessibleName(design.caption);
    m_grid->setColumns(design.columns);
    m_grid->setDataSet(rows);
    m_grid->setFitToWidth(true);
    m_grid->setFooterColor(QColor(0xcc, 0xee, 0xcc));
    connect(m_grid, &DBGridEh::rowDoubleClicked, this, &Chooser::choose);
    column->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *chooseButton = makeButton(QStringLiteral("bitbtn_choose"), QStringLiteral("选中"));
    connect(chooseButton, &QPushButton::clicked, this, &Chooser::choose);
    buttons->addWidget(chooseButton);
    auto *back = makeButton(QStringLiteral("SpeedButton4"), QStringLiteral("返回"));
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(back);
    column->addLayout(buttons);
}

void Chooser::setCaller(const QString &tag, DataSet *target)
{
    m_tag->setText(tag);
    m_target = target;
}

QString Chooser::callerTag() const
{
    return m_tag->text();
}

bool Chooser::openOn(const QStringList &lines, const QVariantList &binds)
{
    m_rows->close();
    m_rows->setSql(lines);
    m_rows->clearBindings();
    for (const QVariant &v : binds) {
        m_rows->bindPositional(v);
    }
    if (!m_rows->open()) {
        Prompt::databaseError(this, m_rows->lastError());
        return false;
    }
    return true;
}

void Chooser::prepare(Preparation &p)
{
    if (m_design.chineseSearch) {
        InputMethod::apply({m_search}, session().inputMethod);
    }
    p.open(m_rows, {m_design.select, m_design.ordering});
}

bool Chooser::run(const QString &tag, DataSet *target)
{
    setCaller(tag, target);
    return Preparation::showModal(this) == QDialog::Accepted;
}

void Chooser::find()
{
    // The only mode is the design's; the box's text is taken as typed (blanks included) and
    // bound, so an apostrophe or % finds itself.
    openOn({m_design.select + QStringLiteral("where (")
                + Dm1::instance()->dialect().like(Schema::quoted(m_design.searchColumn)) + QStringLiteral(") "),
            m_design.ordering},
           {likeContaining(m_search->text())});
}

bool Chooser::runPicking(const std::function<void(const DataSet &row)> &pick)
{
    m_pick = pick;
    return Preparation::showModal(this) == QDialog::Accepted;
}

void Chooser::choose()
{
    if (m_pick) {
        if (m_rows->currentRow() >= 0) {
            m_pick(*m_rows);
            accept();
        }
        return;
    }
    const auto fields = m_design.copies.constFind(callerTag());
    if (fields == m_design.copies.constEnd() || !m_target || !m_target->isOpen() || m_target->currentRow() < 0
        || m_rows->currentRow() < 0) {
        return;
    }
    if (!m_target->edit()) {
        return;
    }
    for (const QString &field : *fields) {
        Q_ASSERT_X(m_target->hasField(field), "Chooser::choose", qPrintable(field));
        m_target->setValue(field, m_rows->value(field));
    }
    accept();
}
