#include "admin/core/databaserestore.h"

#include "admin/core/databasekind.h"
#include "data/refusal.h"
#include "data/schema.h"
#include "data/sqlitefile.h"
#include "data/tablecopy.h"
#include "data/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

bool fail(QString *error, const QString &text)
{
    if (error) {
        *error = text;
    }
    return false;
}

QString shownName(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

bool hasDatabaseHeader(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return fail(error, QStringLiteral("不能读取文件 %1：%2").arg(shownName(path), f.errorString()));
    }
    if (f.read(16) != QByteArray("SQLite format 3\0", 16)) {
        return fail(error, QStringLiteral("文件 %1 不是本系统的数据库文件，不能恢复！").arg(shownName(path)));
    }
    return true;
}

// The chosen file is there, is a file and begins like a database.
bool sourceReadable(const QString &source, QString *error)
{
    if (source.trimmed().isEmpty()) {
        return fail(error, QStringLiteral("请先选择要恢复的数据库文件！"));
    }
    const QString shown = shownName(source);
    const QFileInfo info(source);
    if (!info.exists()) {
        return fail(error, QStringLiteral("文件 %1 不存在！").arg(shown));
    }
    if (!info.isFile()) {
        return fail(error, QStringLiteral("%1 不是一个文件！").arg(shown));
    }
    return hasDatabaseHeader(source, error);
}

// db passes the engine's integrity check and is a database of this system; the messages name
// the file the operator chose.
bool fitToRestore(const SqliteFile::Connection &db, const QString &source, QString *error)
{
    const QString shown = shownName(source);
    QStringList result;
    QString why;
    const bool checked = db.rows(QStringLiteral("PRAGMA integrity_check"), &result, &why);
    // Tables declared to refuse values of another type than they hold fail the engine's check
    // too ("non-INTEGER value in 收费明细表.收费金额", once a row): such a file is not damaged but
    // not ours, and is told so once, with why.
    static const QRegularExpression typeOnly(QStringLiteral("^(non-\\w+|NULL) value in \\S+$"));
    const bool onlyTypes = checked && !result.filter(typeOnly).isEmpty() && result.filter(typeOnly) == result;
    const QStringList reasons = checked ? DatabaseKind::whyNotOurs(db) : QStringList();
    if (!checked || (result != QStringList {QStringLiteral("ok")} && !(onlyTypes && !reasons.isEmpty()))) {
        result.removeDuplicates();
        return fail(error,
                    QStringLiteral("数据库文件 %1 已经损坏，不能恢复：%2")
                        .arg(shown, checked ? result.mid(0, 3).join(QLatin1Char('\n')) : why));
    }
    if (!reasons.isEmpty()) {
        constexpr int Shown = 8;
        QStringList lines = reasons.mid(0, Shown);
        if (reasons.size() > Shown) {
            lines << QStringLiteral("……（共 %1 处不符）").arg(reasons.size());
        }
        return fail(
            error,
            QStringLiteral("文件 %1 不是本系统的数据库文件，不能恢复！\n%2").arg(shown, lines.join(QLatin1Char('\n'))));
    }
    return true;
}

// Opens source read-only and proves it is an undamaged database of this system.
bool openChecked(const QString &source, SqliteFile::Connection &db, QString *error)
{
    if (!sourceReadable(source, error)) {
        return false;
    }
    QString why;
    if (!db.open(source, true, &why)) {
        return fail(error,
                    QStringLiteral("不能打开数据库文件 %1：%2").arg(shownName(source), Refusal::of(why).message));
    }
    return fitToRestore(db, source, error);
}

// Folds whatever the old database still keeps in its side files into the file itself, so that
// those side files can go before the new file takes the name. False while another program
// still has the database open (its side files stay after our last connection closes).
bool settleOld(const QString &target, QString *error)
{
    const QStringList sides = SqliteFile::sideFiles(target);
    const auto anySide = [&sides] {
        return std::any_of(sides.cbegin(), sides.cend(), [](const QString &s) { return QFile::exists(s); });
    };
    if (!QFile::exists(target) || !anySide()) {
        return true;
    }
    {
        SqliteFile::Connection old;
        QString why;
        // Reading rolls back a hot journal; closing the last connection checkpoints the WAL
        // and deletes it.
        if (old.open(target, false, &why)
            && old.rows(QStringLiteral("SELECT count(*) FROM sqlite_master"), nullptr, &why)
            && !old.rows(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), nullptr, &why)) {
            return fail(error,
                        QStringLiteral("不能整理当前数据库 %1：%2").arg(shownName(target), Refusal::of(why).message));
        }
    }
    if (QFile::exists(target + QStringLiteral("-wal")) || QFile::exists(target + QStringLiteral("-journal"))) {
        // Still there: either another program is connected, or the old file is no database at
        // all and its side files mean nothing.
        SqliteFile::Connection probe;
        QString why;
        if (probe.open(target, true, &why)
            && probe.rows(QStringLiteral("SELECT count(*) FROM sqlite_master"), nullptr, &why)) {
            return fail(
                error, QStringLiteral("数据库 %1 %2，请先关闭其他程序再恢复！").arg(shownName(target), Refusal::InUse));
        }
    }
    return true;
}

}

