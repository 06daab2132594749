#pragma once

#include "listwindow/housedetailwindow.h"

class QCheckBox;
class QRadioButton;

// "业主缴费明细查询": the bill lines of one house, of the chosen month ("仅含" ticked) or of
// every month, all of them or only the paid or the unpaid ones, ordered by 开始日期. The red
// label of the title band tells whether the current line is paid. Read-only.
class TForm_jiaofeimingxi : public HouseDetailWindow
{
    Q_OBJECT
public:
    explicit TForm_jiaofeimingxi(QWidget *parent = nullptr);

    QCheckBox *CheckBox1; // "仅含": the month is a condition
    QRadioButton *RadioButton1; // "已缴费"
    QRadioButton *RadioButton2; // "未缴费"
    QRadioButton *RadioButton3; // "全部"

protected:
    QStringList detailLines(QVariantList *values) const override;

private:
    void followLine();
};
