#include "admin/tablechoicedialog.h"

#include "admin/core/maintenance.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TableChoiceDialog::TableChoiceDialog(const Texts &texts, Action action, QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
    , m_texts(texts)
    , m_action(action)
{
    setWindowTitle(texts.caption);

    Label1 = new QLabel(texts.guidance, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(texts.detail, this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    QPalette hint = Label1->palette();
    hint.setColor(QPalette::WindowText, Qt::darkBlue);
    Label1->setPalette(hint);
    Label2->setPalette(hint);

    auto *group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setAccessibleName(QStringLiteral("选择数据表"));
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(12);
    const QList<Maintenance::Item> &items = Maintenance::items();
    for (int i = 0; i < items.size(); ++i) {
        auto *box = new QCheckBox(items[i].caption, group);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        box->setAccessibleName(items[i].caption);
        grid->addWidget(box, i / 4, i % 4);
        checkBoxes << box;
    }

    // The guidance wraps at the width of the boxes below it.
    Label2->setFixedWidth(group->sizeHint().width());

    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("全选"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("不选"));
    BitBtn3 = makeButton(QStringLiteral("BitBtn3"), QStringLiteral("确定"));
    BitBtn4 = makeButton(QStringLiteral("BitBtn4"), QStringLiteral("取消"));
    BitBtn4->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn4);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addSpacing(4);
    layout->addWidget(group);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { tickAll(true); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { tickAll(false); });
    connect(BitBtn3, &QPushButton::clicked, this, &TableChoiceDialog::confirm);
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
    fixSize();
}

QStringList TableChoiceDialog::chosenTables() const
{
    QStringList tables;
    for (int i = 0; i < checkBoxes.size(); ++i) {
        if (checkBoxes[i]->isChecked()) {
            tables << Maintenance::items()[i].table;
        }
    }
    return tables;
}

void TableChoiceDialog::tickAll(bool ticked)
{
    for (QCheckBox *box : std::as_const(checkBoxes)) {
        box->setChecked(ticked);
    }
}

void TableChoiceDialog::confirm()
{
    if (!Prompt::ask(this, m_texts.question)) {
        reject();
        return;
    }
    QString error;
    if (!m_action(dm(), chosenTables(), &error)) {
        Prompt::databaseError(this, error);
        reject();
        return;
    }
    Prompt::notice(this, m_texts.done);
    accept();
}
