#pragma once

#include "listwindow/housedetailwindow.h"

struct PaymentKey;

// "业主缴费管理": for the chosen month the houses that still have unpaid bill lines, the selected
// house's unpaid lines, and the two payments through the payment dialog: "按单缴费" (every unpaid
// line of the house in the month) and "单笔缴费" (the current line; also a double click on it).
// "打印" prints the payment notice of the shown lines, "设计" opens its template in the designer.
// The month picker is set to today once, when the window is made.
class TForm_jiaofeiguanli : public HouseDetailWindow
{
    Q_OBJECT
public:
    explicit TForm_jiaofeiguanli(QWidget *parent = nullptr);

public slots:
    // "按单缴费"
    void payWholeBill();
    // "单笔缴费": nothing for a line of amount 0.
    void payLine();
    // "打印": the payment notice of the shown lines.
    void printList() override;
    // "设计": the notice template in the report designer.
    void designNotice();

protected:
    QString houseCondition(QVariantList *values) const override;
    QStringList detailLines(QVariantList *values) const override;

private:
    // Opens the payment of key in the dialog with this caption, then shows the lists again.
    void pay(const PaymentKey &key, const QString &caption);
    // The house list reopened on its lines, from its first house.
    void showAgain();
};
