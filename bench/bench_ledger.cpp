// The received-fee register and the payment history on an estate of 1.2 million bill lines
// (5,000 houses, 10 fee items, 24 months) and 120,000 payment records (one a house and month):
// the register searched over one year, and the history window showing one house's lines of
// every month, each beside a bare SQLite C loop running the same statement on the same file
// (the baseline), and the ratio.
#include "benchsupport.h"
#include "billing/jiaofeimingxi.h"
#include "billing/shoufeimingxibiao.h"
#include "components/common/preparation.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int Houses = 5000;
constexpr int Items = 10;
constexpr int Months = 24; // January 2004 to December 2005
constexpr int Rounds = 7;

QString houseCode(int h)
{
    return u"%1-%2"_s.arg(h / 100 + 1, 2, 10, QLatin1Char('0')).arg(h % 100 + 1, 3, 10, QLatin1Char('0'));
}

bool fill(Dm1 &dm)
{
    return dm.inTransaction([&](QString *error) {
        QSqlQuery house(dm.database()), line(dm.database()), record(dm.database());
        house.prepare(u"insert into 房屋资料 (房屋代码,楼宇名称,业主名称,零头,押金) values (?,?,?,0,0)"_s);
        line.prepare(u"insert into 收费明细表 (房屋代码,业主名称,楼宇名称,收费名称,计算公式,单价,\"面积/数量\","
                     "收费金额,开始日期,结束日期,年度,月份,缴费状态,缴费时间,单据号码) "
                     "values (?,?,?,?,'直接输入金额',?,1,?,?,?,?,?,?,?,?)"_s);
        record.prepare(u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,房屋代码,业主名称,收费金额,实收金额,"
                       "现金,支票,零头,上次零头,缴费时间,缴费方式,单据号码,缴费人,收款人) "
                       "values (?,?,'按单缴费',?,?,?,?,?,?,0,0,0,?,'现金',?,?,'管理员')"_s);
        const auto run = [error](QSqlQuery &q, const QVariantList &values) {
            for (const QVariant &v : values) {
                q.addBindValue(v);
            }
            if (!q.exec()) {
                *error = q.lastError().text();
                return false;
            }
            return true;
        };
        int receipt = 0;
        for (int h = 0; h < Houses; ++h) {
            const QString code = houseCode(h), building = u"翠苑%1号楼"_s.arg(h / 100 + 1), owner = u"业主%1"_s.arg(h);
            if (!run(house, {code, building, owner})) {
                return false;
            }
            for (int m = 0; m < Months; ++m) {
                const QDate first(2004 + m / 12, m % 12 + 1, 1);
                const bool paid = m < Months - 1;
                // Payments spread over the day, so the register's bounds matter.
                const QString at = first.addDays(9 + h % 7).toString(u"yyyy-MM-dd "_s)
                    + QTime(8, 0).addSecs(h % 600 * 60).toString(u"HH:mm:ss"_s);
                const QString number = u"SF%1"_s.arg(++receipt, 8, 10, QLatin1Char('0'));
                qint64 due = 0;
                for (int i = 0; i < Items; ++i) {
                    const qint64 amount = (i + 1) * 125000 + h % 97;
                    due += amount;
                    if (!run(line,
                             {code, owner, building, u"收费项目%1"_s.arg(i), amount, amount,
                              first.toString(u"yyyy-MM-dd 00:00:00"_s),
                              first.addMonths(1).addDays(-1).toString(u"yyyy-MM-dd 00:00:00"_s),
                              QString::number(first.year()), QString::number(first.month()),
                              paid ? u"现金"_s : u"未缴费"_s, paid ? QVariant(at) : QVariant(),
                              paid ? QVariant(number) : QVariant()})) {
                        return false;
                    }
                }
                // The last month is paid in part: a record of its own, its lines still unpaid.
                const qint64 received = paid ? due : due / 2;
                if (!run(record,
                         {QString::number(first.year()), QString::number(first.month()), building, code, owner, due,
                          received, received, at, number, owner})) {
                    return false;
                }
            }
        }
        return true;
    });
}

