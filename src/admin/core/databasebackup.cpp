#include "admin/core/databasebackup.h"

#include "data/dm1.h"
#include "data/refusal.h"
#include "data/sqlitefile.h"
#include "data/tablecopy.h"
#include "data/transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <filesystem>
#include <sqlite3.h>

namespace {

// True when path names the database file or one of its side files (by any spelling or link).
bool isDatabaseFile(const QString &path, const QString &database)
{
    QStringList own = SqliteFile::sideFiles(database);
    own.prepend(database);
    const QFileInfo target(path);
    const QString canonicalDir = QFileInfo(target.absolutePath()).canonicalFilePath();
    const QString spelled = QDir(canonicalDir).filePath(target.fileName());
    for (const QString &file : std::as_const(own)) {
        const QFileInfo f(file);
        const QString ownSpelled = QDir(QFileInfo(f.absolutePath()).canonicalFilePath()).filePath(f.fileName());
        if (!canonicalDir.isEmpty() && spelled == ownSpelled) {
            return true;
        }
        std::error_code ec;
        if (target.exists() && f.exists()
            && std::filesystem::equivalent(QFile::encodeName(path).constData(), QFile::encodeName(file).constData(),
                                           ec)) {
            return true;
        }
    }
    return false;
}

// The engine's integrity check of a finished copy; false with the first problems it found.
bool copyIsWhole(const QString &path, QString *problems)
{
    SqliteFile::Connection copy;
    QStringList result;
    QString why;
    if (!copy.open(path, true, &why) || !copy.rows(QStringLiteral("PRAGMA integrity_check"), &result, &why)) {
        *problems = why;
        return false;
    }
    if (result != QStringList {QStringLiteral("ok")}) {
        *problems = result.mid(0, 3).join(QStringLiteral("；"));
        return false;
    }
    return true;
}

bool fail(QString *error, const QString &text)
{
    if (error) {
        *error = text;
    }
    return false;
}

// The server's database written into the empty file path as the SQLite database a single
// counter's backup is (rollback journal, every table of Schema), from one consistent moment of
// the server (one read-only snapshot), so a backup opens anywhere.
bool writeServerCopy(const DatabaseAddress &server, const QString &path, QString *error)
{
    const QString from = QStringLiteral("parvell_backup_from");
    const QString to = QStringLiteral("parvell_backup_to");
    const Dialect &file = Dialect::sqlite();
    bool ok = server.open(from, true, error);
    if (ok) {
        QSqlQuery snapshot(QSqlDatabase::database(from, false));
        ok = snapshot.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"));
        if (!ok) {
            *error = snapshot.lastError().databaseText();
        }
    }
    if (ok) {
        QSqlDatabase db = QSqlDatabase::addDatabase(file.driver(), to);
        ok = file.open(db, path, {}, false, error) && file.setUpConnection(db, QStringLiteral("delete"), error);
        if (ok) {
            Transaction tx(db);
            QSqlQuery q(db);
            ok = tx.begun();
            for (const QString &statement : Schema::createStatements(file)) {
                if (ok && !q.exec(statement)) {
                    *error = q.lastError().databaseText();
                    ok = false;
                }
            }
            ok = ok && TableCopy::copyAll(QSqlDatabase::database(from, false), db, error) && tx.commit(error);
        }
    }
    DatabaseAddress::close(to);
    DatabaseAddress::close(from);
    return ok;
}

}

bool DatabaseBackup::backup(Dm1 *dm, const QString &destination, QString *error)
{
    const QString dest = destination.trimmed();
    if (dest.isEmpty()) {
        return fail(error, QStringLiteral("请先选择备份的目的数据库文件！"));
    }
    const QString shown = QDir::toNativeSeparators(QFileInfo(dest).absoluteFilePath());
    if (!dm || !dm->isConnected()) {
        return fail(error, QStringLiteral("系统数据库没有连接，不能备份！"));
    }
    sqlite3 *source = dm->sqliteHandle();
    if (!source && !dm->onServer()) {
        return fail(error, QStringLiteral("系统数据库没有连接，不能备份！"));
    }
    if (isDatabaseFile(dest, dm->databasePath())) {
        return fail(error, QStringLiteral("不能备份到系统正在使用的数据库文件 %1 ！").arg(shown));
    }
    const QFileInfo info(dest);
    if (info.isDir()) {
        return fail(error, QStringLiteral("备份失败：%1 是一个文件夹。").arg(shown));
    }
    if (!QFileInfo(info.absolutePath()).isDir()) {
        return fail(error,
                    QStringLiteral("备份失败：文件夹 %1 不存在。").arg(QDir::toNativeSeparators(info.absolutePath())));
    }

    // The copy is made under a private name beside the destination, then renamed over it. What
    // a killed backup left there goes first; the lock tells it from a backup still running.
    const QString prefix = QStringLiteral(".%1.").arg(info.fileName());
    SqliteFile::removeLeftovers(info.absolutePath(), prefix, QStringLiteral(".part"));
    QTemporaryFile part(QDir(info.absolutePath()).filePath(prefix + QStringLiteral("XXXXXX.part")));
    if (!part.open()) {
        return fail(error, QStringLiteral("备份失败，不能写入 %1：%2").arg(shown, part.errorString()));
    }
    const QString partName = part.fileName();
    SqliteFile::FileLock building;
    building.hold(partName);
    part.close();
    QString why;
    if (dm->onServer() ? !writeServerCopy(dm->address(), partName, &why)
                       : !SqliteFile::copyInto(source, partName, &why)) {
        SqliteFile::removeWithSideFiles(partName);
        return fail(error,
                    Refusal::isDamage(why)
                        ? QStringLiteral("备份失败：系统数据库已经损坏（%1）。\n%2").arg(why, Dm1::restoreAdvice())
                        : QStringLiteral("备份失败，不能写入 %1：%2").arg(shown, Refusal::of(why).message));
    }
    // The copy holds the pages as they are: a damaged database gives a damaged copy, which is
    // no backup. It is checked before anything is reported as backed up.
    if (!copyIsWhole(partName, &why)) {
        SqliteFile::removeWithSideFiles(partName);
        return fail(
            error,
            QStringLiteral("备份失败：系统数据库已经损坏，这份备份不能用（%1）。\n%2").arg(why, Dm1::restoreAdvice()));
    }
    if (!SqliteFile::replace(partName, info.absoluteFilePath(), &why)) {
        SqliteFile::removeWithSideFiles(partName);
        return fail(error, QStringLiteral("备份失败，不能写入 %1：%2").arg(shown, why));
    }
    // A stale journal of an older file of that name must not be applied to the new copy.
    for (const QString &side : SqliteFile::sideFiles(info.absoluteFilePath())) {
        QFile::remove(side);
    }
    return true;
}
