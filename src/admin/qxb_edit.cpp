#include "admin/qxb_edit.h"

#include "components/common/prompt.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/enterring.h"
#include "components/dbctrls/inputmethod.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
const QString NameRequired = QStringLiteral("姓名不能为空,请重新输入!");
}

TForm_qxb_edit::TForm_qxb_edit(QWidget *parent)
    : FixedDialog(parent)
    , m_qxb(Dm1::instance()->q_qxb)
{
    setObjectName(QStringLiteral("Form_qxb_edit"));
    setWindowTitle(QStringLiteral("操作员编辑"));

    DBEdit1 = new DBEdit(this);
    DBEdit2 = new DBEdit(this);
    DBEdit3 = new DBEdit(this);
    DBComboBoxEh1 = new DBComboBoxEh(this);
    DBMemo1 = new DBMemo(this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit2->setObjectName(QStringLiteral("DBEdit2"));
    DBEdit3->setObjectName(QStringLiteral("DBEdit3"));
    DBComboBoxEh1->setObjectName(QStringLiteral("DBComboBoxEh1"));
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setFixedHeight(60);
    DBEdit1->setMinimumWidth(220);

    const struct
    {
        QString label;
        QWidget *editor;
        DBControl *control;
        QString field;
    } fields[] = {
        {QStringLiteral("姓名："), DBEdit1, DBEdit1, QStringLiteral("姓名")},
        {QStringLiteral("身份证号："), DBEdit2, DBEdit2, QStringLiteral("身份证号")},
        {QStringLiteral("联系电话："), DBEdit3, DBEdit3, QStringLiteral("联系电话")},
        {QStringLiteral("输入法："), DBComboBoxEh1, DBComboBoxEh1, QStringLiteral("输入法")},
        {QStringLiteral("备注："), DBMemo1, DBMemo1, QStringLiteral("备注")},
    };
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    int row = 0;
    for (const auto &f : fields) {
        QLabel *label = labelFor(f.label, f.editor);
        if (f.editor == DBMemo1) {
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        }
        grid->addWidget(label, row, 0);
        grid->addWidget(f.editor, row, 1, 1, 4);
        // The fields edit the row directly, as typed; "存盘" writes it.
        f.control->bind(m_qxb, f.field);
        f.control->setFollowState(false);
        ++row;
    }
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("增加 (&A)"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("存盘 (&S)"));
    BitBtn3 = makeButton(QStringLiteral("BitBtn3"), QStringLiteral("取消 (&C)"));
    BitBtn4 = makeButton(QStringLiteral("BitBtn4"), QStringLiteral("返回 (&R)"));
    grid->addLayout(buttonRow({BitBtn1, BitBtn2, BitBtn3, BitBtn4}), row, 0, 1, 5);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_qxb_edit::addOperator);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_qxb_edit::saveOperator);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm_qxb_edit::cancelChanges);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm_qxb_edit::closeEditor);
    EnterRing::install({DBEdit1, DBEdit2, DBEdit3, DBComboBoxEh1, DBMemo1});

    setInputMethods(InputMethod::installed());
    InputMethod::apply({DBEdit1, DBMemo1}, Dm1::instance()->session().inputMethod);
    DBEdit1->setFocus();
    fixSize();
}

void TForm_qxb_edit::setInputMethods(const QStringList &names)
{
    DBComboBoxEh1->setItems(names);
}

void TForm_qxb_edit::setBrowsing(bool browsing)
{
    BitBtn1->setEnabled(browsing);
    BitBtn4->setEnabled(browsing);
}

void TForm_qxb_edit::addOperator()
{
    if (DBEdit1->text().trimmed().isEmpty()) {
        Prompt::notice(this, NameRequired);
        DBEdit1->setFocus();
        return;
    }
    // Changes typed into the shown operator are written first, as moving on to a new row does.
    if (DBControl::anyModified(this) && !saveOperator()) {
        return;
    }
    m_qxb->append();
    setBrowsing(false);
    DBEdit1->setFocus();
}

bool TForm_qxb_edit::saveOperator()
{
    if (m_qxb->currentRow() < 0) {
        // Nothing to save into: the list is empty and no row was added.
        if (DBEdit1->text().trimmed().isEmpty()) {
            Prompt::notice(this, NameRequired);
            DBEdit1->setFocus();
            return false;
        }
        const QStringList typed = {DBEdit1->text(), DBEdit2->text(), DBEdit3->text(), DBComboBoxEh1->currentText(),
                                   DBMemo1->toPlainText()};
        m_qxb->append();
        DBEdit1->setText(typed[0]);
        DBEdit2->setText(typed[1]);
        DBEdit3->setText(typed[2]);
        DBComboBoxEh1->setEditText(typed[3]);
        DBMemo1->setPlainText(typed[4]);
    }
    DBControl::commitAll(this);
    if (m_qxb->text(QStringLiteral("姓名")).trimmed().isEmpty()) {
        Prompt::notice(this, NameRequired);
        DBEdit1->setFocus();
        return false;
    }
    m_qxb->setText(QStringLiteral("操作员"), Dm1::instance()->session().currentOperator);
    m_qxb->setDateTime(QStringLiteral("操作日期"), Clock::now());
    if (!m_qxb->post()) {
        // Refused by the database (a second operator of the same name): say why and keep
        // everything typed, still editing.
        Prompt::databaseError(this, m_qxb->lastError(), m_qxb);
        DBEdit1->setFocus();
        return false;
    }
    // The logged-in operator renamed himself: records are stamped, and his password found,
    // by the new name.
    Session &session = Dm1::instance()->session();
    if (m_qxb->value(QStringLiteral("id")).toLongLong() == session.operatorId) {
        session.currentOperator = m_qxb->text(QStringLiteral("姓名"));
    }
    setBrowsing(true);
    return true;
}

void TForm_qxb_edit::cancelChanges()
{
    m_qxb->cancel();
    DBControl::refreshAll(this);
    setBrowsing(true);
}

void TForm_qxb_edit::closeEditor()
{
    m_qxb->cancel();
    reject();
}
