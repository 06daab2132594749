#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

class QComboBox;
class QPushButton;
class DataSet;

// "系统登录": choose an operator of 权限表 (the shared q_qxb, every operator by name) and type
// his password. Accepted when the operator has logged in; rejected on "终止" and after three
// refusals in a row, which at start-up ends the program and otherwise keeps the previous
// operator.
class TForm_Enter : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_Enter(QWidget *parent = nullptr);

    int failures() const { return m_failures; }
    void prepare(Preparation &p) override;

    void confirm();
    void abandon();
    // For unattended starts: once shown, the dialog confirms as an operator would who chooses
    // the first operator and leaves the password empty. Only an operator without a password
    // gets in this way; anyone else is refused as usual.
    void confirmFirstOperatorWhenShown() { m_confirmWhenShown = true; }

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
    bool m_confirmWhenShown = false;
};
