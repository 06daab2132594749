#pragma once

#include "listwindow/chooser.h"

// The owner chooser ("选择业主资料") over the shared owner query q_guestinfo. Callers:
//   "houselease" (the move-in window): 业主名称, 身份证号, 工作单位, 联系地址, 联系电话 go into
//   the move-in row.
class TForm_xzyz : public Chooser
{
    Q_OBJECT
public:
    explicit TForm_xzyz(QWidget *parent = nullptr);

    // Opens the chooser on every owner for the caller tag; the chosen owner's fields go into
    // target's current row. True when an owner was chosen.
    static bool choose(QWidget *parent, const QString &tag, DataSet *target);
};
