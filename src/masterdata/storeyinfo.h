#pragma once

#include "listwindow/listwindow.h"

class QToolButton;

// The building register (楼宇资料), also the building chooser of the house window.
class TForm_storeyinfo : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_storeyinfo(QWidget *parent = nullptr);

    // Chooser use: "选中" copies the current building into the house being edited.
    void setChooser(bool on);
    void chooseBuilding();

protected:
    bool validate() override;
    bool canEdit() override;

private:
    QToolButton *m_choose;
};
