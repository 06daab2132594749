#pragma once

#include "listwindow/listwindow.h"

// The owner register (业主资料) on the shared query q_guestinfo.
class TForm_guestinfo : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_guestinfo(QWidget *parent = nullptr);

protected:
    bool validate() override;
    bool canDelete() override;
};
