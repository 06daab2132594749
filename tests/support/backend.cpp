#include "backend.h"

#include "data/databaseaddress.h"
#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

Backend::Engine g_current = Backend::Engine::Sqlite;

const QString AdminConnection = QStringLiteral("parvell_test_admin");

// The database of this test program on the server, made at its first use and dropped when the
// program ends.
struct ServerDatabase
{
    QString name = QStringLiteral("parvell_test_%1").arg(::getpid());
    bool made = false;
    QString error;

    // Dropped when the runs are over, while the program's Qt SQL is still there.
    void drop()
    {
        if (!made) {
            return;
        }
        made = false;
        QString why;
        if (DatabaseAddress {Backend::serverConninfo(), {}, true}.open(AdminConnection + QStringLiteral("_drop"), false,
                                                                       &why)) {
            QSqlQuery(QSqlDatabase::database(AdminConnection + QStringLiteral("_drop")))
                .exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        }
        DatabaseAddress::close(AdminConnection + QStringLiteral("_drop"));
    }

    // The conninfo line of the program's database.
    QString conninfo() const { return Backend::serverConninfo() + QStringLiteral(" dbname=") + name; }

    bool make()
    {
        if (made) {
            return true;
        }
        const QString connection = AdminConnection + QStringLiteral("_make");
        bool ok = DatabaseAddress {Backend::serverConninfo(), {}, true}.open(connection, false, &error);
        if (ok) {
            QSqlQuery q(QSqlDatabase::database(connection));
            ok = q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name))
                && q.exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name));
            if (!ok) {
                error = q.lastError().text();
            }
        }
        DatabaseAddress::close(connection);
        made = ok;
        return ok;
    }
};

ServerDatabase &serverDatabase()
{
    static ServerDatabase db;
    return db;
}

}

Backend::Engine Backend::current()
{
    return g_current;
}

QString Backend::name(Engine engine)
{
    return engine == Engine::Postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

QString Backend::serverConninfo()
{
    return qEnvironmentVariable("PARVELL_TEST_PG").trimmed();
}

QString Backend::freshServerDatabase()
{
    ServerDatabase &db = serverDatabase();
    if (!db.make()) {
        QTest::qFail(qPrintable(QStringLiteral("no database on the test server: ") + db.error), __FILE__, __LINE__);
        return {};
    }
    // The tables of the TempHome before go; a new one finds the database empty.
    QString why;
    bool ok = DatabaseAddress {db.conninfo(), {}, true}.open(AdminConnection, false, &why);
    if (ok) {
        QSqlQuery q(QSqlDatabase::database(AdminConnection));
        ok = q.exec(QStringLiteral("DROP SCHEMA IF EXISTS public CASCADE"))
            && q.exec(QStringLiteral("CREATE SCHEMA public"));
        if (!ok) {
            why = q.lastError().text();
        }
    }
    DatabaseAddress::close(AdminConnection);
    if (!ok) {
        QTest::qFail(qPrintable(QStringLiteral("the test database cannot be emptied: ") + why), __FILE__, __LINE__);
        return {};
    }
    return db.conninfo();
}

namespace {
int runOn(const QList<Backend::Engine> &engines, QObject *test, int argc, char **argv)
{
    using Backend::Engine;
    int failures = 0;
    for (const Engine engine : engines) {
        if (engine == Engine::Postgres && Backend::serverConninfo().isEmpty()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) {
                std::fprintf(stderr, "FAIL: PARVELL_TEST_PG is not set: the PostgreSQL run cannot be left out in CI\n");
                ++failures;
            } else {
                std::printf("PostgreSQL run left out: PARVELL_TEST_PG is not set (scripts/test.sh sets it)\n");
            }
            continue;
        }
        g_current = engine;
        std::printf("********* On %s *********\n", qPrintable(Backend::name(engine)));
        std::fflush(stdout);
        failures += QTest::qExec(test, argc, argv);
    }
    g_current = Engine::Sqlite;
    serverDatabase().drop();
    return failures;
}
}

int Backend::runOnEach(QObject *test, int argc, char **argv)
{
    return runOn({Engine::Sqlite, Engine::Postgres}, test, argc, argv);
}

int Backend::runOnServer(QObject *test, int argc, char **argv)
{
    return runOn({Engine::Postgres}, test, argc, argv);
}

Counter::Counter(const Dm1 *dm, const QString &name)
    : m_name(name)
{
    m_ok = dm->address().open(name, false, &m_error);
}

Counter::~Counter()
{
    DatabaseAddress::close(m_name);
}

QSqlDatabase Counter::database() const
{
    return QSqlDatabase::database(m_name, false);
}

Fault::Fault(Dm1 *dm, const QString &event, const QString &table, const QString &message, const QString &condition)
    : m_dm(dm)
    , m_table(table)
{
    QString text = message;
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    if (Backend::onServer()) {
        m_ok = dm->exec(QStringLiteral("CREATE FUNCTION parvell_fault() RETURNS trigger LANGUAGE plpgsql AS "
                                       "$f$ BEGIN RAISE EXCEPTION '%1'; END $f$")
                            .arg(text))
            && dm->exec(
                QStringLiteral("CREATE TRIGGER parvell_fault BEFORE %1 ON %2 FOR EACH ROW %3 "
                               "EXECUTE FUNCTION parvell_fault()")
                    .arg(event, table, condition.isEmpty() ? QString() : QStringLiteral("WHEN (%1)").arg(condition)));
    } else {
        m_ok = dm->exec(
            QStringLiteral("CREATE TRIGGER parvell_fault BEFORE %1 ON %2 %3 "
                           "BEGIN SELECT raise(abort, '%4'); END")
                .arg(event, table, condition.isEmpty() ? QString() : QStringLiteral("WHEN %1").arg(condition), text));
    }
}

Fault::~Fault()
{
    remove();
}

void Fault::remove()
{
    if (!m_ok) {
        return;
    }
    m_ok = false;
    if (Backend::onServer()) {
        m_dm->exec(QStringLiteral("DROP TRIGGER parvell_fault ON %1").arg(m_table));
        m_dm->exec(QStringLiteral("DROP FUNCTION parvell_fault()"));
    } else {
        m_dm->exec(QStringLiteral("DROP TRIGGER parvell_fault"));
    }
}

bool Backend::shortenLockWait(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    return q.exec(onServer() ? QStringLiteral("SET lock_timeout = '300ms'")
                             : QStringLiteral("PRAGMA busy_timeout=300"));
}

QString Backend::lockedMessage()
{
    return onServer() ? QStringLiteral("其他工作站正在处理该房屋，请稍后再试！")
                      : QStringLiteral("数据库正被其他工作站使用，请稍后再试！");
}
