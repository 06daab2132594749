#pragma once

#include "listwindow/listwindow.h"

class QToolButton;

// Moves in and out (房屋租赁表) on the shared query q_houselease. Saving a record also writes the
// house's occupant and 使用状况 and the owner's 房屋代码, all in one transaction; the list first
// shows the occupancies not yet ended, a search finds ended ones too.
class TForm_houselease : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_houselease(QWidget *parent = nullptr);

public slots:
    // "选择业主" and "选择房屋": the choosers copy the chosen owner or house into the record.
    void chooseOwner();
    void chooseHouse();

protected:
    bool canEdit() override;
    bool validate() override;
    bool writeRow(QString *error) override;
    bool deleteRow(QString *error) override;
};
