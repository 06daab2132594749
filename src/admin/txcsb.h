#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

class DBCheckBox;
class DBNumberEditEh;
class DataSet;
class QPushButton;

// "到期报警设置": how many days ahead the expiry reminder looks (提前提醒天数) and whether it is
// shown at start-up (自动提醒), on the organisation's row of 公司信息 (q_gsxx, opened by the
// caller).
class TForm_txcsb : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_txcsb(QWidget *parent = nullptr);

    // "存盘 (&S)": refuses a number of days that is empty, below 0 or above 500.
    bool save();
    void prepare(Preparation &p) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataSet *m_gsxx;
    DBNumberEditEh *DBEdit1;
    DBCheckBox *DBCheckBox1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
};
