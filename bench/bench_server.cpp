// Several counters on a PostgreSQL server: the same estate (5,000 houses, 10 fee items, 24 months:
// 1.2 million bill lines) in an SQLite file and, moved there by the migration, on the server.
// Each figure is taken through the program's own code on both engines, beside psql running the
// same statements on the server (its run less the run of an empty script, so connecting is not
// counted), with the ratios. Needs a server where it may make a database of its own: the
// conninfo line in PARVELL_TEST_PG (scripts/test.sh starts one; see below for a stand-alone one).
//
//     T=$(mktemp -d); chown postgres $T
//     runuser -u postgres -- /usr/lib/postgresql/15/bin/initdb -D $T/d -A trust -U postgres -E UTF8 --locale=C.UTF-8
//     runuser -u postgres -- /usr/lib/postgresql/15/bin/pg_ctl -D $T/d -o "-k $T -c listen_addresses=''" -w start
//     PARVELL_TEST_PG="host=$T user=postgres dbname=postgres" build-release/bench/bench_server
#include "admin/core/servermigration.h"
#include "benchsupport.h"
#include "billing/core/billgeneration.h"
#include "billing/core/payment.h"
#include "data/databaseaddress.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "paymentestate.h"
#include "reports/core/billreports.h"
#include "reports/core/reportrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
using namespace PaymentEstate;
constexpr int Payments = 25;

double msSince(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

// The list window's query: two months of the estate's lines, 100,000 rows, in house and item
// order.
QString listQuery()
{
    return u"select * from 收费明细表 where (年度='2005')and(月份 in ('10','11'))\norder by "_s
        + Dm1::orderTerm(u"房屋代码"_s) + u", "_s + Dm1::orderTerm(u"收费名称"_s);
}

BillReportFilter arrearsFilter()
{
    return {{2004, 1}, {2005, 12}, {}, {}, {}, {}};
}

struct Figures
{
    double open = 0, confirm = 0; // medians
    double list = 0;
    int listRows = 0;
    double generation = 0;
    int generated = 0;
    double arrears = 0;
    int arrearsRows = 0;
    // The reports computed on a run's worker (reading side by side where they can), best of 3.
    double months = 0, items = 0, listing = 0;
    int monthRows = 0, itemRows = 0, listingRows = 0;
};

// A month of the full listing, as the listing window asks for it.
BillReportFilter listingFilter()
{
    return {{2005, 6}, {2005, 6}, {}, {}, {}, {}};
}

// The best of three runs of a report through ReportRun (worker, 通用, the grid's rows), in ms; the
// rows in *rows; a negative time when it failed.
double viaRun(Dm1 &dm, const ReportRun::Computation &work, ReportRun::KeepRows keep, int *rows)
{
    double best = -1;
    for (int r = 0; r < 3; ++r) {
        QElapsedTimer t;
        t.start();
        QString why;
        if (!Bench::runReport(dm, work, keep, &why)) {
            std::printf("report: %s\n", qPrintable(why));
            return -1;
        }
        const double ms = msSince(t);
        *rows = dm.q_tongyong->recordCount();
        best = best < 0 ? ms : std::min(best, ms);
    }
    return best;
}

// The four figures through the program's own code on dm's database; houses from firstHouse on
// are paid.
bool measure(Dm1 &dm, int firstHouse, Figures *f)
{
    QElapsedTimer t;
    const PaymentDesk desk(dm.database());
    QList<double> opened, confirmed;
    for (int r = 0; r < Payments; ++r) {
        const int h = firstHouse + r;
        const PaymentKey key {u"2005"_s, u"12"_s, building(h), houseCode(h), owner(h), PaymentWords::WholeBill};
        PaymentDesk::Outcome why;
        t.start();
        const auto draft = desk.open(key, u"一单元"_s, &why);
        opened << msSince(t);
        if (!draft) {
            std::printf("open: %s\n", qPrintable(why.message()));
            return false;
        }
        t.start();
        const auto done = desk.confirm(*draft, cash(draft->due.toString(), r));
        confirmed << msSince(t);
        if (done.result != PaymentDesk::Result::Paid) {
            std::printf("confirm: %s\n", qPrintable(done.message()));
            return false;
        }
    }
    f->open = median(opened);
    f->confirm = median(confirmed);

    QList<double> lists;
    for (int r = 0; r < 3; ++r) {
        DataSet q(u"list"_s, u"收费明细表"_s);
        t.start();
        if (!q.openOn(listQuery().split(u'\n'))) {
            std::printf("list: %s\n", qPrintable(q.lastError()));
            return false;
        }
        lists << msSince(t);
        f->listRows = q.recordCount();
    }
    f->list = *std::min_element(lists.cbegin(), lists.cend());

    BillGeneration generation(dm.database());
    t.start();
    const auto made = generation.generateEstate({2006, 1});
    f->generation = msSince(t);
    f->generated = made.lines;
    if (!made.error.isEmpty() || !made.failed.isEmpty()) {
        std::printf("generation: %s\n", qPrintable(made.message()));
        return false;
    }

    QList<double> reports;
    for (int r = 0; r < 3; ++r) {
        QString error;
        t.start();
        if (!ReportRun::runHere([](const QSqlDatabase &db, ScratchSink &out,
                                   QString *why) { return BillReports::arrears(db, arrearsFilter(), out, why); },
                                dm.q_tongyong, &error)) {
            std::printf("arrears: %s\n", qPrintable(error));
            return false;
        }
        reports << msSince(t);
        f->arrearsRows = dm.q_tongyong->recordCount();
    }
    f->arrears = *std::min_element(reports.cbegin(), reports.cend());

    const BillReportFilter all = arrearsFilter(), june = listingFilter();
    f->months = viaRun(
        dm,
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::monthTotals(db, all, out, e);
        },
        ReportRun::KeepRows::OnWorker, &f->monthRows);
    f->items = viaRun(
        dm,
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::itemTotals(db, all, out, e);
        },
        ReportRun::KeepRows::OnWorker, &f->itemRows);
    f->listing = viaRun(
        dm,
        [june](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::listing(db, BillReports::Listing::All, june, out, e);
        },
        ReportRun::KeepRows::OnWindow, &f->listingRows);
    return f->months >= 0 && f->items >= 0 && f->listing >= 0;
}

