// Bill lines of a month for 5,000 houses × 10 fee items (50,000 lines): the whole-estate
// generation, beside a bare INSERT … SELECT making the same rows. Then "业主应缴费用管理" on a
// database of 1.2 million lines (24 months): opening the window and switching houses, beside the
// bare SQLite reads of the same rows.
#include "benchsupport.h"
#include "billing/core/billgeneration.h"
#include "billing/jiaofeidan.h"
#include "components/common/preparation.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>

namespace {
constexpr int Houses = 5000;
const QString Meter = QStringLiteral("单价*(本月数-上月数)");

struct Item
{
    const char *name;
    QString formula;
    qint64 price;
};

const QList<Item> &items()
{
    static const QList<Item> list = {
        {"物业管理费", QStringLiteral("单价*面积"), 12000},
        {"水费", Meter, 25000},
        {"电费", Meter, 5800},
        {"有线电视费", QStringLiteral("直接输入金额"), 180000},
        {"垃圾清运费", QStringLiteral("直接输入金额"), 50000},
        {"车位管理费", QStringLiteral("单价*数量"), 1500000},
        {"电梯费", QStringLiteral("单价*面积"), 3000},
        {"公摊水费", QStringLiteral("比例*金额"), 500},
        {"二次供水费", QStringLiteral("单价*面积"), 1500},
        {"储藏室费", QStringLiteral("单价*数量"), 200000},
    };
    return list;
}

bool run(QSqlQuery &q, const QString &sql, QString *error)
{
    if (!q.exec(sql)) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

// The houses, their ten items each, and July's meter readings.
bool fill(Dm1 &dm)
{
    QString error;
    const bool ok = dm.inTransaction(
        [&](QString *why) {
            QSqlQuery house(dm.database());
            house.prepare(
                QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 房屋面积) "
                               "values (?, ?, ?, ?, ?, ?)"));
            QSqlQuery item(dm.database());
            item.prepare(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                        "values (?, ?, ?, ?, ?)"));
            QSqlQuery reading(dm.database());
            reading.prepare(
                QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, 本月表数, "
                               "缴费状态) values (?, ?, ?, '2004', '7', ?, '现金')"));
            for (int h = 0; h < Houses; ++h) {
                const QString code =
                    QStringLiteral("%1-%2").arg(h / 100 + 1, 2, 10, QLatin1Char('0')).arg(h % 100 + 101);
                const QString building = QStringLiteral("%1号楼").arg(h / 100 + 1);
                house.addBindValue(code);
                house.addBindValue(QString(building + code));
                house.addBindValue(QStringLiteral("业主%1").arg(h));
                house.addBindValue(building);
                house.addBindValue(QStringLiteral("一单元"));
                house.addBindValue(60.0 + (h % 90) / 4.0);
                if (!house.exec()) {
                    *why = house.lastError().text();
                    return false;
                }
                for (const Item &it : items()) {
                    item.addBindValue(code);
                    item.addBindValue(QString::fromUtf8(it.name));
                    item.addBindValue(it.formula);
                    item.addBindValue(it.price);
                    item.addBindValue(qint64(600000 + (h % 90) * 2500));
                    if (!item.exec()) {
                        *why = item.lastError().text();
                        return false;
                    }
                    if (it.formula == Meter) {
                        reading.addBindValue(code);
                        reading.addBindValue(QString::fromUtf8(it.name));
                        reading.addBindValue(it.formula);
                        reading.addBindValue(1000.0 + h % 377 + 0.25);
                        if (!reading.exec()) {
                            *why = reading.lastError().text();
                            return false;
                        }
                    }
                }
            }
            return true;
        },
        &error);
    if (!ok) {
        std::printf("fill failed: %s\n", qPrintable(error));
    }
    return ok;
}

