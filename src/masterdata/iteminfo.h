#pragma once

#include "listwindow/listwindow.h"

// The fee-item catalogue (收费项目) on the window's own query q_iteminfo.
class TForm_iteminfo : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_iteminfo(QWidget *parent = nullptr);

protected:
    bool validate() override;

private:
    // The common amount 金额 and its label: shown for the same-amount category only.
    void showAmount(bool visible, bool enabled);
    bool sameAmountChosen() const;
    void followState(DataSet::State state);
};
