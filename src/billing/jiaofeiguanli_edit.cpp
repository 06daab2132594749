#include "billing/jiaofeiguanli_edit.h"

#include "components/common/prompt.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/dbnumberedit.h"
#include "components/dbctrls/enterring.h"
#include "components/dbctrls/inputmethod.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// The record's fields the dialog shows and nothing can change.
const char *const Shown[][2] = {
    {"缴费项目：", "收费项目"},
    {"楼宇名称：", "楼宇名称"},
    {"房屋代码：", "房屋代码"},
    {"业主名称：", "业主名称"},
};

// The lines of the payment record's query for the draft's key.
QStringList recordLines()
{
    return {u"select * from 收费汇总表 "_s,
            u"where (年度=?)and(月份=?)and(楼宇名称=?)and(房屋代码=?)and(业主名称=?)and(收费项目=?)"_s};
}
}

TForm_jiaofeiguanli_edit::TForm_jiaofeiguanli_edit(const PaymentDraft &draft, const QString &owner, QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
    , m_draft(draft)
    , m_owner(owner)
    , m_record(Dm1::instance()->q_sfhzb)
{
    setObjectName(u"Form_jiaofeiguanli_edit"_s);
    setWindowTitle(PaymentWords::WholeBill);
    // What the operator cannot change is shown on grey.
    setStyleSheet(u"QLineEdit[readOnly=\"true\"] { background: #eeeeee; }"_s);
    m_outcome.result = PaymentDesk::Result::Failed;

    auto *body = new QVBoxLayout(this);
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(10);

    // The balance rule, as the operator reads it before paying.
    auto *rule = new QGridLayout;
    rule->setHorizontalSpacing(4);
    rule->setVerticalSpacing(2);
    const auto ruleLine = [&](const QString &name, const QString &text, const QString &style, int row, int column,
                              int columns = 1) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        l->setStyleSheet(style);
        rule->addWidget(l, row, column, 1, columns);
    };
    const QString formulaStyle = u"color: navy; font-weight: bold;"_s;
    ruleLine(u"Label1"_s, u"计算公式："_s, formulaStyle, 0, 0);
    ruleLine(u"Label2"_s, u"本次零头 = 实缴金额 + 上次零头 - 应缴费用"_s, formulaStyle, 0, 1);
    ruleLine(u"Label3"_s, u"实缴金额 = 现金 + 支票 + 免去零头"_s, formulaStyle, 1, 1);
    ruleLine(u"Label4"_s, u"上次零头表示业主的余额！"_s, u"color: red;"_s, 2, 0, 2);
    rule->setColumnStretch(1, 1);
    body->addLayout(rule);
    if (draft.recordId != 0) {
        // The month's record of this house is reused: its earlier payment is taken back first,
        // which is why 上次零头 differs from the house's balance now.
        const PaymentEntry &earlier = draft.stored;
        auto *replaces =
            new QLabel(u"本次缴费将替换本月原有的缴费记录（单据号码：%1，缴费日期：%2，实收金额：%3）"_s.arg(
                           earlier.receipt.isEmpty() ? u"无"_s : earlier.receipt,
                           earlier.date.toString(u"yyyy-MM-dd"_s), draft.storedPaid.toString()),
                       this);
        replaces->setObjectName(u"LabelReplaces"_s);
        replaces->setStyleSheet(u"color: maroon;"_s);
        body->addWidget(replaces);
    }

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    grid->setColumnMinimumWidth(1, 200);
    body->addLayout(grid);
    int row = 0;
    int number = 0;
    const auto nextName = [&number](const char *kind) -> QString {
        return QString::fromLatin1(kind) + QString::number(++number);
    };
    const auto shown = [&](DataSet *data, const QString &field) {
        auto *e = new DBEdit(this);
        e->setObjectName(nextName("DBEdit"));
        e->bind(data, field);
        e->setDisplayOnly();
        e->setFocusPolicy(Qt::NoFocus);
        return e;
    };
    const auto addRow = [&](const QString &label, QWidget *field, QWidget *after = nullptr) {
        grid->addWidget(labelFor(label, field), row, 0);
        grid->addWidget(field, row, 1);
        if (after) {
            grid->addWidget(after, row, 2);
        }
        ++row;
    };

    // "计费时间：" 2004 "年" 8 "月"
    auto *year = shown(m_record, u"年度"_s);
    auto *month = shown(m_record, u"月份"_s);
    year->setAccessibleName(u"计费年度"_s);
    month->setAccessibleName(u"计费月份"_s);
    year->setMaximumWidth(60);
    month->setMaximumWidth(40);
    auto *period = new QWidget(this);
    auto *periodRow = new QHBoxLayout(period);
    periodRow->setContentsMargins(0, 0, 0, 0);
    periodRow->addWidget(year);
    periodRow->addWidget(new QLabel(u"年"_s, period));
    periodRow->addWidget(month);
    periodRow->addWidget(new QLabel(u"月"_s, period));
    periodRow->addStretch();
    addRow(u"计费时间："_s, period);
    static_cast<QLabel *>(grid->itemAtPosition(0, 0)->widget())->setBuddy(year);
    for (const auto &s : Shown) {
        addRow(QString::fromUtf8(s[0]), shown(m_record, QString::fromUtf8(s[1])));
    }
    // The balance this payment starts from, as its record stores it.
    auto *previous = new DBEdit(this);
    previous->setObjectName(nextName("DBEdit"));
    previous->setDisplayOnly();
    previous->setFocusPolicy(Qt::NoFocus);
    previous->setText(draft.previousOdd().toString());
    previous->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addRow(u"上次零头："_s, previous);

    m_date = new DBDateTimeEditEh(this);
    m_date->setObjectName(u"DBDateTimeEditEh1"_s);
    m_date->bind(m_record, u"缴费时间"_s);
    m_date->setFollowState(false);
    SpeedButton4 = fillButton(u"SpeedButton4"_s, u"缴费日期等于当天日期"_s);
    addRow(u"缴费日期："_s, m_date, SpeedButton4);

    m_method = new DBComboBoxEh(this);
    m_method->setObjectName(u"DBComboBoxEh1"_s);
    m_method->setItems(PaymentWords::methods());
    m_method->bind(m_record, u"缴费方式"_s);
    m_method->setFollowState(false);
    addRow(u"缴费方式："_s, m_method);

    m_due = new DBEdit(this);
    m_due->setObjectName(u"DBEdit8"_s);
    m_due->bind(m_record, u"收费金额"_s);
    m_due->setDisplayOnly();
    m_due->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_due->setStyleSheet(u"QLineEdit { background: #a6caf0; }"_s); // sky blue
    addRow(u"应缴费用："_s, m_due);

    number = 8;
    const auto money = [&](const QString &field) {
        auto *e = new DBMoneyEdit(this);
        e->setObjectName(nextName("DBEdit"));
        e->bind(m_record, field);
        e->setFollowState(false);
        return e;
    };
    const auto text = [&](const QString &field) {
        auto *e = new DBEdit(this);
        e->setObjectName(nextName("DBEdit"));
        e->bind(m_record, field);
        e->setFollowState(false);
        return e;
    };
    m_paid = money(u"实收金额"_s);
    addRow(u"实缴金额："_s, m_paid);
    m_cash = money(u"现金"_s);
    addRow(u"现金："_s, m_cash);
    m_cheque = money(u"支票"_s);
    addRow(u"支票："_s, m_cheque);
    m_waived = money(u"零头"_s);
    addRow(u"免去零头："_s, m_waived);
    m_receipt = text(u"单据号码"_s);
    addRow(u"单据号码："_s, m_receipt);
    m_payer = text(u"缴费人"_s);
    SpeedButton3 = fillButton(u"SpeedButton3"_s, u"缴费人员等于业主"_s);
    addRow(u"缴费人："_s, m_payer, SpeedButton3);
    m_collector = text(u"收款人"_s);
    SpeedButton5 = fillButton(u"SpeedButton5"_s, u"收款人等于操作人"_s);
    addRow(u"收款人："_s, m_collector, SpeedButton5);
    m_remark = new DBMemo(this);
    m_remark->setObjectName(u"DBMemo1"_s);
    m_remark->bind(m_record, u"备注"_s);
    m_remark->setFollowState(false);
    m_remark->setFixedHeight(60);
    addRow(u"备注："_s, m_remark);
    grid->itemAtPosition(row - 1, 0)->setAlignment(Qt::AlignRight | Qt::AlignTop);

    SpeedButton1 = makeButton(u"SpeedButton1"_s, u"确定"_s);
    SpeedButton2 = makeButton(u"SpeedButton2"_s, u"返回"_s);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SpeedButton1);
    buttons->addSpacing(24);
    buttons->addWidget(SpeedButton2);
    buttons->addStretch();
    body->addLayout(buttons);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm_jiaofeiguanli_edit::confirm);
    connect(SpeedButton2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { m_date->setDate(Clock::today()); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { m_payer->setText(m_owner); });
    connect(SpeedButton5, &QToolButton::clicked, this,
            [this] { m_collector->setText(Dm1::instance()->session().currentOperator); });

    EnterRing *ring =
        EnterRing::install({m_method, m_paid, m_cash, m_cheque, m_waived, m_receipt, m_payer, m_collector, m_remark});
    ring->setNext(m_date, m_method);
    ring->setNext(m_due, m_collector);
    fixSize();
}

