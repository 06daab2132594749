#pragma once

#include "billing/core/payment.h"
#include "components/common/fixeddialog.h"

class DBComboBoxEh;
class DBDateTimeEditEh;
class DBEdit;
class DBMemo;
class DBMoneyEdit;
class DataSet;
class QPushButton;
class QToolButton;

// The payment dialog: how and when the owner paid, who paid and who received it, the amount paid
// and its split, over the payment record (Dm1::q_sfhzb: a new unsaved record or the one found for
// the payment's six fields) and the paying house (Dm1::q_change), which openRecord() positions.
// "确定" asks "确认当前操作吗? ", checks the entry in the dialog's order and confirms it through
// PaymentDesk (record, lines and balance in one transaction), tells the house's new 零头 and
// closes. "返回" and the window frame close it without saving anything. When another
// workstation paid the lines meanwhile it says so and closes; when the database refuses, it
// shows why and stays open with what was typed.
class TForm_jiaofeiguanli_edit : public FixedDialog
{
    Q_OBJECT
public:
    // owner: the current bill line's 业主名称, which "缴费人等于业主" fills in.
    TForm_jiaofeiguanli_edit(const PaymentDraft &draft, const QString &owner, QWidget *parent = nullptr);

    // Opens Dm1::q_change on the draft's house and Dm1::q_sfhzb on its record, a new one (not
    // yet saved) filled with the key, the unit and the amount due, or the stored one showing
    // the amount the lines are worth now. False with the database's reason.
    static bool openRecord(const PaymentDraft &draft, QString *error);
    // Drops what the dialog left unsaved and closes both queries.
    static void closeRecord();

    // "确定". True when the payment was made.
    bool confirm();
    // How the last confirmation ended (Failed before any).
    const PaymentDesk::Outcome &outcome() const { return m_outcome; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // What the boxes hold.
    PaymentEntry entry() const;
    QWidget *editorFor(PaymentDesk::Field field) const;
    // A small fill-in button at the right of a box.
    QToolButton *fillButton(const QString &objectName, const QString &hint);

    PaymentDraft m_draft;
    QString m_owner;
    PaymentDesk::Outcome m_outcome;
    DataSet *m_record;

    DBDateTimeEditEh *m_date;
    DBComboBoxEh *m_method;
    DBEdit *m_due;
    DBMoneyEdit *m_paid, *m_cash, *m_cheque, *m_waived;
    DBEdit *m_receipt, *m_payer, *m_collector;
    DBMemo *m_remark;
    QPushButton *SpeedButton1; // 确定
    QPushButton *SpeedButton2; // 返回
    QToolButton *SpeedButton3; // 缴费人等于业主
    QToolButton *SpeedButton4; // 缴费日期等于当天日期
    QToolButton *SpeedButton5; // 收款人等于操作人
};
