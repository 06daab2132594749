#pragma once

#include "components/common/fixeddialog.h"

class DBComboBoxEh;
class DBEdit;
class DBMemo;
class DataSet;
class QPushButton;

// "操作员编辑": edits the current row of q_qxb (the operator chosen in the list) and adds new
// operators. The password is not edited here: a new operator has an empty password until he
// changes it himself.
class TForm_qxb_edit : public FixedDialog
{
    Q_OBJECT
public:
    explicit TForm_qxb_edit(QWidget *parent = nullptr);

    // The drop-down of input methods; filled with the installed ones when the window is made.
    void setInputMethods(const QStringList &names);

    void addOperator();
    bool saveOperator();
    void cancelChanges();
    void closeEditor();

private:
    void setBrowsing(bool browsing);

    DataSet *m_qxb;
    DBEdit *DBEdit1;
    DBEdit *DBEdit2;
    DBEdit *DBEdit3;
    DBComboBoxEh *DBComboBoxEh1;
    DBMemo *DBMemo1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
    QPushButton *BitBtn3;
    QPushButton *BitBtn4;
};
