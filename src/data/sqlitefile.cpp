#include "data/sqlitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

namespace SqliteFile {

namespace {
// Attempts at a step the engine reports busy (another connection holds a lock for a moment).
constexpr int BusyRetries = 100;
constexpr int BusySleepMs = 50;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool syncDescriptor(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
}

bool Connection::open(const QString &path, bool readOnly, QString *error)
{
    close();
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error) {
            *error = m_db ? lastError() : QString::fromUtf8(sqlite3_errstr(rc));
        }
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    return true;
}

bool Connection::openInMemory(QString *error)
{
    close();
    const int rc = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (error) {
            *error = m_db ? lastError() : QString::fromUtf8(sqlite3_errstr(rc));
        }
        close();
        return false;
    }
    return true;
}

void Connection::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString Connection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

bool Connection::rows(const QString &sql, QStringList *out, QString *error) const
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        if (error) {
            *error = lastError();
        }
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (out) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            out->append(QString::fromUtf8(value ? value : ""));
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        if (error) {
            *error = lastError();
        }
        return false;
    }
    return true;
}

bool Connection::table(const QString &sql, const QStringList &binds, QList<QVariantList> *out, QString *error) const
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        if (error) {
            *error = lastError();
        }
        return false;
    }
    QList<QByteArray> kept; // the bound texts live until the statement is finalised
    for (int i = 0; i < binds.size(); ++i) {
        kept << binds[i].toUtf8();
        sqlite3_bind_text(stmt, i + 1, kept.last().constData(), int(kept.last().size()), SQLITE_STATIC);
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariantList row;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL:
                row << QVariant();
                break;
            case SQLITE_INTEGER:
                row << QVariant(qint64(sqlite3_column_int64(stmt, c)));
                break;
            default: {
                const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
                row << QVariant(QString::fromUtf8(value ? value : ""));
            }
            }
        }
        if (out) {
            out->append(row);
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        if (error) {
            *error = lastError();
        }
        return false;
    }
    return true;
}

bool Connection::exec(const QString &sql, QString *error) const
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        if (error) {
            *error = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
        }
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool copyInto(sqlite3 *source, const QString &path, QString *error)
{
    // The file was just created empty beside its final place; the engine fills it.
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        if (error) {
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        }
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_backup *backup = sqlite3_backup_init(db, "main", source, "main");
    if (!backup) {
        if (error) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_close_v2(db);
        return false;
    }
    // All pages in one step: one read transaction on the source, so one consistent snapshot.
    int attempts = 0;
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            sqlite3_sleep(BusySleepMs);
        }
    } while ((rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++attempts < BusyRetries);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        if (error) {
            *error = QString::fromUtf8(sqlite3_errstr(rc));
        }
        sqlite3_close_v2(db);
        return false;
    }
    // The pages carry the source's WAL marking; a copy is a plain single file.
    char *message = nullptr;
    rc = sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        if (error) {
            *error = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        }
        sqlite3_free(message);
        sqlite3_close_v2(db);
        return false;
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        if (error) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_close_v2(db);
        return false;
    }
    if (!sync(path)) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    return true;
}

bool FileLock::hold(const QString &path, bool wait)
{
    release();
    const QByteArray name = QFile::encodeName(path);
    // Read-write where possible: on network filesystems the lock needs it.
    m_fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        return false;
    }
    int rc;
    do {
        rc = ::flock(m_fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        release();
        return false;
    }
    return true;
}

void FileLock::release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void removeLeftovers(const QString &dir, const QString &prefix, const QString &suffix)
{
    const QRegularExpression leftover(QStringLiteral("^%1[A-Za-z0-9]{6}%2(-journal|-wal|-shm)?$")
                                          .arg(QRegularExpression::escape(prefix), QRegularExpression::escape(suffix)));
    QSet<QString> builds;
    const QDir folder(dir);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = leftover.match(name);
        if (m.hasMatch()) {
            builds.insert(name.left(name.size() - m.capturedLength(1)));
        }
    }
    for (const QString &name : std::as_const(builds)) {
        removeLeftover(folder.filePath(name));
    }
}

void removeLeftover(const QString &path)
{
    FileLock probe;
    if (QFileInfo::exists(path) && !probe.hold(path)) {
        return; // still being written by a running program
    }
    removeWithSideFiles(path);
}

QString restoringPath(const QString &database)
{
    return database + QStringLiteral(".restoring");
}

QStringList sideFiles(const QString &path)
{
    return {path + QStringLiteral("-journal"), path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

void removeWithSideFiles(const QString &path)
{
    QFile::remove(path);
    for (const QString &side : sideFiles(path)) {
        QFile::remove(side);
    }
}

bool installNew(const QString &from, const QString &to, bool *exists, QString *error)
{
    *exists = false;
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    // A hard link never replaces an existing name; where the filesystem has none (FAT, some
    // shares), the name is taken by renaming when it is still free.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
    } else if (errno == EEXIST) {
        *exists = true;
        return false;
    } else if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        *exists = true;
        return false;
    } else if (std::rename(source.constData(), target.constData()) != 0) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    syncDescriptor(QFileInfo(to).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

bool replace(const QString &from, const QString &to, QString *error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error) {
            *error = systemError();
        }
        return false;
    }
    syncDescriptor(QFileInfo(to).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

bool sync(const QString &path)
{
    return syncDescriptor(path, O_RDONLY);
}

}
