// Payments on an estate of 1.2 million bill lines (5,000 houses, 10 fee items, 24 months; every
// month but the last paid): confirming a house's whole bill through PaymentDesk, and opening the
// payment window for the month, each beside a bare SQLite C loop doing the same statements on
// the same file (the baseline) and the ratio.
#include "benchsupport.h"
#include "billing/core/payment.h"
#include "billing/jiaofeiguanli.h"
#include "components/common/preparation.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "paymentestate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
using namespace PaymentEstate;
constexpr int Rounds = 25;

// The bare C loop: one statement prepared, bound with texts and integers, stepped to the end.
struct Bare
{
    sqlite3 *db = nullptr;
    bool ok = true;

    void run(const char *sql, const QVariantList &binds = {}, int *rows = nullptr)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
            std::printf("baseline: %s\n", sqlite3_errmsg(db));
            ok = false;
            return;
        }
        for (int i = 0; i < binds.size(); ++i) {
            if (binds[i].typeId() == QMetaType::QString) {
                const QByteArray t = binds[i].toString().toUtf8();
                sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            } else if (binds[i].isNull()) {
                sqlite3_bind_null(st, i + 1);
            } else {
                sqlite3_bind_int64(st, i + 1, binds[i].toLongLong());
            }
        }
        int n = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            ++n;
        }
        if (rc != SQLITE_DONE) {
            std::printf("baseline: %s\n", sqlite3_errmsg(db));
            ok = false;
        }
        if (rows) {
            *rows = n;
        }
        sqlite3_finalize(st);
    }
};

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
    QString error;
    if (!Bench::dropIndexesNamed(dm, app.arguments()) || !fill(dm, false, &error)) {
        std::printf("cannot fill the estate: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("estate: %d houses, %lld bill lines, %lld payment records, filled in %.1f s\n", Houses,
                dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong(),
                dm.scalar(u"select count(*) from 收费汇总表"_s).toLongLong(), t.elapsed() / 1000.0);

    Bare bare;
    sqlite3_open_v2(dm.databasePath().toUtf8().constData(), &bare.db, SQLITE_OPEN_READWRITE, nullptr);
    bare.run("PRAGMA busy_timeout=5000");
    bare.run("PRAGMA journal_mode=WAL");
    bare.run("PRAGMA synchronous=FULL");

    // Confirming a whole bill: PaymentDesk on houses 0.., the bare loop on houses 1000...
    const PaymentDesk desk(dm.database());
    QList<double> opened, confirmed, baseline;
    for (int r = 0; r < Rounds; ++r) {
        const PaymentKey key {u"2005"_s, u"12"_s, building(r), houseCode(r), owner(r), PaymentWords::WholeBill};
        PaymentDesk::Outcome why;
        t.restart();
        const auto draft = desk.open(key, u"一单元"_s, &why);
        opened << t.nsecsElapsed() / 1e6;
        if (!draft) {
            std::printf("open: %s\n", qPrintable(why.message()));
            return 1;
        }
        t.restart();
        const auto done = desk.confirm(*draft, cash(draft->due.toString(), r));
        confirmed << t.nsecsElapsed() / 1e6;
        if (done.result != PaymentDesk::Result::Paid) {
            std::printf("confirm: %s\n", qPrintable(done.message()));
            return 1;
        }

        const int h = 1000 + r;
        const QVariantList houseMonth {houseCode(h), u"2005"_s, u"12"_s};
        t.restart();
        bare.run("BEGIN IMMEDIATE");
        bare.run("select 零头 from 房屋资料 where (房屋代码=?)and(楼宇名称=?)", {houseCode(h), building(h)});
        bare.run("select id,实收金额,收费金额 from 收费汇总表 where (年度=?)and(月份=?)and(楼宇名称=?)and(房屋代码=?)"
                 "and(业主名称=?)and(收费项目='按单缴费')",
                 {u"2005"_s, u"12"_s, building(h), houseCode(h), owner(h)});
        bare.run("select sum(收费金额),count(*) from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)"
                 "and(缴费状态='未缴费')",
                 houseMonth);
        bare.run("insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,楼宇单元,房屋代码,业主名称,收费金额,实收金额,"
                 "上次零头,缴费时间,缴费方式,单据号码,缴费人,收款人,操作人员,操作日期) values "
                 "('2005','12','按单缴费',?,'一单元',?,?,1000,1000,0,'2005-12-20 00:00:00','现金',?,'业主','管理员',"
                 "'管理员','2005-12-20 10:00:00')",
                 {building(h), houseCode(h), owner(h), u"C%1"_s.arg(r)});
        bare.run("update 收费明细表 set 缴费状态='现金',缴费时间='2005-12-20 00:00:00',缴费人='业主',收款人='管理员',"
                 "单据号码=? where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')",
                 QVariantList {u"C%1"_s.arg(r)} + houseMonth);
        bare.run("update 房屋资料 set 零头=coalesce(零头,0)+? where (房屋代码=?)and(楼宇名称=?)",
                 {0, houseCode(h), building(h)});
        bare.run("COMMIT");
        baseline << t.nsecsElapsed() / 1e6;
    }
    if (!bare.ok) {
        return 1;
    }
    std::printf("median of %d houses:\n", Rounds);
    std::printf("  %-50s %8.2f ms\n", "opening a whole-bill payment (PaymentDesk::open)", Bench::median(opened));
    Bench::report("  confirming it (PaymentDesk::confirm)", Bench::median(confirmed), Bench::median(baseline));

    // Opening the payment window for the month: prepared, shown and painted. The month picker
    // starts at today's month.
    Clock::setFixed(QDateTime(QDate(2005, 12, 20), QTime(10, 0)));
    QList<double> windowTimes, listBaseline;
    for (int r = 0; r < 5; ++r) {
        t.restart();
        {
            TForm_jiaofeiguanli window;
            Preparation p(&window);
            if (!p.run()) {
                std::printf("the window was not prepared\n");
                return 1;
            }
            window.show();
            window.repaint();
            QApplication::processEvents();
            windowTimes << t.nsecsElapsed() / 1e6;
            if (r == 0) {
                std::printf("payment window: %d houses in the list, %d lines of the first\n",
                            window.houses()->recordCount(), window.details()->recordCount());
            }
            window.reject();
        }
        t.restart();
        int houses = 0;
        bare.run("select 房屋代码,业主名称,楼宇名称 from 收费明细表 a where (年度=?)and(月份=?)"
                 "and(缴费状态='未缴费')and(COALESCE(NULLIF(缴费状态, ''), '未缴费') = '未缴费') "
                 "group by 房屋代码,业主名称,楼宇名称 order by 房屋代码",
                 {u"2005"_s, u"12"_s}, &houses);
        bare.run("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费') "
                 "order by 收费名称",
                 {houseCode(Rounds), u"2005"_s, u"12"_s});
        listBaseline << t.nsecsElapsed() / 1e6;
    }
    Bench::report("opening the payment window for the month", Bench::median(windowTimes), Bench::median(listBaseline));
    // How the statements find their rows.
    const QList<std::pair<const char *, QString>> statements {
        {"the list",
         u"select 房屋代码,业主名称,楼宇名称 from 收费明细表 a where (年度='2005')and(月份='12')"
         "and(缴费状态='未缴费')and(COALESCE(NULLIF(缴费状态, ''), '未缴费') = '未缴费') group by 房屋代码,业主名称,楼宇名称 order by "_s
             + Dm1::orderTerm(u"房屋代码"_s)},
        {"the lines of a payment",
         u"select sum(收费金额),count(*) from 收费明细表 where (房屋代码='01-001')and(年度='2005')and(月份='12')"
         "and(缴费状态='未缴费')"_s},
        {"the payment record",
         u"select id from 收费汇总表 where (年度='2005')and(月份='12')and(楼宇名称='翠苑1号楼')"
         "and(房屋代码='01-001')and(业主名称='业主0')and(收费项目='按单缴费')"_s},
    };
    for (const auto &[what, sql] : statements) {
        QSqlQuery plan(dm.database());
        plan.exec(u"explain query plan "_s + sql);
        while (plan.next()) {
            std::printf("  %s: %s\n", what, qPrintable(plan.value(3).toString()));
        }
    }
    sqlite3_close(bare.db);
    return 0;
}
