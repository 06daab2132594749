// Two years of bills of a large estate: 5,000 houses × 10 fee items × 24 months = 1.2 million
// bill lines. Times opening a data set over all of them (and its peak memory), the statements
// that pay and report one house's month, and a report written into 通用, each beside the sqlite3
// tool (or a bare SQLite C loop) doing the same work on the same database.
//
//   bench_billlines [houses] [runs]        (defaults 5000 and 5)

#include "benchsupport.h"
#include "data/billlinesql.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/scratchwriter.h"
#include "data/transaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList ListQuery = {u"select * from 收费明细表"_s, u"order by 房屋代码"_s};

// The bare C loop: every value of every row read as the data set reads it.
Bench::Time cLoop(sqlite3 *db, const QString &sql, qint64 *sink)
{
    return Bench::measure([&] {
        sqlite3_stmt *s = nullptr;
        const QByteArray text = sql.toUtf8();
        sqlite3_prepare_v2(db, text.constData(), int(text.size()), &s, nullptr);
        const int n = sqlite3_column_count(s);
        while (sqlite3_step(s) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(s, i)) {
                case SQLITE_INTEGER:
                    *sink += sqlite3_column_int64(s, i);
                    break;
                case SQLITE_FLOAT:
                    *sink += qint64(sqlite3_column_double(s, i));
                    break;
                case SQLITE_NULL:
                    break;
                default:
                    *sink += sqlite3_column_bytes(s, i) + *sqlite3_column_text(s, i);
                    break;
                }
            }
        }
        sqlite3_finalize(s);
    });
}

struct HouseMonth
{
    QString code, year, month, item;
};

QString literal(const QString &v)
{
    return u"'"_s + QString(v).replace(u"'"_s, u"''"_s) + u"'"_s;
}

// The statement with its "?" replaced by the values, for the tool's script.
QString spliced(QString sql, const QStringList &values)
{
    for (const QString &v : values) {
        sql.replace(sql.indexOf(u'?'), 1, literal(v));
    }
    return sql.replace(u'\n', u' ') + u";\n"_s;
}

