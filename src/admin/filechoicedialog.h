#pragma once

#include "components/common/fixeddialog.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The frame shared by backup and restore: "目的数据库名：", the read-only path chosen through a
// file dialog, the action button and "返回".
class FileChoiceDialog : public FixedDialog
{
    Q_OBJECT
public:
    QString path() const;

    QLabel *Label1;
    QLineEdit *Edit1;
    QToolButton *SpeedButton1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

protected:
    FileChoiceDialog(const QString &caption, const QString &action, const QString &browseName, QWidget *parent);
    // The file dialog; empty when cancelled.
    virtual QString chooseFile() = 0;
    // The action; true when done and the window is to close.
    virtual bool run() = 0;

    static QStringList databaseFilters();

private:
    void browse();
};
