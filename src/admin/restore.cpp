#include "admin/restore.h"

#include "admin/core/databaserestore.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

TForm_restore::TForm_restore(QWidget *parent)
    : FileChoiceDialog(QStringLiteral("系统恢复管理"), QStringLiteral("恢复"), QStringLiteral("恢复数据库文件"), parent)
{
    setObjectName(QStringLiteral("Form_restore"));
}

QString TForm_restore::chooseFile()
{
    return Prompt::openFile(this, QStringLiteral("恢复数据库文件"), {}, databaseFilters());
}

bool TForm_restore::run()
{
    if (path().isEmpty()) {
        Prompt::notice(this, QStringLiteral("请先选择要恢复的数据库文件！"));
        return false;
    }
    if (!Prompt::ask(this, QStringLiteral("确实要恢复数据库吗? "))) {
        return false;
    }
    QString error;
    if (!DatabaseRestore::restore(path(), dm()->address(), &error)) {
        Prompt::notice(this, error + QStringLiteral("\n当前数据库没有改变。"));
        return false;
    }
    Prompt::notice(this, QStringLiteral("恢复完毕！"));
    return true;
}
