#include "admin/backup.h"

#include "admin/core/databasebackup.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

#include <QLineEdit>

TForm_backup::TForm_backup(QWidget *parent)
    : FileChoiceDialog(QStringLiteral("系统备份管理"), QStringLiteral("备份"), QStringLiteral("备份数据库文件"), parent)
{
    setObjectName(QStringLiteral("Form_backup"));
}

QString TForm_backup::chooseFile()
{
    return Prompt::saveFile(this, QStringLiteral("备份数据库文件"), path(), databaseFilters(), nullptr,
                            QStringLiteral("db"));
}

bool TForm_backup::run()
{
    QString error;
    if (!DatabaseBackup::backup(dm(), path(), &error)) {
        Prompt::notice(this, error);
        return false;
    }
    Prompt::notice(this, QStringLiteral("备份完毕！"));
    return true;
}