QToolButton *TForm_jiaofeiguanli_edit::fillButton(const QString &objectName, const QString &hint)
{
    auto *b = new QToolButton(this);
    b->setObjectName(objectName);
    b->setText(u"…"_s);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

bool TForm_jiaofeiguanli_edit::openRecord(const PaymentDraft &draft, QString *error)
{
    Dm1 *dm = Dm1::instance();
    const PaymentKey &k = draft.key;
    DataSet *house = dm->q_change;
    house->close();
    house->clearSql();
    house->setSql({u"select * from 房屋资料 where (房屋代码=?)and(楼宇名称=?)"_s});
    house->bindPositional(k.houseCode);
    house->bindPositional(k.building);
    DataSet *record = dm->q_sfhzb;
    record->close();
    record->clearSql();
    record->setSql(recordLines());
    for (const QString &v : {k.year, k.month, k.building, k.houseCode, k.owner, k.item}) {
        record->bindPositional(v);
    }
    if (!house->open() || !record->open()) {
        *error = house->isOpen() ? record->lastError() : house->lastError();
        closeRecord();
        return false;
    }
    if (record->isEmpty()) {
        record->append();
        record->setText(u"年度"_s, k.year);
        record->setText(u"月份"_s, k.month);
        record->setText(u"收费项目"_s, k.item);
        record->setText(u"楼宇名称"_s, k.building);
        record->setText(u"楼宇单元"_s, draft.unit);
        record->setText(u"房屋代码"_s, k.houseCode);
        record->setText(u"业主名称"_s, k.owner);
    } else {
        record->edit();
    }
    // What the lines are worth now, not what an earlier payment stored.
    record->setMoney(u"收费金额"_s, draft.due);
    return true;
}

void TForm_jiaofeiguanli_edit::closeRecord()
{
    Dm1 *dm = Dm1::instance();
    dm->q_sfhzb->cancel();
    dm->q_sfhzb->close();
    dm->q_change->close();
}

void TForm_jiaofeiguanli_edit::showEvent(QShowEvent *event)
{
    InputMethod::apply({m_payer, m_collector, m_remark}, Dm1::instance()->session().inputMethod);
    m_date->setFocus();
    FixedDialog::showEvent(event);
}

PaymentEntry TForm_jiaofeiguanli_edit::entry() const
{
    PaymentEntry e;
    e.date = m_date->date();
    e.method = m_method->currentText();
    e.paid = m_paid->text();
    e.cash = m_cash->money();
    e.cheque = m_cheque->money();
    e.waived = m_waived->money();
    e.receipt = m_receipt->text().trimmed();
    e.payer = m_payer->text().trimmed();
    e.collector = m_collector->text().trimmed();
    e.remark = m_remark->toPlainText();
    e.operatorName = Dm1::instance()->session().currentOperator;
    return e;
}

QWidget *TForm_jiaofeiguanli_edit::editorFor(PaymentDesk::Field field) const
{
    switch (field) {
    case PaymentDesk::Field::Method:
        return m_method;
    case PaymentDesk::Field::Date:
        return m_date;
    case PaymentDesk::Field::Payer:
        return m_payer;
    case PaymentDesk::Field::Collector:
        return m_collector;
    case PaymentDesk::Field::Paid:
        break;
    }
    return m_paid;
}

bool TForm_jiaofeiguanli_edit::confirm()
{
    if (!Prompt::ask(this, u"确认当前操作吗? "_s)) {
        return false;
    }
    const PaymentEntry e = entry();
    if (const auto refusal = PaymentDesk::check(e)) {
        Prompt::notice(this, refusal->message);
        editorFor(refusal->field)->setFocus();
        return false;
    }
    // The split is kept as entered, but each part must be an amount of zero or more.
    for (DBMoneyEdit *part : {m_cash, m_cheque, m_waived}) {
        if (const QString why = part->refusal(); !why.isEmpty()) {
            Prompt::notice(this, why);
            part->setFocus();
            return false;
        }
    }
    m_outcome = PaymentDesk(Dm1::instance()->database()).confirm(m_draft, e);
    switch (m_outcome.result) {
    case PaymentDesk::Result::Paid:
        // The record was written with the lines and the balance; the query's copy is dropped.
        m_record->cancel();
        Prompt::notice(this, m_outcome.message());
        accept();
        return true;
    case PaymentDesk::Result::Failed:
        // Nothing was written; what was typed stays for another try.
        Prompt::databaseError(this, m_outcome.error);
        return false;
    case PaymentDesk::Result::Invalid:
        Prompt::notice(this, m_outcome.message());
        return false;
    default:
        // Paid or changed elsewhere meanwhile: the payment window shows the lines again.
        Prompt::notice(this, m_outcome.message());
        reject();
        return false;
    }
}
