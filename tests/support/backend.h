#pragma once

#include <QCoreApplication>
#include <QString>
#include <QTest>

// The engines the data tests run on. A test program whose main is
//
//     PARVELL_BACKENDS_GUILESS_MAIN(TestPayment)
//
// runs every test function once on SQLite and once on PostgreSQL, each TempHome then holding a
// fresh, empty database of the engine in turn (on the server: a database of this program's own,
// its tables made anew for each TempHome). PARVELL_TEST_PG names the test server (a libpq conninfo
// line of a server where databases may be made and dropped, e.g. "host=/tmp/pg user=postgres");
// scripts/test.sh starts one. Without it the PostgreSQL run is left out with a note, except under
// CI (CI=true), where it fails.
namespace Backend {

enum class Engine { Sqlite, Postgres };

// The engine of the run going on.
Engine current();
inline bool onServer()
{
    return current() == Engine::Postgres;
}
// "SQLite" or "PostgreSQL", for the test output.
QString name(Engine engine);

// A fresh empty database on the test server for the next TempHome (every table of the one
// before dropped): its conninfo line. Empty, with a test failure, when the server cannot be used.
QString freshServerDatabase();
// The test server's conninfo line (PARVELL_TEST_PG), empty when none is given.
QString serverConninfo();

// Runs the test object's functions on each engine; the number of failures, as QTest::qExec.
int runOnEach(QObject *test, int argc, char **argv);

}

#define PARVELL_BACKENDS_GUILESS_MAIN(TestObject)                                                                      \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return Backend::runOnEach(&tc, argc, argv);                                                                    \
    }

class Dm1;
class QSqlDatabase;

// Another counter at the same estate: a connection of its own to dm's database (the same file,
// or the same server database), set up as the program's own; removed when it goes.
class Counter
{
public:
    Counter(const Dm1 *dm, const QString &name);
    ~Counter();
    Counter(const Counter &) = delete;
    Counter &operator=(const Counter &) = delete;

    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    QSqlDatabase database() const;

private:
    QString m_name;
    bool m_ok = false;
    QString m_error;
};

// A write the database refuses, as a full or failing disk would: a trigger of either engine that
// raises `message` before `event` ("insert", "update", "update of 押金") on table, for the rows
// where `condition` (on the row written, "new.房屋代码='A-3'") holds; gone with the object.
class Fault
{
public:
    Fault(Dm1 *dm, const QString &event, const QString &table, const QString &message, const QString &condition = {});
    ~Fault();
    Fault(const Fault &) = delete;
    Fault &operator=(const Fault &) = delete;
    bool ok() const { return m_ok; }
    // Removes it before the object goes.
    void remove();

private:
    Dm1 *m_dm;
    QString m_table;
    bool m_ok = false;
};

// A test whose subject is the database file itself (its bytes, its side files, its folder):
// there is no such file on a server.
#define ONLY_ON_A_FILE()                                                                                               \
    do {                                                                                                               \
        if (Backend::onServer())                                                                                       \
            QSKIP("the database file itself: a server has none");                                                      \
    } while (false)

namespace Backend {
// How long a connection waits for another's lock before it gives up, cut to a fraction of a
// second for a test that makes a counter meet the lock of another (both engines).
bool shortenLockWait(const QSqlDatabase &db);
// What a counter is told when another's transaction holds what it needs, on the engine of the run.
QString lockedMessage();
}

namespace Backend {
// Runs the test object's functions once, on the test server (for what only a server does):
// without one, the run is left out with a note, or fails under CI.
int runOnServer(QObject *test, int argc, char **argv);
}

// The same with widgets (a QApplication).
#define PARVELL_BACKENDS_MAIN(TestObject)                                                                              \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return Backend::runOnEach(&tc, argc, argv);                                                                    \
    }
