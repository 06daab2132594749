#pragma once

#include "listwindow/listwindow.h"

// The owner register (业主资料) on the shared query q_guestinfo.
class TForm_guestinfo : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_guestinfo(QWidget *parent = nullptr);

    // Before showing: q_guestinfo opened on every owner in name order. After closing:
    // closeQuery().
    bool prepare();

protected:
    bool validate() override;
    bool canDelete() override;
};
