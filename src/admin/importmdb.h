#pragma once

#include "admin/filechoicedialog.h"

// "导入旧数据": an office's old Access database (.mdb) put in place of the estate's database,
// after a backup of it; the report of what was read, imported and refused follows.
class TForm_importmdb : public FileChoiceDialog
{
    Q_OBJECT
public:
    explicit TForm_importmdb(QWidget *parent = nullptr);

protected:
    QString chooseFile() override;
    bool run() override;
};
