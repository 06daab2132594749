#include "cli/outputfile.h"

#include "cli/command.h"

#include <QDir>
#include <QFileInfo>

int OutputFile::check(const QString &path, bool force, Report &report)
{
    const QFileInfo file(path);
    const QString shown = QDir::toNativeSeparators(file.absoluteFilePath());
    if (!file.absoluteDir().exists()) {
        return report.fail(Exit::CannotCreate,
                           QStringLiteral("文件夹 %1 不存在。").arg(QDir::toNativeSeparators(file.absolutePath())));
    }
    if (file.isDir()) {
        return report.fail(Exit::CannotCreate, QStringLiteral("%1 是一个文件夹。").arg(shown));
    }
    if (file.exists() && !force) {
        return report.fail(Exit::CannotCreate, QStringLiteral("文件 %1 已经存在；要替换它请加 --force。").arg(shown));
    }
    return Exit::Done;
}
