#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

class DBEdit;
class DataSet;
class QPushButton;

// "公司信息编辑": the organisation's one row of 公司信息 (q_gsxx). Its 系统标题 becomes the main
// window's caption at the next start, its 动态文字 scrolls at once.
class TForm_gsxx_edit : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_gsxx_edit(QWidget *parent = nullptr);
    void prepare(Preparation &p) override;

    bool save();

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataSet *m_gsxx;
    QList<DBEdit *> m_editors; // DBEdit1..DBEdit9 in the order of the Enter chain
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
};