// A text as an SQL literal, for the psql scripts.
QString literal(const QString &text)
{
    return u"'"_s + QString(text).replace(u'\'', u"''"_s) + u"'"_s;
}

// A report's statement with its values written in, for psql.
QString written(const BillReports::Statement &st)
{
    QString sql = st.sql;
    qsizetype at = 0;
    for (const QVariant &v : st.binds) {
        at = sql.indexOf(u'?', at);
        const QString value = v.typeId() == QMetaType::QString ? literal(v.toString()) : v.toString();
        sql.replace(at, 1, value);
        at += value.size();
    }
    return sql;
}

// psql's time for a script: its run less the run of an empty script (connecting, starting).
class Psql
{
public:
    explicit Psql(const QString &conninfo)
        : m_conninfo(conninfo)
    {
        m_empty = best(u"select 1;"_s, 5);
    }
    double time(const QString &script, int runs = 1) const { return std::max(0.0, best(script, runs) - m_empty); }

private:
    double best(const QString &script, int runs) const
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"script.sql"_s);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(script.toUtf8());
        f.close();
        double fastest = -1;
        for (int r = 0; r < runs; ++r) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer t;
            t.start();
            p.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-d"_s, m_conninfo, u"-f"_s, path});
            p.waitForFinished(-1);
            const double ms = msSince(t);
            if (p.exitCode() != 0) {
                std::printf("psql: %s\n", p.readAllStandardError().constData());
                return -1;
            }
            fastest = fastest < 0 ? ms : std::min(fastest, ms);
        }
        return fastest;
    }

    QString m_conninfo;
    double m_empty = 0;
};

