#pragma once

#include "listwindow/listwindow.h"

// "操作员设置": the list of operators; "编辑" opens the operator editor on the chosen row.
class TForm_qxb : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_qxb(QWidget *parent = nullptr);

    void editRecord() override;

protected:
    bool canDelete() override;
};
