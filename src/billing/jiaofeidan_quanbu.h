#pragma once

#include "components/common/fixeddialog.h"
#include "billing/core/billmonth.h"
#include "components/common/preparation.h"

class QDateEdit;

// "全部生成应缴费用": the month to bill, then "全部生成" makes the lines of every house that has
// fee items and no lines in that month, as the button of the same name in "业主应缴费用管理"
// does.
class TForm_jiaofeidan_quanbu : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_jiaofeidan_quanbu(QWidget *parent = nullptr);
    // The month picker on today.
    void prepare(Preparation &p) override;

    QDateEdit *monthPicker() const { return DateTimePicker1; }
    BillMonth chosenMonth() const;

public slots:
    void generateEstate();

private:
    QDateEdit *DateTimePicker1;
};
