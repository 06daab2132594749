#include "admin/core/jetimport.h"

#include "admin/core/databasebackup.h"
#include "admin/core/databaserestore.h"
#include "admin/core/jetfile.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

// A path in folder for name, with "-2", "-3", … before the extension while one is taken.
QString freePath(const QString &folder, const QString &name)
{
    const QFileInfo n(name);
    QString path = QDir(folder).filePath(name);
    for (int i = 2; QFileInfo::exists(path); ++i) {
        path = QDir(folder).filePath(QStringLiteral("%1-%2.%3").arg(n.completeBaseName()).arg(i).arg(n.suffix()));
    }
    return path;
}

void writeReport(Dm1 *dm, JetImport::Result &r)
{
    const QString path = freePath(dm->home(), ImportReport::fileName(r.report.when));
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(r.report.text().toUtf8()) >= 0 && file.commit()) {
        r.reportFile = path;
    } else {
        r.report.notes
            << QStringLiteral("报告文件 %1 不能写入：%2").arg(QDir::toNativeSeparators(path), file.errorString());
    }
}

// Puts the file built in place of the database: a backup of the database first (a file beside
// the home's database, also for an estate on a server), then the restore, which checks the file
// and replaces the database, or every row of the estate on its server, in one step.
bool install(Dm1 *dm, const QString &built, JetImport::Result &r)
{
    const QString database = dm->databasePath();
    const QString backup =
        freePath(QFileInfo(database).absolutePath(),
                 QStringLiteral("导入前备份-%1.db").arg(r.report.when.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    QString why;
    if (!DatabaseBackup::backup(dm, backup, &why)) {
        r.error = QStringLiteral("导入前备份当前数据库失败：%1").arg(why);
        return false;
    }
    dm->closeConnection();
    const bool restored = DatabaseRestore::restore(built, dm->address(), &why);
    if (!dm->openConnection()) {
        r.report.notes << QStringLiteral("重新连接数据库失败：%1").arg(dm->lastError());
    }
    if (!restored) {
        // The database is as it was, so the copy of it is not needed.
        QFile::remove(backup);
        r.error = why;
        return false;
    }
    r.report.backupFile = backup;
    return true;
}

JetImport::Result importLines(Dm1 *dm, JetLines &lines, const QString &source, const QStringList &warnings,
                              const JetMapping::Progress &progress)
{
    JetImport::Result r;
    r.report.source = QFileInfo(source).absoluteFilePath();
    r.report.when = Clock::now();
    r.report.notes << warnings;

    // The new file is built beside the database, under a name of its own that a later import
    // recognises as a leftover once no import holds it.
    const QFileInfo database(dm->databasePath());
    const QString folder = database.absolutePath();
    const QString prefix = QStringLiteral(".%1.import-").arg(database.fileName());
    const QString suffix = QStringLiteral(".import");
    QDir().mkpath(folder);
    SqliteFile::removeLeftovers(folder, prefix, suffix);
    QTemporaryFile file(QDir(folder).filePath(prefix + QStringLiteral("XXXXXX") + suffix));
    if (!file.open()) {
        r.error = QStringLiteral("不能在文件夹 %1 中建立新的数据库：%2")
                      .arg(QDir::toNativeSeparators(folder), file.errorString());
    } else {
        const QString built = file.fileName();
        SqliteFile::FileLock building;
        building.hold(built);
        file.close();
        QString why;
        if (!JetMapping(r.report).build(lines, built, progress, &why)) {
            r.error = why;
        } else if (!SqliteFile::sync(built)) {
            r.error = QStringLiteral("不能写入新的数据库 %1").arg(QDir::toNativeSeparators(built));
        } else {
            r.imported = install(dm, built, r);
            r.report.imported = r.imported;
            r.report.outcome = r.imported ? QStringLiteral("已导入，旧数据库中的数据已取代当前的数据库。")
                                          : QStringLiteral("没有导入，当前的数据库没有改变。%1").arg(r.error);
            writeReport(dm, r);
        }
        SqliteFile::removeWithSideFiles(built);
    }
    if (!r.imported && r.report.outcome.isEmpty()) {
        r.report.outcome = QStringLiteral("没有导入，当前的数据库没有改变。%1").arg(r.error);
    }
    return r;
}

}

JetImport::Result JetImport::importFile(Dm1 *dm, const QString &file, const JetMapping::Progress &progress,
                                        const JetReaderProcess::Limits &limits)
{
    const JetFile::Examined examined = JetFile::examine(file);
    if (!examined.refusal.isEmpty()) {
        Result r;
        r.error = examined.refusal;
        r.report.source = file;
        r.report.when = Clock::now();
        r.report.outcome = QStringLiteral("没有导入，当前的数据库没有改变。%1").arg(r.error);
        return r;
    }
    JetReaderProcess reader(file, limits);
    Result r = importLines(dm, reader, file, examined.warnings, progress);
    // An .accdb that Office encrypted opens with no readable catalogue: mdbtools says no more.
    if (!r.imported && examined.ace && r.report.tables.isEmpty() && r.error.startsWith(QStringLiteral("读取失败"))) {
        r.error = QStringLiteral("无法读取该文件（可能已加密）：%1\n%2")
                      .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()), r.error);
    }
    return r;
}

JetImport::Result JetImport::importStream(Dm1 *dm, QIODevice &stream, const QString &source,
                                          const JetMapping::Progress &progress)
{
    DeviceLines lines(stream);
    return importLines(dm, lines, source, {}, progress);
}
