#include "admin/txcsb.h"

#include "components/common/prompt.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbnumberedit.h"
#include "components/dbctrls/enterring.h"
#include "reports/core/expiryreminders.h"
#include "data/dm1.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TForm_txcsb::TForm_txcsb(QWidget *parent)
    : FixedDialog(parent)
    , m_gsxx(Dm1::instance()->q_gsxx)
{
    setObjectName(QStringLiteral("Form_txcsb"));
    setWindowTitle(QStringLiteral("到期报警设置"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(30, 18, 30, 14);
    grid->setVerticalSpacing(10);
    auto *heading = new QLabel(QStringLiteral("     房屋租赁到期报警天数设置"), this);
    heading->setObjectName(QStringLiteral("Label2"));
    heading->setStyleSheet(QStringLiteral("font-size: 14px; font-weight: bold;"));
    grid->addWidget(heading, 0, 0, 1, 2);

    DBEdit1 = new DBNumberEditEh(this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->bind(m_gsxx, QStringLiteral("提前提醒天数"));
    DBEdit1->setFollowState(false);
    DBEdit1->setMaximumWidth(80);
    grid->addWidget(labelFor(QStringLiteral("提前报警天数："), DBEdit1), 1, 0);
    grid->addWidget(DBEdit1, 1, 1);

    DBCheckBox1 = new DBCheckBox(QString(), this);
    DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
    DBCheckBox1->bind(m_gsxx, QStringLiteral("自动提醒"));
    DBCheckBox1->setFollowState(false);
    grid->addWidget(labelFor(QStringLiteral("自动报警："), DBCheckBox1), 2, 0);
    grid->addWidget(DBCheckBox1, 2, 1);

    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("存盘 (&S)"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回 (&R)"));
    grid->addLayout(buttonRow({BitBtn1, BitBtn2}), 3, 0, 1, 2);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_txcsb::save);
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        m_gsxx->cancel();
        reject();
    });
    // Enter in the days saves.
    EnterRing::install({DBEdit1}, [this] { save(); });
    grid->setColumnMinimumWidth(1, 150);
    fixSize();
}

void TForm_txcsb::prepare(Preparation &p)
{
    p.open(m_gsxx, {QStringLiteral("select * from 公司信息")});
}

void TForm_txcsb::showEvent(QShowEvent *event)
{
    DBEdit1->setFocus();
    FixedDialog::showEvent(event);
}

bool TForm_txcsb::save()
{
    if (m_gsxx->isEmpty()) {
        return false;
    }
    // Empty, no number or below zero: the days must be zero or more. A fraction or a number
    // too large is told by the rule of whole numbers.
    const Money::Reading days = DBEdit1->rule().read(DBEdit1->text());
    using P = Money::Problem;
    QString refused;
    if (days.problem == P::Empty || days.problem == P::Malformed || days.problem == P::Negative) {
        refused = QStringLiteral("提前提醒天数必须大于等于零，请重新输入！");
    } else if (!days.ok()) {
        refused = DBEdit1->rule().refusal(DBEdit1->label(), DBEdit1->text());
    } else if (days.value > Money::fromUnits(ExpiryReminders::MaxDays)) {
        refused = QStringLiteral("提前提醒天数不能大于%1，请重新输入！").arg(ExpiryReminders::MaxDays);
    }
    if (!refused.isEmpty()) {
        Prompt::notice(this, refused);
        DBEdit1->setFocus();
        return false;
    }
    m_gsxx->edit();
    if (DBControl::commitAll(this) || !m_gsxx->post()) {
        Prompt::databaseError(this, m_gsxx->lastError());
        return false;
    }
    return true;
}