// The same rows as the generation makes, in one statement.
QString insertSelect(BillMonth m)
{
    const BillMonth before = m.previous();
    return QStringLiteral(
               "insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 单价, 计算公式, "
               "收费面积, \"面积/数量\", 本月表数, 上月表数, 开始日期, 结束日期, 收费金额, 年度, 月份, 缴费状态) "
               "select h.房屋代码, h.房屋名称, h.业主名称, h.楼宇名称, h.楼宇单元, i.收费名称, i.单价, i.计算公式, "
               "i.收费面积, i.预付金额 / 10000.0, 0, coalesce(case when i.计算公式 = '%1' then p.本月表数 end, 0), "
               "'%2', '%3', 0, '%4', '%5', '未缴费' "
               "from 房屋收费项目 i join 房屋资料 h on h.房屋代码 = i.房屋代码 "
               "left join 收费明细表 p on p.房屋代码 = i.房屋代码 and p.收费名称 = i.收费名称 "
               "and p.年度 = '%6' and p.月份 = '%7' order by h.房屋代码, i.收费名称")
        .arg(Meter, m.firstDay().toString(QStringLiteral("yyyy-MM-dd 00:00:00")),
             m.lastDay().toString(QStringLiteral("yyyy-MM-dd 00:00:00")), m.yearText(), m.monthText(),
             before.yearText(), before.monthText());
}

const QString Columns = QStringLiteral(
    "房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 单价, 计算公式, 收费面积, \"面积/数量\", 本月表数, "
    "上月表数, 开始日期, 结束日期, 收费金额, 年度, 月份, 缴费状态");

// Milliseconds of a bare sqlite3 loop stepping through every row and column of the statement.
double bareRead(sqlite3 *db, const QString &sql, const QStringList &binds, int *rows)
{
    QElapsedTimer t;
    t.start();
    sqlite3_stmt *st = nullptr;
    const QByteArray text = sql.toUtf8();
    sqlite3_prepare_v2(db, text.constData(), int(text.size()), &st, nullptr);
    for (int i = 0; i < binds.size(); ++i) {
        const QByteArray b = binds[i].toUtf8();
        sqlite3_bind_text(st, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    *rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            sqlite3_column_text(st, c);
        }
        ++*rows;
    }
    sqlite3_finalize(st);
    return double(t.nsecsElapsed()) / 1e6;
}

