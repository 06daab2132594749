#pragma once

#include "components/common/preparation.h"
#include "components/common/startupreminder.h"

#include <QDialog>

class DBGridEh;
class QLabel;
class QLineEdit;
class QToolButton;

// "到期报警": the houses whose planned move-out date falls within a number of days from today,
// or has passed. Opened from the menu it starts empty and "提醒" fills it; at start-up the
// main window runs the reminder with the stored number of days and shows the window only when
// a house is due.
class TForm_txgn : public QDialog, public PreparedWindow, public StartupReminder
{
    Q_OBJECT
public:
    explicit TForm_txgn(QWidget *parent = nullptr);

    // Hides the days entry, so the stored 提前提醒天数 applies, and computes the list.
    bool remindAtStartUp() override;
    // From the menu: the list starts empty, and stays open for the main window after it closes.
    void prepare(Preparation &p) override { p.scratch(Preparation::Scratch::KeepOpen); }
    DBGridEh *grid() const { return DBGridEh1; }

public slots:
    // "提醒": the days typed (when more than 0) or else the stored ones.
    bool remind();
    void exportList();
    void printList();

private:
    QLabel *Label1;
    QLineEdit *Edit1;
    DBGridEh *DBGridEh1;
};
