#pragma once

#include "listwindow/listwindow.h"

class DBDateTimeEditEh;

// "实收费用明细表": the payment records whose 缴费时间 falls in a range of whole days, optionally
// of one house code, owner and building, with the totals of the money columns. Records are
// printed, exported and deleted here, never entered or changed.
class TForm_shoufeimingxibiao : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_shoufeimingxibiao(QWidget *parent = nullptr);

    // The building box of the search bar; the list stays empty until the first search.
    void prepare(Preparation &p) override;

    DBDateTimeEditEh *DateTimePicker1; // "缴费时间从："
    DBDateTimeEditEh *DateTimePicker2; // "到："

protected:
    bool searchConditions(QStringList *conditions, QVariantList *values) override;
    QString deleteQuestion() override;
};