bool DatabaseRestore::check(const QString &source, QString *error)
{
    SqliteFile::Connection db;
    return openChecked(source, db, error);
}

bool DatabaseRestore::restore(const QString &source, const QString &target, QString *error)
{
    if (!sourceReadable(source, error)) {
        return false;
    }
    const QString staging = SqliteFile::restoringPath(target);
    if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
        return fail(error,
                    QStringLiteral("恢复失败，不能创建文件夹 %1。")
                        .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath())));
    }
    SqliteFile::removeWithSideFiles(staging);
    QString why;
    {
        // One consistent copy of the chosen file beside the database; what is checked below is
        // that copy, exactly what will take the database's place.
        SqliteFile::Connection db;
        if (!db.open(source, true, &why)) {
            return fail(error,
                        QStringLiteral("不能打开数据库文件 %1：%2").arg(shownName(source), Refusal::of(why).message));
        }
        if (!SqliteFile::copyInto(db.handle(), staging, &why)) {
            SqliteFile::removeWithSideFiles(staging);
            QString readable;
            if (!db.rows(QStringLiteral("PRAGMA quick_check"), nullptr, &readable)) {
                return fail(error, QStringLiteral("数据库文件 %1 已经损坏，不能恢复：%2").arg(shownName(source), why));
            }
            return fail(error,
                        QStringLiteral("恢复失败，不能写入 %1：%2").arg(shownName(staging), Refusal::of(why).message));
        }
    }
    // Held until the copy has taken the database's name: a program starting meanwhile leaves
    // it, and removes it only when a killed restore left it behind.
    SqliteFile::FileLock building;
    building.hold(staging);
    {
        SqliteFile::Connection copy;
        bool fit = copy.open(staging, true, &why);
        if (!fit) {
            fail(error, QStringLiteral("不能打开数据库文件 %1：%2").arg(shownName(source), Refusal::of(why).message));
        } else {
            fit = fitToRestore(copy, source, error);
        }
        copy.close();
        if (!fit) {
            SqliteFile::removeWithSideFiles(staging);
            return false;
        }
    }
    if (!settleOld(target, error)) {
        SqliteFile::removeWithSideFiles(staging);
        return false;
    }
    // Side files of the old database must never be applied to the new file.
    for (const QString &side : SqliteFile::sideFiles(target)) {
        QFile::remove(side);
    }
    if (!SqliteFile::replace(staging, target, &why)) {
        SqliteFile::removeWithSideFiles(staging);
        return fail(error, QStringLiteral("恢复失败，不能写入 %1：%2").arg(shownName(target), why));
    }
    return true;
}

bool DatabaseRestore::restore(const QString &source, const DatabaseAddress &target, QString *error)
{
    if (!target.onServer) {
        return restore(source, target.where, error);
    }
    if (!check(source, error)) {
        return false;
    }
    const QString from = QStringLiteral("parvell_restore_from");
    const QString to = QStringLiteral("parvell_restore_to");
    QString why;
    bool ok = DatabaseAddress {source, {}, false}.open(from, true, &why);
    if (!ok) {
        why = QStringLiteral("不能打开数据库文件 %1：%2").arg(shownName(source), why);
    } else if (!target.open(to, false, &why)) {
        why = QStringLiteral("%1不能连接：%2").arg(target.shownName(), why);
        ok = false;
    } else {
        const QSqlDatabase db = QSqlDatabase::database(to, false);
        Transaction tx(db);
        QSqlQuery q(db);
        ok = tx.begun();
        why = tx.error();
        for (const TableDef &t : Schema::tables()) {
            if (ok && !t.temporary && !q.exec(QStringLiteral("DELETE FROM %1").arg(Schema::quoted(t.name)))) {
                why = q.lastError().databaseText();
                ok = false;
            }
        }
        ok = ok && TableCopy::copyAll(QSqlDatabase::database(from, false), db, &why) && tx.commit(&why);
        if (!ok) {
            why = QStringLiteral("恢复失败，服务器上的数据没有改变：%1").arg(why);
        }
    }
    DatabaseAddress::close(from);
    DatabaseAddress::close(to);
    return ok || fail(error, why);
}
