#pragma once

#include "admin/filechoicedialog.h"

// "系统恢复管理": puts a backup copy in place of the database. The main window closes the
// connection before this window opens and opens it again after it closes.
class TForm_restore : public FileChoiceDialog
{
    Q_OBJECT
public:
    explicit TForm_restore(QWidget *parent = nullptr);

protected:
    QString chooseFile() override;
    bool run() override;
};