// The statements of one whole-bill payment as PaymentDesk runs them, values written out.
QString paymentScript(int h, int n)
{
    const QString code = literal(houseCode(h)), b = literal(building(h)), o = literal(owner(h));
    const QString lines = u"(房屋代码=%1)and(年度='2005')and(月份='12')and(缴费状态='未缴费')"_s.arg(code);
    return u"BEGIN;\n"
           "SELECT 房屋代码 FROM 房屋资料 WHERE 房屋代码 IN (%1) ORDER BY 房屋代码 COLLATE \"C\" FOR UPDATE;\n"
           "select 零头 from 房屋资料 where (房屋代码=%1)and(楼宇名称=%2);\n"
           "select id,实收金额,收费金额,现金,支票,零头,缴费时间,缴费方式,单据号码,缴费人,收款人,备注 from 收费汇总表 "
           "where (年度='2005')and(月份='12')and(楼宇名称=%2)and(房屋代码=%1)and(业主名称=%3)and(收费项目='按单缴费') "
           "order by id;\n"
           "select sum(收费金额),count(*) from 收费明细表 where %4;\n"
           "insert into 收费汇总表 (楼宇单元,收费金额,实收金额,上次零头,缴费时间,缴费方式,单据号码,缴费人,收款人,"
           "操作人员,操作日期,年度,月份,楼宇名称,房屋代码,业主名称,收费项目) values ('一单元',1000,1000,0,"
           "'2005-12-20 00:00:00','现金','P%5','业主','管理员','管理员','2005-12-20 10:00:00','2005','12',%2,%1,%3,"
           "'按单缴费');\n"
           "update 收费明细表 set 缴费状态='现金',缴费时间='2005-12-20 00:00:00',缴费人='业主',收款人='管理员',"
           "单据号码='P%5' where %4;\n"
           "update 房屋资料 set 零头=coalesce(零头,0)+0 where (房屋代码=%1)and(楼宇名称=%2);\n"
           "COMMIT;\n"_s.arg(code, b, o, lines)
               .arg(n);
}

// A house's lines of a month as BillGeneration's statement makes them, values written out.
QString generationStatement(int h, int year, int month)
{
    const QString code = literal(houseCode(h));
    const QDate first(year, month, 1);
    const QDate before = first.addMonths(-1);
    return u"insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 单价, 计算公式, "
           u"收费面积, "
           "\"面积/数量\", 本月表数, 上月表数, 开始日期, 结束日期, 收费金额, 年度, 月份, 缴费状态) "
           "select h.房屋代码, h.房屋名称, h.业主名称, h.楼宇名称, h.楼宇单元, i.收费名称, coalesce(i.单价, 0), "
           "i.计算公式, i.收费面积, coalesce(i.预付金额, 0) / 10000.0, 0, "
           "coalesce(case when i.计算公式='单价*(本月数-上月数)' then (select p.本月表数 from 收费明细表 p "
           "where (p.收费名称=i.收费名称)and(p.房屋代码=%1)and(p.年度='%2')and(p.月份='%3') order by p.id limit 1) "
           "end, 0), "
           "'%4', '%5', 0, '%6', '%7', '未缴费' from 房屋收费项目 i, 房屋资料 h "
           "where (i.房屋代码=%1)and(h.id=(select min(c.id) from 房屋资料 c where c.房屋代码=%1)) "
           "and not exists (select x.id from 收费明细表 x where (x.房屋代码=%1)and(x.年度='%6')and(x.月份='%7')) "
           "order by i.收费名称, i.id;\n"_s.arg(code)
               .arg(before.year())
               .arg(before.month())
               .arg(first.toString(u"yyyy-MM-dd 00:00:00"_s),
                    QDate(year, month, first.daysInMonth()).toString(u"yyyy-MM-dd 00:00:00"_s))
               .arg(year)
               .arg(month);
}

