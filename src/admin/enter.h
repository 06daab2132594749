#pragma once

#include "components/common/fixeddialog.h"

class QComboBox;
class QPushButton;
class DataSet;

// "系统登录": choose an operator of 权限表 (the shared q_qxb, opened by the caller) and type
// his password. Accepted when the operator has logged in; rejected on "终止" and after three
// refusals in a row, which at start-up ends the program and otherwise keeps the previous
// operator.
class TForm_Enter : public FixedDialog
{
    Q_OBJECT
public:
    explicit TForm_Enter(QWidget *parent = nullptr);

    int failures() const { return m_failures; }

    void confirm();
    void abandon();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void chooseOperator(int index);
    bool refuse();

    DataSet *m_qxb;
    QComboBox *ComboBox1;
    PasswordBox *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    int m_failures = 0;
};
