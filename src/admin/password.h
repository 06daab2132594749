#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

class QLabel;
class QPushButton;
class DataSet;

// "修改当前操作员口令": the current operator types his password of the login, then the new one
// twice. q_qxb holds his row.
class TForm_password : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_password(QWidget *parent = nullptr);
    void prepare(Preparation &p) override;

    void save();

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataSet *m_qxb;
    QLabel *Label4;
    PasswordBox *Edit1;
    PasswordBox *Edit2;
    PasswordBox *Edit3;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
};