// Times one statement over every house-month: through the program's path, the tool reading a
// script of the same statements, and a C loop preparing it once.
void perHouse(Dm1 &dm, const QString &database, const QString &label, const QString &sql,
              const QList<HouseMonth> &cases, bool update, const std::function<void(const HouseMonth &)> &ours,
              int runs)
{
    const QStringList paid = {u"现金"_s, u"2004-09-01 00:00:00"_s, u"张伟"_s, u"管理员"_s, u"20040900001"_s};
    auto bindsOf = [&](const HouseMonth &c) {
        QStringList v = update ? paid : QStringList();
        v << c.code << c.year << c.month;
        if (sql.count(u'?') > v.size()) {
            v << c.item;
        }
        return v;
    };
    QTemporaryDir dir;
    const QString script = dir.filePath(u"script.sql"_s);
    {
        QFile f(script);
        f.open(QIODevice::WriteOnly);
        f.write(update ? "BEGIN;\n" : "");
        for (const HouseMonth &c : cases) {
            f.write(spliced(sql, bindsOf(c)).toUtf8());
        }
        f.write(update ? "ROLLBACK;\n" : "");
    }
    sqlite3 *db = Bench::handleOf(dm);
    QList<Bench::Time> mine, tool, loop;
    for (int r = 0; r < runs; ++r) {
        {
            Transaction tx(dm.database()); // updates are undone, so every run finds the same lines
            mine << Bench::measure([&] {
                        for (const HouseMonth &c : cases) {
                            ours(c);
                        }
                    })
                    / cases.size();
            loop << Bench::measure([&] {
                        sqlite3_stmt *s = nullptr;
                        const QByteArray text = sql.toUtf8();
                        sqlite3_prepare_v2(db, text.constData(), int(text.size()), &s, nullptr);
                        for (const HouseMonth &c : cases) {
                            const QStringList v = bindsOf(c);
                            for (int i = 0; i < v.size(); ++i) {
                                const QByteArray b = v[i].toUtf8();
                                sqlite3_bind_text(s, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                            }
                            while (sqlite3_step(s) == SQLITE_ROW) { }
                            sqlite3_reset(s);
                        }
                        sqlite3_finalize(s);
                    })
                    / cases.size();
            tx.rollback();
        }
        tool << Bench::runTool(database, {}, {}, script) / cases.size();
    }
    Bench::report(label + u" (per statement)"_s, Bench::median(mine), Bench::median(tool), u"sqlite3 tool"_s);
    Bench::report(u"    same, bare C loop prepared once"_s, Bench::median(mine), Bench::median(loop), u"C loop"_s);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int houses = argc > 1 ? qMax(100, atoi(argv[1])) : 5000;
    const int runs = argc > 2 ? qMax(1, atoi(argv[2])) : 5;
    QTemporaryDir home;
    Dm1 dm(home.path());
    QString error;
    if (!dm.openConnection()) {
        std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(dm.lastError()));
        return 1;
    }
    const double made = Bench::measure([&] { Bench::fillEstate(dm, houses, 10, 24, &error); }).wall;
    const qint64 lines = dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong();
    if (!error.isEmpty() || lines != qint64(houses) * 240) {
        std::fprintf(stderr, "estate not made: %s\n", qPrintable(error));
        return 1;
    }
    const QString database = dm.databasePath();
    std::printf("estate: %d houses, %lld bill lines of 26 columns, made in %.1f s; %.0f MiB file\n", houses, lines,
                made, QFile(database).size() / 1048576.0);
    if (Bench::sqliteTool().isEmpty()) {
        std::printf("(the sqlite3 tool is not installed: bare C loops are the baseline)\n");
    }

    // Opening a data set over every line, as a listing window does.
    const QString sql = ListQuery.join(u'\n');
    Bench::runTool(database, {}, sql); // the file into the page cache
    const double before = Bench::peakMiB();
    QList<Bench::Time> mine, tool, loop;
    qint64 sink = 0;
    int rows = 0;
    for (int r = 0; r < runs; ++r) {
        tool << Bench::runTool(database, {}, sql);
        loop << cLoop(Bench::handleOf(dm), sql, &sink);
        DataSet ds(u"q_lines"_s, u"收费明细表"_s);
        ds.setSql(ListQuery);
        mine << Bench::measure([&] { ds.open(); });
        rows = ds.recordCount();
    }
    std::printf("\nopen a data set over %d bill lines (select * ... order by 房屋代码), median of %d:\n", rows, runs);
    Bench::report(u"DataSet::open"_s, Bench::median(mine), Bench::median(tool), u"sqlite3 tool"_s);
    Bench::report(u"DataSet::open"_s, Bench::median(mine), Bench::median(loop), u"C loop"_s);
    std::printf("peak memory: %.0f MiB (%.0f MiB before the first opening; target 600)\n", Bench::peakMiB(), before);

    // The per-house statements of paying a bill and of the arrears report.
    QList<HouseMonth> cases;
    QRandomGenerator random(2004);
    static const char *const Items[] = {"物业管理费", "水费", "电费", "燃气费", "停车费"};
    for (int i = 0; i < 1000; ++i) {
        const int h = random.bounded(houses);
        const QDate month = QDate(2004, 1, 1).addMonths(random.bounded(24));
        cases.append({u"%1-%2"_s.arg(h / 100 + 1, 2, 10, QLatin1Char('0')).arg(h % 100 + 101),
                      QString::number(month.year()), QString::number(month.month()),
                      QString::fromUtf8(Items[random.bounded(5)])});
    }
    std::printf("\none house's month among %lld lines, 1000 house-months, median of %d:\n", lines, runs);
    perHouse(
        dm, database, u"amount due (Dm1::scalar)"_s, BillLineSql::amountDue(), cases, false,
        [&](const HouseMonth &c) {
            dm.scalar(BillLineSql::amountDue(), {c.code, c.year, c.month});
        },
        runs);
    perHouse(
        dm, database, u"arrears of a month (q_search)"_s, BillLineSql::arrearsOfMonth().join(u'\n'), cases, false,
        [&](const HouseMonth &c) {
            DataSet *q = dm.q_search;
            q->close();
            q->setSql(BillLineSql::arrearsOfMonth());
            q->clearBindings();
            q->bindPositional(c.code);
            q->bindPositional(c.year);
            q->bindPositional(c.month);
            q->setFieldKind(u"zje"_s, FieldKind::Money);
            q->open();
            sink += q->money(u"zje"_s).value_or(Money()).raw();
            q->close();
        },
        runs);
    perHouse(
        dm, database, u"the bill of a month (a DataSet)"_s, BillLineSql::unpaidLinesOfMonth().join(u'\n'), cases, false,
        [&](const HouseMonth &c) {
            DataSet q(u"q_jiaofeidan"_s, u"收费明细表"_s);
            q.setSql(BillLineSql::unpaidLinesOfMonth());
            q.bindPositional(c.code);
            q.bindPositional(c.year);
            q.bindPositional(c.month);
            q.open();
            sink += q.recordCount();
        },
        runs);
    const QVariantList paid = {u"现金"_s, u"2004-09-01 00:00:00"_s, u"张伟"_s, u"管理员"_s, u"20040900001"_s};
    perHouse(
        dm, database, u"mark the bill paid (Dm1::exec)"_s, BillLineSql::markBillPaid(), cases, true,
        [&](const HouseMonth &c) {
            dm.exec(BillLineSql::markBillPaid(), paid + QVariantList {c.code, c.year, c.month});
        },
        runs);
    perHouse(
        dm, database, u"mark one line paid (Dm1::exec)"_s, BillLineSql::markLinePaid(), cases, true,
        [&](const HouseMonth &c) {
            dm.exec(BillLineSql::markLinePaid(), paid + QVariantList {c.code, c.year, c.month, c.item});
        },
        runs);
    std::printf("(updates inside one transaction in every column: the statement's own cost, without the "
                "commit's sync)\n");

    // A report into 通用: the arrears of every house and month, one row each.
    const QString unpaid = u"select 房屋代码, 年度, 月份, sum(收费金额) from 收费明细表 where 缴费状态='未缴费' "
                           "group by 房屋代码, 年度, 月份 order by 房屋代码"_s;
    std::printf("\na report into 通用, median of %d:\n", runs);
    QList<Bench::Time> select, rowByRow, toolSelect;
    int written = 0;
    for (int r = 0; r < runs; ++r) {
        select << Bench::measure([&] {
            dm.fillScratch([&](ScratchWriter &out) {
                return out.appendSelect({u"textc"_s, u"texta"_s, u"textb"_s, u"moneya"_s}, unpaid);
            });
        });
        written = dm.q_tongyong->recordCount();
        toolSelect << Bench::runTool(database, {},
                                     u"begin; delete from 通用; insert into 通用 (textc, texta, textb, moneya) "_s
                                         + unpaid + u"; rollback;"_s);
        const QString rowSql =
            u"select 房屋代码, 年度, 月份 from 收费明细表 where 缴费状态='未缴费' group by 房屋代码, 年度, 月份"_s;
        rowByRow << Bench::measure([&] {
            QSqlQuery keys(dm.database());
            keys.exec(rowSql);
            QList<QStringList> all;
            while (keys.next()) {
                all.append({keys.value(0).toString(), keys.value(1).toString(), keys.value(2).toString()});
            }
            keys.finish();
            dm.fillScratch([&](ScratchWriter &out) {
                for (const QStringList &k : std::as_const(all)) {
                    const Money due =
                        Money::fromStored(dm.scalar(BillLineSql::amountDue(), {k[0], k[1], k[2]})).value_or(Money());
                    if (!out.append({{"textc", k[0]},
                                     {"texta", k[1]},
                                     {"textb", k[2]},
                                     {"moneya", QVariant::fromValue(due)}})) {
                        return false;
                    }
                }
                return true;
            });
        });
    }
    Bench::report(u"INSERT ... SELECT, %1 rows"_s.arg(written), Bench::median(select), Bench::median(toolSelect),
                  u"sqlite3 tool"_s);
    Bench::report(u"a sum and an insert per row, %1 rows"_s.arg(written), Bench::median(rowByRow),
                  Bench::median(toolSelect), u"sqlite3 tool"_s);
    const Bench::Time committedEach = Bench::measure([&] {
                                          for (int i = 0; i < 200; ++i) {
                                              dm.exec(u"insert into 通用 (texta) values (?)"_s, {QString::number(i)});
                                          }
                                      })
        / 200;
    std::printf("(for comparison: a row committed on its own takes %.3f ms, cpu %.3f ms)\n", committedEach.wall * 1e3,
                committedEach.cpu * 1e3);
    return sink == 42 ? 2 : 0;
}
