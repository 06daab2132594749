#pragma once

#include "admin/tablechoicedialog.h"

// "数据初始化": empties the chosen tables, for a first use or a fresh start.
class TForm_initialize : public TableChoiceDialog
{
    Q_OBJECT
public:
    explicit TForm_initialize(QWidget *parent = nullptr);
};
