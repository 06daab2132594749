#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The frame shared by backup, restore and the import of old data: a label ("目的数据库名："),
// the read-only path chosen through a file dialog, the action button and "返回".
class FileChoiceDialog : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    // Needs nothing prepared (the restore's closed connection is the main window's business).
    void prepare(Preparation &) override { }

    QString path() const;

    QLabel *Label1;
    QLineEdit *Edit1;
    QToolButton *SpeedButton1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;

protected:
    FileChoiceDialog(const QString &caption, const QString &action, const QString &browseName, QWidget *parent,
                     const QString &label = QStringLiteral("目的数据库名："));
    // The file dialog; empty when cancelled.
    virtual QString chooseFile() = 0;
    // The action; true when done and the window is to close.
    virtual bool run() = 0;

    static QStringList databaseFilters();

private:
    void browse();
};
