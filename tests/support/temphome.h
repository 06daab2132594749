#pragma once

#include "data/dm1.h"

#include <QTemporaryDir>
#include <memory>

// A fresh home folder with a new database, open on ADO_system, for one test, its operator
// "管理员" logged in: the SQLite file data/data.db, or a fresh database on the test server while
// a test runs on PostgreSQL (Backend; the home's data/server.conf then names it).
class TempHome
{
public:
    TempHome();
    ~TempHome();

    QString path() const { return m_dir.path(); }
    Dm1 *dm() const { return m_dm.get(); }
    bool ok() const { return m_ok; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Dm1> m_dm;
    bool m_ok = false;
};

// A file's bytes (empty when it cannot be read), and writing a file whole (a test failure when
// it cannot be written).
QByteArray fileBytes(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// Enough owners with long remarks for a database of many pages, in one transaction.
bool addManyOwners(Dm1 *dm, int count = 400);
// Overwrites four 4096-byte pages past the tables' roots (rows of 业主资料 and its indexes once
// addManyOwners ran) the way a failing disk leaves them.
void damagePages(QByteArray &databaseBytes);
