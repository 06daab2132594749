#include "data/installedfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString InstalledFiles::find(const QString &relative)
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        // PREFIX/bin/parvell reads PREFIX/share/parvell.
        folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/parvell"));
    }
    folders << QStringLiteral(PARVELL_SOURCE_SHARE);
    for (const QString &folder : std::as_const(folders)) {
        const QFileInfo candidate(QDir(folder).filePath(relative));
        if (candidate.exists()) {
            return QDir::cleanPath(candidate.absoluteFilePath());
        }
    }
    return {};
}
