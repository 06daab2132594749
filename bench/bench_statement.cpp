// The owner statement and the arrears aging on an estate of 1.2 million bill lines (5,000
// houses, 10 fee items, 24 months) with a payment record for every paid month, and one house of
// ten years (1,200 lines, 120 payments): the statement of that house beside a bare SQLite C loop
// running the same four SELECTs, the aging over the estate beside the bare grouped query, and a
// batch PDF of 500 houses' statements.
#include "benchsupport.h"
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportformat.h"
#include "components/report/reportpainter.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "reports/core/ownerstatement.h"
#include "reports/core/statementreport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {
constexpr int Rounds = 15;
const QString Long = u"99-999"_s; // the house of ten years

bool addPaymentsAndLongHouse(Dm1 &dm)
{
    return dm.inTransaction([&](QString *error) {
        QSqlQuery q(dm.database());
        // One record for each house and paid month, worth what it marked.
        if (!q.exec(
                u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,房屋代码,业主名称,收费金额,实收金额,"
                "缴费时间,缴费方式,单据号码) select 年度, 月份, '按单缴费', min(楼宇名称), 房屋代码, min(业主名称), "
                "sum(收费金额), sum(收费金额), min(缴费时间), '现金', min(单据号码) from 收费明细表 "
                "where 缴费状态 <> '未缴费' group by 房屋代码, 年度, 月份"_s)) {
            *error = q.lastError().text();
            return false;
        }
        if (!dm.exec(u"insert into 房屋资料 (房屋代码,楼宇名称,业主名称,零头,押金) values (?,'99号楼','长住户',0,0)"_s,
                     {Long}, error)) {
            return false;
        }
        QSqlQuery line(dm.database()), record(dm.database());
        line.prepare(u"insert into 收费明细表 (房屋代码,业主名称,楼宇名称,收费名称,收费金额,开始日期,结束日期,年度,"
                     "月份,缴费状态,缴费时间) values (?,'长住户','99号楼',?,?,?,?,?,?,?,?)"_s);
        record.prepare(u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,房屋代码,业主名称,收费金额,实收金额,"
                       "缴费时间,缴费方式,单据号码) values (?,?,'按单缴费','99号楼',?,'长住户',?,?,?,'现金',?)"_s);
        for (int m = 0; m < 120; ++m) {
            const QDate first(1996 + m / 12, m % 12 + 1, 1);
            const bool paid = m < 118;
            const QString at = first.addDays(12).toString(u"yyyy-MM-dd 00:00:00"_s);
            qint64 due = 0;
            for (int i = 0; i < 10; ++i) {
                const qint64 amount = (i + 1) * 125000;
                due += amount;
                for (const QVariant &v :
                     QVariantList {Long, u"收费项目%1"_s.arg(i), amount, first.toString(u"yyyy-MM-dd 00:00:00"_s),
                                   first.addMonths(1).addDays(-1).toString(u"yyyy-MM-dd 00:00:00"_s),
                                   QString::number(first.year()), QString::number(first.month()),
                                   paid ? u"现金"_s : u"未缴费"_s, paid ? QVariant(at) : QVariant()}) {
                    line.addBindValue(v);
                }
                if (!line.exec()) {
                    *error = line.lastError().text();
                    return false;
                }
            }
            for (const QVariant &v : QVariantList {QString::number(first.year()), QString::number(first.month()), Long,
                                                   due, paid ? due : 0, at, u"L%1"_s.arg(m)}) {
                record.addBindValue(v);
            }
            if (!record.exec()) {
                *error = record.lastError().text();
                return false;
            }
        }
        return true;
    });
}
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    Dm1 dm(home.path());
    QString error;
    if (!dm.openConnection()) {
        std::printf("cannot open the database\n");
        return 1;
    }
    QElapsedTimer t;
    t.start();
    if (!Bench::fillEstate(dm, 5000, 10, 24, &error) || !addPaymentsAndLongHouse(dm)) {
        std::printf("cannot fill the estate: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("estate: %lld bill lines, %lld payment records, filled in %.1f s\n",
                dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong(),
                dm.scalar(u"select count(*) from 收费汇总表"_s).toLongLong(), t.elapsed() / 1000.0);
    Clock::setFixed(QDateTime(QDate(2005, 12, 20), QTime(10, 0)));
    sqlite3 *bare = nullptr;
    sqlite3_open_v2(dm.databasePath().toUtf8().constData(), &bare, SQLITE_OPEN_READONLY, nullptr);

    // One house of ten years, the whole history.
    QList<double> ours, base;
    OwnerStatement::Statement s;
    for (int r = 0; r < Rounds; ++r) {
        t.restart();
        if (!OwnerStatement::compute(dm.database(), {Long, QDate(1990, 1, 1), QDate(2005, 12, 20), false}, &s,
                                     &error)) {
            std::printf("statement refused: %s\n", qPrintable(error));
            return 1;
        }
        ours << t.nsecsElapsed() / 1e6;
        t.restart();
        Bench::bareRows(bare,
                        "SELECT 楼宇名称, 楼宇单元, 业主名称, 联系电话, 零头, 押金 FROM 房屋资料 WHERE 房屋代码 = ? "
                        "ORDER BY id",
                        {Long});
        Bench::bareRows(bare,
                        "SELECT id, 开始日期, 结束日期, 年度, 月份, 收费名称, 收费金额, 缴费状态, 缴费时间, 业主名称 "
                        "FROM 收费明细表 WHERE 房屋代码 = ?",
                        {Long});
        Bench::bareRows(
            bare, "SELECT id, 缴费时间, 实收金额, 单据号码, 缴费方式, 业主名称 FROM 收费汇总表 WHERE 房屋代码 = ?",
            {Long});
        Bench::bareRows(bare, "SELECT id, 日期, 操作类型, 金额, 业主名称 FROM 押金明细表 WHERE 房屋代码 = ?", {Long});
        base << t.nsecsElapsed() / 1e6;
    }
    std::printf("statement: %lld rows, closing %s, %lld lines unpaid\n", qint64(s.rows.size()),
                qPrintable(s.closing.toString()), qint64(s.unpaid.size()));
    Bench::report("statement of one house (1,200 lines, 120 payments)", Bench::median(ours), Bench::median(base));

    // The aging over the estate at the last day of 2005.
    ours.clear();
    base.clear();
    QList<OwnerStatement::AgingRow> rows;
    const QString at = u"2005-12-31 00:00:00"_s, end = u"2005-12-31 23:59:59"_s, d30 = u"2005-12-01 00:00:00"_s,
                  d60 = u"2005-11-01 00:00:00"_s, d90 = u"2005-10-02 00:00:00"_s;
    for (int r = 0; r < 5; ++r) {
        rows.clear();
        t.restart();
        if (!OwnerStatement::aging(dm.database(), {QDate(2005, 12, 31), {}, {}}, &rows, &error)) {
            std::printf("aging refused: %s\n", qPrintable(error));
            return 1;
        }
        ours << t.nsecsElapsed() / 1e6;
        t.restart();
        // The same grouped statement and the houses' read, bare.
        Bench::bareRows(bare,
                        "SELECT b.房屋代码, sum(CASE WHEN b.结束日期 >= ? THEN b.收费金额 ELSE 0 END), "
                        "sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END), "
                        "sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END), "
                        "sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END), "
                        "sum(b.收费金额), min(b.开始日期) FROM 收费明细表 b WHERE b.房屋代码 IS NOT NULL AND "
                        "b.开始日期 <= ? AND ((b.缴费状态 IS NULL OR b.缴费状态 = '未缴费' OR b.缴费状态 = '') OR "
                        "((b.缴费状态 <> '未缴费' AND b.缴费状态 <> '') AND b.缴费时间 > ?)) GROUP BY b.房屋代码",
                        {at, at, d30, d30, d60, d60, d90, end, end});
        Bench::bareRows(bare, "SELECT 房屋代码, 楼宇名称, 业主名称, 联系电话, 零头 FROM 房屋资料 ORDER BY 房屋代码, id",
                        {});
        base << t.nsecsElapsed() / 1e6;
    }
    std::printf("aging: %lld houses owing\n", qint64(rows.size()));
    Bench::report("aging over 5,000 houses x 24 months", Bench::median(ours), Bench::median(base));

    // 500 houses' statements into one PDF.
    if (!StatementReport::install(home.path(), &error)) {
        std::printf("no template: %s\n", qPrintable(error));
        return 1;
    }
    const std::optional<ReportTemplate> report =
        ReportFormat::load(HomeTemplate::pathIn(home.path(), StatementReport::StatementFile), &error);
    const std::unique_ptr<MemoryRows> organisation = StatementReport::organisation(dm.database(), &error);
    t.restart();
    QList<OwnerStatement::Statement> list;
    for (int b = 1; b <= 5; ++b) {
        if (!StatementReport::batch(dm.database(), u"%1号楼"_s.arg(b), QDate(2005, 1, 1), QDate(2005, 12, 20), &list,
                                    &error)) {
            std::printf("batch refused: %s\n", qPrintable(error));
            return 1;
        }
    }
    const double computed = t.nsecsElapsed() / 1e9;
    const std::optional<PreparedReport> prepared = report && organisation
        ? StatementReport::statements(*report, list, *organisation, {Clock::now(), u"管理员"_s}, &error)
        : std::nullopt;
    const double laidOut = t.nsecsElapsed() / 1e9;
    if (!prepared || !ReportPainter::writePdf(*prepared, home.filePath(u"batch.pdf"_s), &error)) {
        std::printf("batch PDF failed: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("batch PDF of %lld houses, %lld pages: %.2f s (statements %.2f s, layout %.2f s, PDF %.2f s)\n",
                qint64(list.size()), qint64(prepared->pages.size()), t.nsecsElapsed() / 1e9, computed,
                laidOut - computed, t.nsecsElapsed() / 1e9 - laidOut);
    sqlite3_close(bare);
    return 0;
}