void row(const char *what, double server, double psql, double sqlite)
{
    std::printf("  %-44s %10.2f %10.2f %7.2fx %10.2f %7.2fx\n", what, server, psql, psql > 0 ? server / psql : 0.0,
                sqlite, sqlite > 0 ? server / sqlite : 0.0);
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString base = qEnvironmentVariable("PARVELL_TEST_PG").trimmed();
    if (base.isEmpty()) {
        std::printf("PARVELL_TEST_PG is not set: no server to measure on\n");
        return 1;
    }
    const QString name = u"parvell_bench_%1"_s.arg(QCoreApplication::applicationPid());
    const DatabaseAddress admin {base, {}, true};
    QString error;
    if (!admin.open(u"admin"_s, false, &error)
        || !QSqlQuery(QSqlDatabase::database(u"admin"_s))
                .exec(u"CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0"_s.arg(name))) {
        std::printf("cannot make the bench database: %s\n", qPrintable(error));
        return 1;
    }
    const QString conninfo = base + u" dbname="_s + name;
    int rc = 1;
    {
        Figures onFile, onServer;
        QTemporaryDir fileHome, serverHome;
        QElapsedTimer t;
        {
            Dm1 dm(fileHome.path());
            t.start();
            // The fee items the lines name, for the totals by item.
            if (!dm.openConnection() || !fill(dm, true, &error)
                || !dm.exec(u"INSERT INTO 收费项目 (收费名称) SELECT DISTINCT 收费名称 FROM 收费明细表 ORDER BY 1"_s,
                            {}, &error)) {
                std::printf("cannot fill the estate: %s %s\n", qPrintable(dm.lastError()), qPrintable(error));
                return 1;
            }
            std::printf("estate: %d houses, %lld bill lines, %lld payment records; filled in %.1f s\n", Houses,
                        dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong(),
                        dm.scalar(u"select count(*) from 收费汇总表"_s).toLongLong(), t.elapsed() / 1000.0);
        }
        // The estate moved onto the server as an office moves it.
        {
            Dm1 dm(fileHome.path());
            qint64 rows = 0;
            t.start();
            if (!ServerMigration::migrate(dm.databasePath(), {conninfo, {}, true}, &error, &rows)) {
                std::printf("migration: %s\n", qPrintable(error));
                return 1;
            }
            std::printf("migration onto the server: %lld rows in %.1f s\n", rows, t.elapsed() / 1000.0);
        }
        {
            QSqlQuery(QSqlDatabase::database(u"admin"_s)).exec(u"select 1"_s);
            DatabaseAddress {conninfo, {}, true}.open(u"analyze"_s, false, &error);
            QSqlQuery(QSqlDatabase::database(u"analyze"_s)).exec(u"VACUUM ANALYZE"_s);
            DatabaseAddress::close(u"analyze"_s);
        }
        {
            Dm1 dm(fileHome.path());
            if (!dm.openConnection() || !measure(dm, 0, &onFile)) {
                return 1;
            }
        }
        {
            QDir(serverHome.path()).mkpath(u"data"_s);
            QFile conf(QDir(serverHome.path()).filePath(u"data/server.conf"_s));
            conf.open(QIODevice::WriteOnly);
            conf.write(conninfo.toUtf8() + '\n');
            conf.close();
            Dm1 dm(serverHome.path());
            if (!dm.openConnection()) {
                std::printf("server: %s\n", qPrintable(dm.lastError()));
                return 1;
            }
            if (!measure(dm, 0, &onServer)) {
                return 1;
            }
        }

        // psql on the same server database: other houses, another month.
        const Psql psql(conninfo);
        QString payments;
        for (int r = 0; r < Payments; ++r) {
            payments += paymentScript(1000 + r, r);
        }
        const double psqlPayment = psql.time(payments) / Payments;
        const double psqlList = psql.time(u"COPY ("_s + listQuery() + u") TO STDOUT;\n"_s, 3);
        QString generation;
        for (int h = 0; h < Houses; ++h) {
            if (h % 500 == 0) {
                generation += u"BEGIN;\n"_s;
            }
            generation += generationStatement(h, 2006, 2);
            if (h % 500 == 499) {
                generation += u"COMMIT;\n"_s;
            }
        }
        const double psqlGeneration = psql.time(generation);
        // The reports' own plain statements, one after the other.
        const auto copied = [](const BillReports::Statement &st) -> QString {
            return u"COPY ("_s + written(st) + u") TO STDOUT;\n"_s;
        };
        const double psqlArrears =
            psql.time(copied(BillReports::houseMonthSums(arrearsFilter(), BillReports::Lines::Unpaid))
                          + u"COPY (SELECT 房屋代码, 楼宇名称, 业主名称 FROM 房屋资料 ORDER BY "_s
                          + Dm1::orderTerm(u"房屋代码"_s) + u", id) TO STDOUT;\n"_s,
                      3);
        const double psqlMonths =
            psql.time(copied(BillReports::houseMonthSums(arrearsFilter(), BillReports::Lines::Unpaid))
                          + copied(BillReports::houseMonthSums(arrearsFilter(), BillReports::Lines::All)),
                      3);
        const double psqlItems = psql.time(
            copied(BillReports::unpaidItemLines(arrearsFilter())) + copied(BillReports::itemSums(arrearsFilter())), 3);
        const double psqlListing =
            psql.time(u"COPY (SELECT 收费金额, 收费名称, 缴费状态, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 年度, 月份 "
                      u"FROM 收费明细表 "
                      "WHERE 开始日期 BETWEEN '2005-06-01 00:00:00' AND '2005-06-01 23:59:59' ORDER BY "_s
                          + Dm1::orderTerm(u"房屋代码"_s) + u", 开始日期, "_s + Dm1::orderTerm(u"收费名称"_s)
                          + u", id) TO STDOUT;\n"_s,
                      3);

        std::printf("\n  %-44s %10s %10s %8s %10s %8s\n", "milliseconds", "PostgreSQL", "psql", "ratio", "SQLite",
                    "ratio");
        row("payment: opening (PaymentDesk::open, median)", onServer.open, 0, onFile.open);
        row("payment: confirmation (median)", onServer.confirm, psqlPayment, onFile.confirm);
        std::printf("  list window over %d rows (DataSet::openOn, best of 3)\n", onServer.listRows);
        row("", onServer.list, psqlList, onFile.list);
        std::printf("  whole-estate generation of a month (%d lines)\n", onServer.generated);
        row("", onServer.generation, psqlGeneration, onFile.generation);
        std::printf("  arrears report, 24 months, all houses (%d rows, best of 3)\n", onServer.arrearsRows);
        row("", onServer.arrears, psqlArrears, onFile.arrears);
        const struct
        {
            const char *name;
            int rows;
            double server, psql, file;
        } reports[] = {
            {"totals by month, 24 months", onServer.monthRows, onServer.months, psqlMonths, onFile.months},
            {"totals by fee item, 24 months", onServer.itemRows, onServer.items, psqlItems, onFile.items},
            {"full listing, one month", onServer.listingRows, onServer.listing, psqlListing, onFile.listing}};
        for (const auto &r : reports) {
            std::printf("  %s (%d rows, on a worker, best of 3)\n", r.name, r.rows);
            row("", r.server, r.psql, r.file);
        }
        rc = onServer.listRows == onFile.listRows && onServer.arrearsRows == onFile.arrearsRows
                && onServer.generated == onFile.generated && onServer.monthRows == onFile.monthRows
                && onServer.itemRows == onFile.itemRows && onServer.listingRows == onFile.listingRows
            ? 0
            : 1;
        if (rc != 0) {
            std::printf("the engines disagree on the rows\n");
        }
    }
    QSqlQuery(QSqlDatabase::database(u"admin"_s)).exec(u"DROP DATABASE %1 WITH (FORCE)"_s.arg(name));
    DatabaseAddress::close(u"admin"_s);
    return rc;
}
