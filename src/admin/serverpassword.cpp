#include "admin/serverpassword.h"

#include "components/common/preparation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm_serverpassword::TForm_serverpassword(const QString &question, QWidget *parent)
    : FixedDialog(parent)
{
    setObjectName(QStringLiteral("Form_serverpassword"));
    setWindowTitle(QStringLiteral("数据库服务器口令"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setMinimumWidth(340);
    Edit1->setAccessibleName(QStringLiteral("口令"));
    Label1 = labelFor(question, Edit1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("确定"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("取消"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addLayout(buttonRow({BitBtn1, BitBtn2}));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in the box is "确定".
    connect(Edit1, &QLineEdit::returnPressed, this, &QDialog::accept);
    fixSize();
}

std::optional<QString> TForm_serverpassword::ask(QWidget *parent, const QString &question)
{
    TForm_serverpassword dialog(question, parent);
    if (Preparation::showModal(&dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Edit1->text();
}
