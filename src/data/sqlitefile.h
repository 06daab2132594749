#pragma once

#include <QList>
#include <QString>
#include <QVariant>

struct sqlite3;

// Whole-file work on SQLite databases below Qt SQL: the creation, backup and restore of the
// estate's database. Used only inside the core library; the windows call Dm1,
// DatabaseBackup and DatabaseRestore.
namespace SqliteFile {

// One sqlite3 connection, closed when it goes out of scope.
class Connection
{
public:
    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    ~Connection() { close(); }

    // Opens path read-only, or read-write without creating it. The engine reads lazily, so a
    // file that is not a database is only refused by the first statement.
    bool open(const QString &path, bool readOnly, QString *error);
    // A new, empty database in memory.
    bool openInMemory(QString *error);
    void close();
    sqlite3 *handle() const { return m_db; }
    // The first column of every row of sql; false (and the engine's reason) on failure.
    bool rows(const QString &sql, QStringList *out, QString *error) const;
    // Every column of every row of sql with binds (texts) in its placeholders: null, an integer
    // (qint64) or a text each. False (and the engine's reason) on failure.
    bool table(const QString &sql, const QStringList &binds, QList<QVariantList> *out, QString *error) const;
    // Runs statements that return no rows.
    bool exec(const QString &sql, QString *error) const;
    QString lastError() const;

private:
    sqlite3 *m_db = nullptr;
};

// Writes every page of source's main database into the new file path as one self-contained
// database (rollback journal, no side files), synced to disk. source may be written by other
// connections meanwhile: the copy is one consistent snapshot of what was committed.
bool copyInto(sqlite3 *source, const QString &path, QString *error);

// An advisory lock on a file or folder. Held on a file for as long as it is being built (a
// backup copy, a new database), it lets a later run tell the leftover of a killed program from
// a file still being written; held on a folder, it lets copies of the program take turns.
// Released when it goes out of scope, which must be after every connection to the file closed
// (closing any descriptor of a file drops the engine's own locks on it).
class FileLock
{
public:
    FileLock() = default;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock() { release(); }
    // False when the file cannot be opened or another program holds its lock; with wait, waits
    // for the other program to let go instead.
    bool hold(const QString &path, bool wait = false);
    void release();

private:
    int m_fd = -1;
};

// Removes the leftovers of killed builds in dir: files named prefix + six letters or digits +
// suffix (as QTemporaryFile names them) that no running program holds, with their side files;
// side files whose file is gone go too.
void removeLeftovers(const QString &dir, const QString &prefix, const QString &suffix);

// Removes path with its side files unless a running program holds path's lock (the file is
// still being built): the leftover of a killed program. Side files whose file is gone go too.
void removeLeftover(const QString &path);

// The copy of a backup that a restore builds beside the database before it takes the
// database's name; it holds its lock while it is being built.
QString restoringPath(const QString &database);

// Removes path and its journal, WAL and shared-memory side files.
void removeWithSideFiles(const QString &path);
QStringList sideFiles(const QString &path);

// Gives the complete file from the name to (which must not exist): in one step, never
// replacing a file that appeared there meanwhile. False with exists set when one did.
bool installNew(const QString &from, const QString &to, bool *exists, QString *error);

// Renames from over to in one step (an existing to is replaced atomically) and syncs the folder.
bool replace(const QString &from, const QString &to, QString *error);

// Flushes a file's contents to disk.
bool sync(const QString &path);

}
