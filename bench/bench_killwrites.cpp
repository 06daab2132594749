// Power cuts during writes: a worker process writes through the program's own paths (deposits
// with their balance update in one Transaction, data-set edits and appends) until it is killed
// with SIGKILL at a random moment; after every kill the database is opened as the program
// opens it and the invariants are checked. Every tenth run starts from an empty home, so the
// kill may also fall into the first start (building the new database).
//
//     bench_killwrites [runs]          (default 300)
//
// Prints the runs, the kills that hit a running worker, the invariant failures and, beside the
// worker's throughput, a bare SQLite loop doing the same deposit statements as the baseline.
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr int Houses = 20;
constexpr int Buildings = 5;

QString houseCode(int i)
{
    return QStringLiteral("H%1").arg(i, 3, 10, QLatin1Char('0'));
}

// The estate the worker writes to, made in one transaction on the first run.
bool prepare(Dm1 &dm)
{
    if (dm.scalar(QStringLiteral("select count(*) from 房屋资料")).toInt() > 0) {
        return true;
    }
    return dm.inTransaction([&dm](QString *e) {
        for (int b = 0; b < Buildings; ++b) {
            if (!dm.exec(QStringLiteral("insert into 楼宇资料 (楼宇名称, 楼宇层数, 备注) values (?, 0, '0')"),
                         {QStringLiteral("楼%1").arg(b)}, e)) {
                return false;
            }
        }
        for (int h = 0; h < Houses; ++h) {
            if (!dm.exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称, 押金) values (?, ?, 0)"),
                         {houseCode(h), QStringLiteral("楼%1").arg(h % Buildings)}, e)) {
                return false;
            }
        }
        return true;
    });
}

// A deposit movement and the house's balance, together or not at all: through Dm1 statements,
// or (second form) a row appended through a DataSet beside a Dm1 statement.
bool deposit(Dm1 &dm, DataSet &movements, QRandomGenerator &rnd, bool throughDataSet)
{
    const QString house = houseCode(int(rnd.bounded(Houses)));
    const bool received = rnd.bounded(3) != 0;
    const qint64 amount = qint64(rnd.bounded(1, 5000000));
    const qint64 delta = received ? amount : -amount;
    Transaction tx;
    if (!tx.begun()) {
        return false;
    }
    bool ok;
    if (throughDataSet) {
        movements.append();
        movements.setText(QStringLiteral("房屋代码"), house);
        movements.setText(QStringLiteral("操作类型"), received ? QStringLiteral("收取") : QStringLiteral("退还"));
        movements.setMoney(QStringLiteral("金额"), Money::fromRaw(amount));
        ok = movements.post();
        if (!ok) {
            movements.cancel();
        }
    } else {
        ok = dm.exec(QStringLiteral("insert into 押金明细表 (房屋代码, 操作类型, 金额) values (?, ?, ?)"),
                     {house, received ? QStringLiteral("收取") : QStringLiteral("退还"), amount});
    }
    ok = ok && dm.exec(QStringLiteral("update 房屋资料 set 押金=押金+? where 房屋代码=?"), {delta, house});
    return ok && tx.commit();
}

// An edit of two fields of one row through the data set: both are written or neither.
bool editBuilding(DataSet &buildings, QRandomGenerator &rnd)
{
    buildings.moveTo(int(rnd.bounded(buildings.recordCount())));
    const qint64 floors = qint64(rnd.bounded(1, 100));
    if (!buildings.edit()) {
        return false;
    }
    buildings.setInteger(QStringLiteral("楼宇层数"), floors);
    buildings.setText(QStringLiteral("备注"), QString::number(floors));
    if (!buildings.post()) {
        buildings.cancel();
        return false;
    }
    return true;
}

