#pragma once

#include "listwindow/chooser.h"

#include <optional>

// The house chooser ("选择房屋资料") over the shared house query q_houseinfo. Callers:
//   "houselease" (the move-in window): 楼宇名称, 楼宇单元, 房屋名称, 房屋代码, 房屋位置 go into
//   the move-in row;
//   "yajin" (the deposit window): 楼宇名称, 楼宇单元, 业主名称, 房屋代码 go into the deposit
//   movement being edited.
class TForm_choosehouse : public Chooser
{
    Q_OBJECT
public:
    explicit TForm_choosehouse(QWidget *parent = nullptr);

    // Opens the chooser on every house for the caller tag; the chosen house's fields go into
    // target's current row. True when a house was chosen.
    static bool choose(QWidget *parent, const QString &tag, DataSet *target);
    // Opens the chooser on every house; the chosen house's code, nothing when none was chosen.
    static std::optional<QString> pickCode(QWidget *parent);
};
