#include "components/grid/core/exporttable.h"

#include "components/grid/core/exportwriters.h"

#include <QDir>
#include <QSaveFile>

bool ExportTable::hasFooter() const
{
    return !footer.isEmpty();
}

namespace Export {

QString extension(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Text:
        return QStringLiteral("txt");
    case ExportFormat::Csv:
        return QStringLiteral("csv");
    case ExportFormat::Html:
        return QStringLiteral("htm");
    case ExportFormat::Rtf:
        return QStringLiteral("rtf");
    case ExportFormat::Xls:
        return QStringLiteral("xls");
    case ExportFormat::Xlsx:
        return QStringLiteral("xlsx");
    }
    return {};
}

QString withExtension(const QString &fileName, ExportFormat format)
{
    const QString ext = extension(format);
    if (fileName.right(ext.size()).compare(ext, Qt::CaseInsensitive) == 0)
        return fileName;
    return fileName % QLatin1Char('.') % ext;
}

bool write(ExportFormat format, const ExportTable &table, QIODevice *out, QString *error, QStringList *warnings)
{
    QString ignored;
    QString &reason = error ? *error : ignored;
    if (!out || !out->isWritable()) {
        reason = QStringLiteral("导出的目标不能写入。");
        return false;
    }
    switch (format) {
    case ExportFormat::Text:
        return ExportWriters::writeText(table, out, &reason);
    case ExportFormat::Csv:
        return ExportWriters::writeCsv(table, out, &reason);
    case ExportFormat::Html:
        return ExportWriters::writeHtml(table, out, &reason);
    case ExportFormat::Rtf:
        return ExportWriters::writeRtf(table, out, &reason);
    case ExportFormat::Xls:
        return ExportWriters::writeXls(table, out, &reason, warnings);
    case ExportFormat::Xlsx:
        return ExportWriters::writeXlsx(table, out, &reason, warnings);
    }
    reason = QStringLiteral("不支持这种文件类型。");
    return false;
}

bool writeFile(ExportFormat format, const ExportTable &table, const QString &path, QString *error,
               QStringList *warnings)
{
    QString ignored;
    QString &reason = error ? *error : ignored;
    const QString shownPath = QDir::toNativeSeparators(path);
    // The file is written beside the target and renamed over it only when complete, so an
    // existing file is never left half-replaced.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = QStringLiteral("不能写入文件 %1：%2").arg(shownPath, file.errorString());
        return false;
    }
    QString writeError;
    if (!write(format, table, &file, &writeError, warnings)) {
        const bool deviceFailed = file.error() != QFileDevice::NoError;
        const QString deviceError = file.errorString();
        file.cancelWriting();
        reason = deviceFailed ? QStringLiteral("不能写入文件 %1：%2").arg(shownPath, deviceError) : writeError;
        return false;
    }
    if (!file.commit()) {
        reason = QStringLiteral("不能写入文件 %1：%2").arg(shownPath, file.errorString());
        return false;
    }
    return true;
}

}
