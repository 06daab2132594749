#include "admin/filechoicedialog.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

FileChoiceDialog::FileChoiceDialog(const QString &caption, const QString &action, const QString &browseName,
                                   QWidget *parent, const QString &label)
    : FixedDialog(parent, TitleBar::CloseBox)
{
    setWindowTitle(caption);

    Label1 = new QLabel(label, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setMinimumWidth(320);
    Edit1->setAccessibleName(QString(label).remove(QStringLiteral("：")));
    Label1->setBuddy(Edit1);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SpeedButton1->setToolTip(browseName);
    SpeedButton1->setAccessibleName(browseName);

    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), action);
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回"));

    auto *fields = new QHBoxLayout;
    fields->addWidget(Label1);
    fields->addWidget(Edit1, 1);
    fields->addWidget(SpeedButton1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addSpacing(24);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 20, 16, 16);
    layout->setSpacing(20);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(SpeedButton1, &QToolButton::clicked, this, &FileChoiceDialog::browse);
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (run()) {
            accept();
        }
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    fixSize();
}

QString FileChoiceDialog::path() const
{
    return Edit1->text();
}

void FileChoiceDialog::browse()
{
    const QString chosen = chooseFile();
    if (!chosen.isEmpty()) {
        Edit1->setText(QDir::toNativeSeparators(chosen));
    }
}

QStringList FileChoiceDialog::databaseFilters()
{
    return {QStringLiteral("数据库文件 (*.db)"), QStringLiteral("所有文件 (*)")};
}
