#include "admin/password.h"

#include "admin/core/passwords.h"
#include "components/common/prompt.h"
#include "components/dbctrls/enterring.h"
#include "data/dm1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

TForm_password::TForm_password(QWidget *parent)
    : FixedDialog(parent)
    , m_qxb(Dm1::instance()->q_qxb)
{
    setObjectName(QStringLiteral("Form_password"));
    setWindowTitle(QStringLiteral("修改当前操作员口令"));

    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setMinimumWidth(150);
    Edit1 = new PasswordBox(this);
    Edit2 = new PasswordBox(this);
    Edit3 = new PasswordBox(this);
    int n = 0;
    for (PasswordBox *e : {Edit1, Edit2, Edit3}) {
        e->setObjectName(QStringLiteral("Edit%1").arg(++n));
        e->setMaxLength(10);
    }
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("保存"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    auto *userLabel = labelFor(QStringLiteral("用户名称："), Label4);
    Label4->setAccessibleName(QStringLiteral("用户名称"));
    grid->addWidget(userLabel, 0, 0);
    grid->addWidget(Label4, 0, 1);
    grid->addWidget(labelFor(QStringLiteral("旧口令："), Edit1), 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(labelFor(QStringLiteral("新口令："), Edit2), 2, 0);
    grid->addWidget(Edit2, 2, 1);
    grid->addWidget(labelFor(QStringLiteral("确认新口令："), Edit3), 3, 0);
    grid->addWidget(Edit3, 3, 1);
    grid->addLayout(buttonRow({BitBtn1, BitBtn2}), 4, 0, 1, 2);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_password::save);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    EnterRing::install({Edit1, Edit2, Edit3}, [this] { save(); });
    fixSize();
}

void TForm_password::prepare(Preparation &p)
{
    // The current operator's row; the name is bound, not spliced into the text.
    p.open(m_qxb,
           {QStringLiteral("select * from 权限表 "), QStringLiteral("where 姓名=:name"),
            QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("姓名"))},
           {{QStringLiteral(":name"), session().currentOperator}});
}

void TForm_password::showEvent(QShowEvent *event)
{
    Label4->setText(session().currentOperator);
    Edit1->setFocus();
    FixedDialog::showEvent(event);
}

void TForm_password::save()
{
    Session &current = session();
    const QString oldPassword = Passwords::normalise(Edit1->text());
    const QString newPassword = Passwords::normalise(Edit2->text());
    // The old password is the one typed at login, not what the database holds.
    if (oldPassword != current.password) {
        Prompt::notice(this, QStringLiteral("旧操作口令不正确,请重新输入!"));
        Edit1->setFocus();
        return;
    }
    if (newPassword != Passwords::normalise(Edit3->text())) {
        Prompt::notice(this, QStringLiteral("两次输入的操作口令不一致,请重新输入!"));
        Edit2->setFocus();
        return;
    }
    if (newPassword.trimmed().isEmpty()) {
        Prompt::notice(this, QStringLiteral("没有输入新操作口令,请重新输入!"));
        Edit2->setFocus();
        return;
    }
    if (!m_qxb->isOpen() || m_qxb->isEmpty()) {
        Prompt::databaseError(this, QStringLiteral("权限表中没有当前操作员“%1”").arg(current.currentOperator));
        return;
    }
    const QString stored = Passwords::hash(newPassword);
    if (stored.isEmpty()) {
        Prompt::databaseError(this, QStringLiteral("口令无法加密保存"));
        return;
    }
    m_qxb->edit();
    m_qxb->setText(QStringLiteral("操作口令"), stored);
    if (!m_qxb->post()) {
        const QString reason = m_qxb->lastError();
        m_qxb->cancel();
        Prompt::databaseError(this, reason);
        return;
    }
    Prompt::notice(this, QStringLiteral("已经成功的修改了操作口令,请牢记!"), Prompt::Icon::Information);
    current.password = newPassword;
    accept();
}