// Collation "pinyin" for the bare connection: the byte order stands in for it, which flatters
// the baseline.
int byteOrder(void *, int n1, const void *a, int n2, const void *b)
{
    const int c = std::memcmp(a, b, size_t(std::min(n1, n2)));
    return c != 0 ? c : n1 - n2;
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection()) {
        std::printf("cannot open the database\n");
        return 1;
    }
    QElapsedTimer t;
    t.start();
    if (!fill(dm)) {
        std::printf("cannot fill the estate\n");
        return 1;
    }
    std::printf("estate: %d houses, %lld bill lines, %lld payment records, filled in %.1f s\n", Houses,
                dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong(),
                dm.scalar(u"select count(*) from 收费汇总表"_s).toLongLong(), t.elapsed() / 1000.0);
    Clock::setFixed(QDateTime(QDate(2005, 12, 20), QTime(10, 0)));

    sqlite3 *bare = nullptr;
    sqlite3_open_v2(dm.databasePath().toUtf8().constData(), &bare, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(bare, "pinyin", SQLITE_UTF8, nullptr, byteOrder);

    // The register over 2004: the window prepared and shown, then the search run and painted.
    QList<double> registerTimes, registerBase;
    int listed = 0, bareListed = 0;
    for (int r = 0; r < Rounds; ++r) {
        TForm_shoufeimingxibiao window;
        Preparation p(&window);
        if (!p.run()) {
            std::printf("the register was not prepared\n");
            return 1;
        }
        window.show();
        QApplication::processEvents();
        window.DateTimePicker1->setDate(QDate(2004, 1, 1));
        window.DateTimePicker2->setDate(QDate(2004, 12, 31));
        t.restart();
        window.findChild<QPushButton *>(u"SpeedButton2"_s)->click();
        window.repaint();
        QApplication::processEvents();
        registerTimes << t.nsecsElapsed() / 1e6;
        listed = window.dataSet()->recordCount();
        window.reject();

        t.restart();
        bareListed = Bench::bareRows(bare,
                                     "select * from 收费汇总表  where (缴费时间 between ? and ?) "
                                     "order by 缴费时间,房屋代码 COLLATE pinyin,id",
                                     {u"2004-01-01 00:00:00"_s, u"2004-12-31 23:59:59"_s});
        registerBase << t.nsecsElapsed() / 1e6;
    }
    std::printf("register over 2004: %d records listed (bare loop %d)\n", listed, bareListed);
    Bench::report("received-fee register, one year searched and painted", Bench::median(registerTimes),
                  Bench::median(registerBase));

    // The history: the window opened with "仅含" cleared, then one house's lines of every month.
    QList<double> openTimes, houseTimes, houseBase;
    int lines = 0;
    for (int r = 0; r < Rounds; ++r) {
        t.restart();
        TForm_jiaofeimingxi window;
        window.CheckBox1->setChecked(false);
        Preparation p(&window);
        if (!p.run()) {
            std::printf("the history was not prepared\n");
            return 1;
        }
        window.show();
        window.repaint();
        QApplication::processEvents();
        openTimes << t.nsecsElapsed() / 1e6;
        const int row = 1000 + r * 311;
        t.restart();
        window.houses()->moveTo(row);
        window.repaint();
        QApplication::processEvents();
        houseTimes << t.nsecsElapsed() / 1e6;
        lines = window.details()->recordCount();
        const QString code = window.houses()->text(u"房屋代码"_s);
        window.reject();

        t.restart();
        Bench::bareRows(bare, "select * from 收费明细表 where (房屋代码=?) order by 开始日期,id", {code});
        houseBase << t.nsecsElapsed() / 1e6;
    }
    std::printf("history: %d lines of one house\n", lines);
    std::printf("%-56s %8.2f ms\n", "history window opened (5,000 houses listed)", Bench::median(openTimes));
    Bench::report("history, one house's lines of every month", Bench::median(houseTimes), Bench::median(houseBase));

    sqlite3_close(bare);
    return 0;
}