void figure(const char *what, double ms, double baselineMs, const char *baseline)
{
    std::printf("%-46s %9.1f ms   %-34s %9.1f ms   ratio %5.1f\n", what, ms, baseline, baselineMs,
                baselineMs > 0 ? ms / baselineMs : 0.0);
}
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The window opens on the month of its lines.
    Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 0)));
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection() || !Bench::dropIndexesNamed(dm, app.arguments()) || !fill(dm)) {
        return 1;
    }
    const BillMonth aug {2004, 8};
    QString error;

    // --- Whole-estate generation against INSERT … SELECT of the same rows.
    BillGeneration generation(dm.database());
    QElapsedTimer t;
    t.start();
    const std::clock_t cpu = std::clock();
    const BillGeneration::EstateOutcome out = generation.generateEstate(aug, [](int, int) { return true; });
    const double generated = double(t.nsecsElapsed()) / 1e6;
    const double generatedCpu = 1000.0 * double(std::clock() - cpu) / CLOCKS_PER_SEC;
    if (out.generated != Houses || out.lines != Houses * 10) {
        std::printf("generation made %d houses, %d lines: %s\n", out.generated, out.lines, qPrintable(out.error));
        return 1;
    }
    QSqlQuery q(dm.database());
    if (!run(q,
             QStringLiteral("create temp table made as select %1 from 收费明细表 where 年度='2004' and 月份='8'")
                 .arg(Columns),
             &error)
        || !run(q, QStringLiteral("delete from 收费明细表 where 年度='2004' and 月份='8'"), &error)) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    double bare = 0;
    double bareCpu = 0;
    dm.inTransaction(
        [&](QString *why) {
            QElapsedTimer b;
            b.start();
            const std::clock_t c = std::clock();
            const bool ok = run(q, insertSelect(aug), why);
            bare = double(b.nsecsElapsed()) / 1e6;
            bareCpu = 1000.0 * double(std::clock() - c) / CLOCKS_PER_SEC;
            return ok;
        },
        &error);
    const QString lines = QStringLiteral("select %1 from 收费明细表 where 年度='2004' and 月份='8'").arg(Columns);
    const qint64 differing =
        dm.scalar(QStringLiteral("select count(*) from (%1 except select * from made)").arg(lines)).toLongLong()
        + dm.scalar(QStringLiteral("select count(*) from (select * from made except %1)").arg(lines)).toLongLong();
    std::printf("%d houses × %d fee items, %d lines; rows that differ between the two: %lld\n", Houses,
                int(items().size()), out.lines, differing);
    figure("whole-estate generation (BillGeneration)", generated, bare, "bare INSERT … SELECT");
    figure("  the same, processor time", generatedCpu, bareCpu, "  processor time");
    if (app.arguments().contains(QStringLiteral("--generation-only"))) {
        return 0;
    }

    // --- 1.2 million lines: 24 months of the same estate.
    t.restart();
    for (int i = 1; i < 24; ++i) {
        const BillMonth m = BillMonth::of(QDate(2004, 8, 1).addMonths(-i));
        if (m == BillMonth {2004, 7}) {
            // July already has its readings: the other lines of the month.
            run(q, QStringLiteral("delete from 收费明细表 where 年度='2004' and 月份='7'"), &error);
        }
        if (!dm.inTransaction([&](QString *why) { return run(q, insertSelect(m), why); }, &error)) {
            std::printf("%s\n", qPrintable(error));
            return 1;
        }
    }
    run(q, QStringLiteral("update 收费明细表 set 缴费状态='现金' where 年度<>'2004' or 月份<>'8'"), &error);
    const qint64 total = dm.scalar(QStringLiteral("select count(*) from 收费明细表")).toLongLong();
    std::printf("%lld bill lines in the database (made in %.1f s)\n", total, double(t.elapsed()) / 1000);

    sqlite3 *raw = dm.sqliteHandle();
    int rows = 0;
    const QString lineSql =
        QStringLiteral("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?) order by 收费名称");
    double baseOpen = bareRead(raw, QStringLiteral("select * from 房屋资料 order by 房屋代码"), {}, &rows);
    baseOpen += bareRead(raw, lineSql, {QStringLiteral("01-101"), QStringLiteral("2004"), QStringLiteral("8")}, &rows);

    QElapsedTimer open;
    open.start();
    auto *window = new TForm_jiaofeidan;
    Preparation prepared(window);
    if (!prepared.run()) {
        return 1;
    }
    window->show();
    QApplication::processEvents();
    const double opened = double(open.nsecsElapsed()) / 1e6;
    if (window->details()->recordCount() != 10) {
        std::printf("the first house shows %d lines\n", window->details()->recordCount());
        return 1;
    }
    figure("opening 业主应缴费用管理 (prepared and shown)", opened, baseOpen, "bare reads of houses + lines");

    // Switching to houses spread over the list, the lines of each read and shown.
    QList<double> switches;
    QList<double> bares;
    for (int i = 1; i <= 50; ++i) {
        const int row = (i * 97) % Houses;
        QElapsedTimer s;
        s.start();
        window->houses()->moveTo(row);
        QApplication::processEvents();
        switches << double(s.nsecsElapsed()) / 1e6;
        bares << bareRead(
            raw, lineSql,
            {window->houses()->text(QStringLiteral("房屋代码")), QStringLiteral("2004"), QStringLiteral("8")}, &rows);
        if (window->details()->recordCount() != 10) {
            std::printf("house %d shows %d lines\n", row, window->details()->recordCount());
            return 1;
        }
    }
    std::sort(switches.begin(), switches.end());
    std::sort(bares.begin(), bares.end());
    figure("switching houses, median of 50", switches[25], bares[25], "bare read of the house's lines");
    figure("switching houses, slowest of 50", switches.last(), bares.last(), "bare read, slowest");
    prepared.finish();
    delete window;
    return 0;
}
