#include "admin/enter.h"

#include "admin/core/passwords.h"
#include "components/common/prompt.h"
#include "components/dbctrls/enterring.h"
#include "data/dm1.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

TForm_Enter::TForm_Enter(QWidget *parent)
    : FixedDialog(parent)
    , m_qxb(Dm1::instance()->q_qxb)
{
    setObjectName(QStringLiteral("Form_Enter"));
    setWindowTitle(QStringLiteral("系统登录"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setMaxVisibleItems(8);
    ComboBox1->setMinimumWidth(160);
    Edit1 = new PasswordBox(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("确认"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("终止"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(12);
    grid->addWidget(labelFor(QStringLiteral("操作员："), ComboBox1), 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(labelFor(QStringLiteral("操作口令："), Edit1), 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addLayout(buttonRow({BitBtn1, BitBtn2}), 2, 0, 1, 2);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm_Enter::chooseOperator);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Enter::confirm);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Enter::abandon);
    EnterRing::install({ComboBox1, Edit1}, [this] { confirm(); });
    fixSize();
}

void TForm_Enter::prepare(Preparation &p)
{
    p.open(m_qxb, {QStringLiteral("select * from 权限表 order by ") + Dm1::orderTerm(QStringLiteral("姓名"))});
}

void TForm_Enter::showEvent(QShowEvent *event)
{
    // Every showing starts afresh: the operators as the caller's query lists them.
    m_failures = 0;
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    if (m_qxb->isOpen()) {
        const int col = m_qxb->fieldIndex(QStringLiteral("姓名"));
        for (int row = 0; row < m_qxb->recordCount(); ++row) {
            ComboBox1->addItem(m_qxb->value(row, col).toString());
        }
    }
    ComboBox1->setCurrentIndex(-1);
    Edit1->clear();
    ComboBox1->setFocus();
    FixedDialog::showEvent(event);
    if (m_confirmWhenShown) {
        m_confirmWhenShown = false;
        // Once the dialog runs, as the operator's click would come.
        QTimer::singleShot(0, this, [this] {
            ComboBox1->setCurrentIndex(ComboBox1->count() > 0 ? 0 : -1);
            Edit1->clear();
            confirm();
        });
    }
}

void TForm_Enter::chooseOperator(int index)
{
    if (index >= 0) {
        m_qxb->moveTo(index);
    }
}

// Counts a refused attempt; true when it was the third, which ends the dialog.
bool TForm_Enter::refuse()
{
    ++m_failures;
    if (m_failures >= 3) {
        abandon();
        return true;
    }
    return false;
}

void TForm_Enter::confirm()
{
    const int row = ComboBox1->currentIndex();
    if (ComboBox1->currentText().trimmed().isEmpty() || row < 0 || row >= m_qxb->recordCount()) {
        if (!refuse()) {
            Prompt::notice(this, QStringLiteral("请选择操作人员！  "));
            ComboBox1->setFocus();
        }
        return;
    }
    m_qxb->moveTo(row);
    const QString stored = m_qxb->text(QStringLiteral("操作口令"));
    const QString typed = Passwords::normalise(Edit1->text());
    const Passwords::Check check = Passwords::verify(stored, typed);
    if (check == Passwords::Check::Refused) {
        if (!refuse()) {
            Prompt::notice(this, QStringLiteral("密码不对，第%1次！  ").arg(m_failures));
            Edit1->clear();
            Edit1->setFocus();
        }
        return;
    }
    if (check == Passwords::Check::AcceptedPlainText) {
        // A password kept as plain text by an older version: from now on only its hash.
        QString error;
        if (!Passwords::store(dm(), m_qxb->value(QStringLiteral("id")), typed, &error)) {
            Prompt::databaseError(this, error);
        }
    }
    Session &s = session();
    s.currentOperator = m_qxb->text(QStringLiteral("姓名"));
    s.operatorId = m_qxb->value(QStringLiteral("id")).toLongLong();
    s.inputMethod = m_qxb->text(QStringLiteral("输入法"));
    s.password = typed;
    accept();
}

void TForm_Enter::abandon()
{
    // At start-up the caller ends the program; later the previous operator stays logged in.
    reject();
}
