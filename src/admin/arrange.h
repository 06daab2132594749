#pragma once

#include "admin/tablechoicedialog.h"

// "数据整理": deletes the rows of the chosen tables that have no key.
class TForm_arrange : public TableChoiceDialog
{
    Q_OBJECT
public:
    explicit TForm_arrange(QWidget *parent = nullptr);
};
