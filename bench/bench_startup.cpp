// Start-up time over a large estate: a home whose database holds 5,000 houses and 100,000 bill
// lines, and the real program started on it several times until its main window has finished
// its first activation (connection, settings, login, reminders).
//
//   bench_startup [runs]        (default 7; the program is looked for at ../src/parvell, or $PARVELL_BIN)
#include "benchsupport.h"
#include "data/dataset.h"
#include "data/dm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int Houses = 5000;
constexpr int Lines = 100000;
constexpr qint64 TargetMs = 500;

bool run(QSqlQuery &q, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i) {
        q.bindValue(i, values[i]);
    }
    if (!q.exec()) {
        std::fprintf(stderr, "insert failed: %s\n", qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

// Fills the estate with one transaction and one prepared statement per table.
bool fill(Dm1 &dm)
{
    static const QStringList items = {u"物业管理费"_s, u"水费"_s, u"电费"_s, u"卫生费"_s, u"停车费"_s};
    const int months = Lines / Houses / int(items.size());
    const QString stamp = DataSet::toStoredDateTime(QDateTime(QDate(2026, 1, 1), QTime(9, 0)));
    return dm.inTransaction([&](QString *) {
        QSqlDatabase db = dm.database();
        QSqlQuery building(db), house(db), line(db), org(db);
        org.exec(u"update 公司信息 set 自动提醒=1, 提前提醒天数=20"_s);
        building.prepare(u"insert into 楼宇资料 (楼宇名称, 楼宇层数, 房屋数量) values (?, ?, ?)"_s);
        house.prepare(u"insert into 房屋资料 (房屋代码, 房屋名称, 楼宇名称, 楼宇单元, 房型, 房屋面积, 公摊面积, "
                      "使用状况, 迁入日期, 业主名称, 零头, 押金) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0)"_s);
        line.prepare(u"insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 计算公式, "
                     "单价, \"面积/数量\", 收费金额, 开始日期, 结束日期, 年度, 月份, 缴费状态, 操作日期) "
                     "values (?, ?, ?, ?, ?, ?, '单价*面积', 12000, 89.56, 1074720, ?, ?, ?, ?, ?, ?)"_s);
        for (int b = 0; b < Houses / 100; ++b) {
            if (!run(building, {u"楼%1号"_s.arg(b + 1), 10, 100})) {
                return false;
            }
        }
        for (int h = 0; h < Houses; ++h) {
            const QString code = u"%1-%2"_s.arg(h / 100 + 1).arg(h % 100 + 101);
            const QString owner = u"业主%1"_s.arg(h + 1);
            const QString bld = u"楼%1号"_s.arg(h / 100 + 1);
            if (!run(house,
                     {code, QString(code + u"室"_s), bld, u"一单元"_s, u"二房一厅"_s, 89.56, 12.3, u"入住"_s,
                      u"2020-05-01 00:00:00"_s, owner})) {
                return false;
            }
            for (int m = 0; m < months; ++m) {
                const QDate first(2025, m + 1, 1);
                for (const QString &item : items) {
                    if (!run(line,
                             {code, QString(code + u"室"_s), owner, bld, u"一单元"_s, item,
                              DataSet::toStoredDateTime(first.startOfDay()),
                              DataSet::toStoredDateTime(first.addMonths(1).addDays(-1).startOfDay()), u"2025"_s,
                              QString::number(m + 1), m < months - 1 ? u"现金"_s : u"未缴费"_s, stamp})) {
                        return false;
                    }
                }
            }
        }
        return true;
    });
}

qint64 median(QList<qint64> v)
{
    if (v.isEmpty()) {
        return -1;
    }
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    const QString program = Bench::program();
    if (program.isEmpty()) {
        return 2;
    }

    QTemporaryDir home;
    QElapsedTimer t;
    t.start();
    {
        Dm1 dm(home.path());
        if (!dm.openConnection() || !fill(dm)) {
            std::fprintf(stderr, "could not build the estate: %s\n", qPrintable(dm.lastError()));
            return 3;
        }
        std::printf("estate: %d houses, %lld bill lines, built in %lld ms (%lld KB)\n", Houses,
                    dm.scalar(u"select count(*) from 收费明细表"_s).toLongLong(), t.elapsed(),
                    QFileInfo(dm.databasePath()).size() / 1024);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QList<qint64> own, wall;
    for (int i = 1; i <= runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProgram(program);
        p.setArguments({u"--home"_s, home.path(), u"--exit-when-ready"_s});
        t.restart();
        p.start();
        qint64 ready = -1;
        qint64 reported = -1;
        QByteArray out;
        while (ready < 0 && p.waitForReadyRead(30000)) {
            out += p.readAllStandardOutput();
            const qsizetype at = out.indexOf("ready ");
            if (at >= 0 && out.indexOf('\n', at) > at) {
                ready = t.elapsed();
                reported = out.mid(at + 6, out.indexOf('\n', at) - at - 6).trimmed().toLongLong();
            }
        }
        p.waitForFinished(30000);
        const qint64 exited = t.elapsed();
        if (ready < 0) {
            // A login or reminder dialog left waiting for an answer ends here.
            p.kill();
            p.waitForFinished();
            std::printf("run %d: not ready within 30 s (exit code %d): %s\n", i, p.exitCode(),
                        qPrintable(QString::fromLocal8Bit(p.readAllStandardError()).left(300)));
            continue;
        }
        own << reported;
        wall << ready;
        std::printf("run %d: ready %lld ms after main() began, %lld ms after process start; exited at %lld ms\n", i,
                    reported, ready, exited);
        std::fflush(stdout);
    }
    if (wall.isEmpty()) {
        return 4;
    }
    const qint64 m = median(wall);
    std::printf("median: %lld ms from process start (%lld ms from main()); target %lld ms: %s\n", m, median(own),
                TargetMs, m <= TargetMs ? "met" : "OVER");
    return 0;
}
