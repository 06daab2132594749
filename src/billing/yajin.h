#pragma once

#include "listwindow/listwindow.h"

class QLabel;

// "业主押金管理": deposit movements of the houses (received, refunded, set against fees) and
// each house's deposit balance. A movement's house comes from the house chooser; saving or
// deleting a movement moves the balance in the same transaction (DepositLedger).
class TForm_yajin : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_yajin(QWidget *parent = nullptr);

    // The movements' query and the building box of the search bar.
    void prepare(Preparation &p) override;

    QToolButton *SpeedButton1; // the house chooser beside 房屋代码
    QLabel *LabelBalance; // the current movement's house's deposit balance, red below zero

public slots:
    void chooseHouse();

protected:
    bool validate() override;
    bool writeRow(QString *error) override;
    bool deleteRow(QString *error) override;

private:
    // Shows the movements as stored, the row of id current (or the row at `row`).
    void showStored(qint64 id, int row);
    void showBalance();
};