int work(const QString &home)
{
    Dm1 dm(home);
    if (!dm.openConnection() || !prepare(dm)) {
        std::fprintf(stderr, "worker: %s\n", qPrintable(dm.lastError()));
        return 2;
    }
    DataSet buildings, movements;
    buildings.setSql({QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称")});
    movements.setSql({QStringLiteral("select * from 押金明细表 where id < 0"), QStringLiteral("order by id")});
    if (!buildings.open() || !movements.open()) {
        return 2;
    }
    QRandomGenerator rnd(quint32(QCoreApplication::applicationPid()));
    std::printf("started\n");
    std::fflush(stdout);
    for (qint64 n = 0;; ++n) {
        switch (n % 3) {
        case 0:
            deposit(dm, movements, rnd, false);
            break;
        case 1:
            deposit(dm, movements, rnd, true);
            break;
        default:
            editBuilding(buildings, rnd);
        }
    }
}

struct Check
{
    bool databaseThere = false;
    QStringList failures;
};

// Opens the home as the program does and checks what must hold after any kill.
Check check(const QString &home)
{
    Check result;
    const QString dataDir = QDir(home).filePath(QStringLiteral("data"));
    if (!QFile::exists(QDir(dataDir).filePath(QStringLiteral("data.db")))) {
        return result; // killed before the first start named its database: nothing to hold
    }
    result.databaseThere = true;
    Dm1 dm(home);
    if (!dm.openConnection()) {
        result.failures << QStringLiteral("does not open: ") + dm.lastError();
        return result;
    }
    const auto expect = [&result](bool ok, const QString &what) {
        if (!ok) {
            result.failures << what;
        }
    };
    expect(dm.scalar(QStringLiteral("PRAGMA integrity_check")).toString() == QLatin1String("ok"), "integrity check");
    expect(dm.scalar(QStringLiteral("select count(*) from 权限表")).toInt() == 1, "one operator");
    expect(dm.scalar(QStringLiteral("select count(*) from 公司信息")).toInt() == 1, "one organisation row");
    const int houses = dm.scalar(QStringLiteral("select count(*) from 房屋资料")).toInt();
    expect(houses == 0 || houses == Houses, "the estate made whole or not at all");
    expect(
        dm.scalar(QStringLiteral("select count(*) from 房屋资料 h where h.押金 <> "
                                 "(select coalesce(sum(case when d.操作类型='收取' then d.金额 else -d.金额 end), 0) "
                                 "from 押金明细表 d where d.房屋代码=h.房屋代码)"))
                .toInt()
            == 0,
        "each deposit balance equals its movements");
    expect(dm.scalar(QStringLiteral("select count(*) from 楼宇资料 where cast(楼宇层数 as text) <> 备注")).toInt() == 0,
           "each edited row written whole");
    dm.closeConnection();
    const QStringList left = QDir(dataDir).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : left) {
        expect(name.startsWith(QLatin1String("data.db")), QStringLiteral("leftover ") + name);
    }
    return result;
}

// Deposits per second through Dm1/Transaction, and through a bare SQLite loop on the same
// kind of file (WAL, synchronous=FULL), for one second each.
void throughput()
{
    QTemporaryDir dir;
    double ours = 0;
    {
        Dm1 dm(dir.path());
        if (!dm.openConnection() || !prepare(dm)) {
            return;
        }
        DataSet movements;
        movements.setSql({QStringLiteral("select * from 押金明细表 where id < 0"), QStringLiteral("order by id")});
        movements.open();
        QRandomGenerator rnd(1);
        QElapsedTimer t;
        t.start();
        int n = 0;
        while (t.elapsed() < 1000) {
            n += deposit(dm, movements, rnd, false) ? 1 : 0;
        }
        ours = n * 1000.0 / double(t.elapsed());
    }
    double bare = 0;
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("data/data.db"))).constData(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr, *update = nullptr;
        sqlite3_prepare_v2(db, "insert into 押金明细表 (房屋代码, 操作类型, 金额) values (?, '收取', ?)", -1, &insert,
                           nullptr);
        sqlite3_prepare_v2(db, "update 房屋资料 set 押金=押金+? where 房屋代码=?", -1, &update, nullptr);
        QElapsedTimer t;
        t.start();
        int n = 0;
        while (t.elapsed() < 1000) {
            const QByteArray house = houseCode(n % Houses).toUtf8();
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            sqlite3_bind_text(insert, 1, house.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 2, 100);
            sqlite3_step(insert);
            sqlite3_reset(insert);
            sqlite3_bind_int64(update, 1, 100);
            sqlite3_bind_text(update, 2, house.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_step(update);
            sqlite3_reset(update);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            ++n;
        }
        bare = n * 1000.0 / double(t.elapsed());
        sqlite3_finalize(insert);
        sqlite3_finalize(update);
        sqlite3_close(db);
    }
    std::printf("deposits per second: %.0f through Dm1/Transaction, %.0f bare SQLite loop, ratio %.2f\n", ours, bare,
                bare > 0 ? ours / bare : 0.0);
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("worker")) {
        return work(args.value(2));
    }
    const int runs = args.size() > 1 ? args.value(1).toInt() : 300;
    QTemporaryDir base;
    QRandomGenerator rnd(20040815);
    const QString home = base.filePath(QStringLiteral("home"));
    int kills = 0, firstStartKills = 0, withoutDatabase = 0, failedRuns = 0;
    for (int run = 0; run < runs; ++run) {
        const bool fresh = run % 10 == 0;
        if (fresh) {
            QDir(home).removeRecursively();
        }
        QProcess worker;
        worker.start(QCoreApplication::applicationFilePath(), {QStringLiteral("worker"), home});
        if (!worker.waitForStarted()) {
            std::fprintf(stderr, "cannot start the worker\n");
            return 2;
        }
        // Kills on a fresh home fall anywhere in the first start; later ones into the writes.
        if (fresh) {
            QThread::msleep(rnd.bounded(0, 150));
        } else {
            worker.waitForReadyRead(5000);
            QThread::msleep(rnd.bounded(5, 120));
        }
        if (worker.state() == QProcess::Running) {
            ++kills;
            firstStartKills += fresh ? 1 : 0;
        }
        worker.kill();
        worker.waitForFinished();
        const Check c = check(home);
        withoutDatabase += c.databaseThere ? 0 : 1;
        if (!c.failures.isEmpty()) {
            ++failedRuns;
            std::printf("run %d: %s\n", run, qPrintable(c.failures.join(QStringLiteral("; "))));
        }
    }
    std::printf("runs %d, kills %d (%d during a first start, %d left no database yet), invariant failures %d\n", runs,
                kills, firstStartKills, withoutDatabase, failedRuns);
    throughput();
    return failedRuns == 0 ? 0 : 1;
}
