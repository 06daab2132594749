#pragma once

#include "listwindow/listwindow.h"

class QToolButton;

// The house register (房屋资料) on the shared query q_houseinfo. The occupant fields are
// shown here but kept by moves in and out; the building is picked with "选择楼宇".
class TForm_houseinfo : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_houseinfo(QWidget *parent = nullptr);

public slots:
    // "选择楼宇": the buildings window as a chooser writes the chosen building into the row.
    void chooseBuilding();

protected:
    bool validate() override;
    bool canEdit() override;
    QString deleteQuestion() override;
    bool deleteRow(QString *error) override;

private:
    QToolButton *m_chooseBuilding;
};
