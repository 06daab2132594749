#pragma once

#include "admin/filechoicedialog.h"

// "系统备份管理": copies the database to the file the operator names.
class TForm_backup : public FileChoiceDialog
{
    Q_OBJECT
public:
    explicit TForm_backup(QWidget *parent = nullptr);

protected:
    QString chooseFile() override;
    bool run() override;
};
