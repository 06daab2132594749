#include "benchsupport.h"

#include "data/dataset.h"
#include "data/dm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>
#include <time.h>

namespace Bench {

bool runReport(Dm1 &dm, const ReportRun::Computation &work, ReportRun::KeepRows keep, QString *why)
{
    ReportRun run;
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&run, &ReportRun::finished, &loop, [&](bool done, const QString &error) {
        ok = done;
        *why = error;
        loop.quit();
    });
    if (!run.start(work, dm.q_tongyong, why, keep)) {
        return false;
    }
    loop.exec();
    return ok;
}

sqlite3 *handleOf(Dm1 &dm)
{
    const QVariant h = dm.database().driver()->handle();
    return *static_cast<sqlite3 *const *>(h.constData());
}

int bareRows(sqlite3 *db, const char *sql, const QStringList &binds)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::printf("baseline: %s\n", sqlite3_errmsg(db));
        return -1;
    }
    for (int i = 0; i < binds.size(); ++i) {
        const QByteArray t = binds[i].toUtf8();
        sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    int rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            sqlite3_column_text(st, c);
        }
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

namespace {

class Insert
{
public:
    Insert(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert &text(const QByteArray &t)
    {
        if (t.isNull()) {
            sqlite3_bind_null(m_stmt, ++m_at);
        } else {
            sqlite3_bind_text(m_stmt, ++m_at, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    Insert &integer(qint64 v)
    {
        sqlite3_bind_int64(m_stmt, ++m_at, v);
        return *this;
    }
    Insert &real(double v)
    {
        sqlite3_bind_double(m_stmt, ++m_at, v);
        return *this;
    }
    bool run()
    {
        m_at = 0;
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        return rc == SQLITE_DONE;
    }
    bool ok() const { return m_stmt != nullptr; }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_at = 0;
};

QByteArray u8(const QString &s)
{
    return s.toUtf8();
}

const char *const Surnames[] = {"张", "王", "李", "赵", "陈", "刘", "杨", "黄", "周", "吴", "徐", "孙", "马", "朱"};
const char *const Given[] = {"伟", "芳", "娜", "敏", "静", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明"};

QString ownerOf(int h)
{
    return QString::fromUtf8(Surnames[h % 14]) + QString::fromUtf8(Given[(h / 14) % 14])
        + QString::fromUtf8(Given[(h / 196) % 14]) + QString::number(h % 7);
}

bool run(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Writes the rows in one transaction and folds the log into the file, as a long-used database is.
bool inOneTransaction(sqlite3 *db, const std::function<bool()> &write, QString *error)
{
    const bool ok = run(db, "BEGIN") && write() && run(db, "COMMIT") && run(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    if (!ok) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        run(db, "ROLLBACK");
    }
    return ok;
}

} // namespace

bool fillEstate(Dm1 &dm, int houses, int items, int months, QString *error)
{
    sqlite3 *db = handleOf(dm);
    static const char *const Items[][3] = {{"物业管理费", "单价*面积", "房屋面积"},
                                           {"水费", "单价*(本月数-上月数)", ""},
                                           {"电费", "单价*(本月数-上月数)", ""},
                                           {"燃气费", "单价*(本月数-上月数)", ""},
                                           {"停车费", "单价*数量", ""},
                                           {"电梯费", "单价*面积", "房屋面积"},
                                           {"垃圾清运费", "直接输入金额", ""},
                                           {"公摊水电费", "单价*面积", "公摊面积"},
                                           {"有线电视费", "直接输入金额", ""},
                                           {"保安费", "单价*面积", "房屋面积"}};
    static const char *const Units[] = {"一单元", "二单元", "三单元", "四单元"};
    static const char *const Collectors[] = {"管理员", "李会计", "王出纳"};
    return inOneTransaction(
        db,
        [&] {
            Insert house(
                db,
                "insert into 房屋资料 (房屋代码, 房屋名称, 楼宇名称, 楼宇单元, 房型, 房屋面积, 公摊面积, 使用状况, "
                "迁入日期, 业主名称, 零头, 押金) values (?,?,?,?,'二房一厅',?,?,'入住','2003-05-01 00:00:00',?,0,0)");
            Insert line(db,
                        "insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, 计算公式, "
                        "收费面积, 单价, 本月表数, 上月表数, \"面积/数量\", 收费金额, 开始日期, 结束日期, 年度, 月份, "
                        "缴费状态, 缴费时间, 缴费人, 收款人, 单据号码, 操作人员, 操作日期, 备注) "
                        "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
            QList<QByteArray> codes, names, owners, buildings, units;
            for (int h = 0; h < houses; ++h) {
                codes << u8(QStringLiteral("%1-%2").arg(h / 100 + 1, 2, 10, QLatin1Char('0')).arg(h % 100 + 101));
                buildings << u8(QStringLiteral("%1号楼").arg(h / 100 + 1));
                names << u8(QStringLiteral("%1号楼%2室").arg(h / 100 + 1).arg(h % 100 + 101));
                owners << u8(ownerOf(h));
                units << QByteArray(Units[h % 4]);
                if (!house.text(codes[h])
                         .text(names[h])
                         .text(buildings[h])
                         .text(units[h])
                         .real(60 + h % 90)
                         .real(8.5 + h % 20 / 4.0)
                         .text(owners[h])
                         .run()) {
                    return false;
                }
            }
            for (int m = 0; m < months; ++m) {
                const QDate first = QDate(2004, 1, 1).addMonths(m);
                const QByteArray start = u8(first.toString(QStringLiteral("yyyy-MM-dd 00:00:00")));
                const QByteArray end =
                    u8(first.addMonths(1).addDays(-1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")));
                const QByteArray year = QByteArray::number(first.year());
                const QByteArray month = QByteArray::number(first.month());
                const bool paid = m < months - 1;
                for (int h = 0; h < houses; ++h) {
                    const QByteArray madeAt = u8(first.addDays(0)
                                                     .startOfDay()
                                                     .addSecs(9 * 3600 + h % 3600)
                                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
                    const QByteArray paidOn = paid
                        ? u8(first.addMonths(1).addDays(h % 25).toString(QStringLiteral("yyyy-MM-dd 00:00:00")))
                        : QByteArray();
                    const QByteArray receipt = paid ? u8(QStringLiteral("%1%2%3")
                                                             .arg(first.year())
                                                             .arg(first.month(), 2, 10, QLatin1Char('0'))
                                                             .arg(h, 5, 10, QLatin1Char('0')))
                                                    : QByteArray();
                    for (int i = 0; i < items; ++i) {
                        const char *const *item = Items[i % 10];
                        const bool meter = QByteArray(item[1]).contains("本月数");
                        const double reading = meter ? 100.0 + m * 12.5 + h % 7 : 0;
                        const double quantity = meter ? 12.5 + h % 7 : 60 + h % 90;
                        const qint64 price = 15000 + i * 2500;
                        const qint64 amount = price * qint64(quantity * 100) / 100;
                        const QByteArray name =
                            i < 10 ? QByteArray(item[0]) : QByteArray(item[0]) + QByteArray::number(i / 10);
                        if (!line.text(codes[h])
                                 .text(names[h])
                                 .text(owners[h])
                                 .text(buildings[h])
                                 .text(units[h])
                                 .text(name)
                                 .text(QByteArray(item[1]))
                                 .text(QByteArray(item[2]))
                                 .integer(price)
                                 .real(reading)
                                 .real(meter ? reading - quantity : 0)
                                 .real(quantity)
                                 .integer(amount)
                                 .text(start)
                                 .text(end)
                                 .text(year)
                                 .text(month)
                                 .text(paid ? QByteArray(h % 3 ? "现金" : "银行转帐") : QByteArray("未缴费"))
                                 .text(paidOn)
                                 .text(paid ? owners[h] : QByteArray())
                                 .text(paid ? QByteArray(Collectors[h % 3]) : QByteArray())
                                 .text(receipt)
                                 .text(QByteArray("管理员"))
                                 .text(madeAt)
                                 .text(h % 50 == 0 ? QByteArray("业主要求开具发票") : QByteArray())
                                 .run()) {
                            return false;
                        }
                    }
                }
            }
            return true;
        },
        error);
}

bool fillBuildings(Dm1 &dm, int count, QString *error)
{
    sqlite3 *db = handleOf(dm);
    static const char *const Kinds[] = {"砖混", "框架", "框剪", "钢结构"};
    Insert b(db,
             "insert into 楼宇资料 (楼宇名称, 建成日期, 楼房结构, 楼宇层数, 房屋数量, 住户数量, 空置房数量, "
             "操作人员, 操作日期, 备注) values (?,?,?,?,?,?,?,?,?,?)");
    return inOneTransaction(
        db,
        [&] {
            for (int i = 0; i < count; ++i) {
                const int houses = 20 + i % 180;
                if (!b.text(u8(QStringLiteral("翠苑%1号楼").arg(i + 1, 7, 10, QLatin1Char('0'))))
                         .text(u8(QDate(1990, 1, 1).addDays(i % 9000).toString(QStringLiteral("yyyy-MM-dd 00:00:00"))))
                         .text(QByteArray(Kinds[i % 4]))
                         .integer(6 + i % 27)
                         .integer(houses)
                         .integer(houses - i % 20)
                         .integer(i % 20)
                         .text(QByteArray("管理员"))
                         .text(u8(QDateTime(QDate(2004, 8, 15), QTime(9, 0))
                                      .addSecs(qint64(i) * 37)
                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))))
                         .text(i % 10 == 0 ? QByteArray("物业公司接管") : QByteArray())
                         .run()) {
                    return false;
                }
            }
            return true;
        },
        error);
}

QString program()
{
    const QString set = qEnvironmentVariable("PARVELL_BIN");
    const QString path =
        set.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/parvell")) : set;
    if (!QFileInfo(path).isExecutable()) {
        std::fprintf(stderr, "program not found: %s\n", qPrintable(path));
        return {};
    }
    return path;
}

QString sqliteTool()
{
    static const QString path = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    return path;
}

namespace {
double childCpu()
{
    rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

double ownCpu()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}
}

Time runTool(const QString &database, const QStringList &options, const QString &sql, const QString &input,
             const QString &output)
{
    if (sqliteTool().isEmpty()) {
        return {};
    }
    QProcess p;
    p.setProgram(sqliteTool());
    QStringList arguments = QStringList {QStringLiteral("-batch")} + options + QStringList {database};
    if (!sql.isEmpty()) {
        arguments << sql;
    }
    p.setArguments(arguments);
    p.setStandardInputFile(input.isEmpty() ? QProcess::nullDevice() : input);
    p.setStandardOutputFile(output.isEmpty() ? QProcess::nullDevice() : output);
    const double cpu = childCpu();
    QElapsedTimer t;
    t.start();
    p.start();
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "sqlite3 failed: %s\n", qPrintable(QString::fromLocal8Bit(p.readAllStandardError())));
        return {};
    }
    return {t.nsecsElapsed() / 1e9, childCpu() - cpu};
}

Time measure(const std::function<void()> &work)
{
    const double cpu = ownCpu();
    QElapsedTimer t;
    t.start();
    work();
    return {t.nsecsElapsed() / 1e9, ownCpu() - cpu};
}

Time best(int runs, const std::function<void()> &work)
{
    Time b {1e18, 1e18};
    for (int i = 0; i < runs; ++i) {
        const Time t = measure(work);
        b = {std::min(b.wall, t.wall), std::min(b.cpu, t.cpu)};
    }
    return b;
}

double median(QList<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.isEmpty() ? 0 : ms[ms.size() / 2];
}

void report(const char *what, double ms, double baselineMs)
{
    std::printf("%-56s %8.2f ms   baseline %8.2f ms   ratio %5.2f\n", what, ms, baselineMs,
                baselineMs > 0 ? ms / baselineMs : 0.0);
}

Time median(const QList<Time> &times)
{
    QList<double> wall, cpu;
    for (const Time &t : times) {
        wall << t.wall;
        cpu << t.cpu;
    }
    const auto middle = [](QList<double> v) {
        if (v.isEmpty()) {
            return -1.0;
        }
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    };
    return {middle(wall), middle(cpu)};
}

double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
        }
    }
    return -1;
}

void report(const QString &label, Time ours, Time baseline, const QString &baselineName)
{
    const auto cpu = [](double t) {
        return t >= 0 ? QString::asprintf("%9.3f", t * 1e3) : QStringLiteral("        -");
    };
    std::printf("%-44s %9.3f ms (cpu %s)", qPrintable(label), ours.wall * 1e3, qPrintable(cpu(ours.cpu)));
    if (baseline.wall > 0) {
        std::printf("   %-14s %9.3f ms (cpu %s)   ratio %.2f", qPrintable(baselineName), baseline.wall * 1e3,
                    qPrintable(cpu(baseline.cpu)), ours.wall / baseline.wall);
        if (ours.cpu >= 0 && baseline.cpu > 0) {
            std::printf(" (cpu %.2f)", ours.cpu / baseline.cpu);
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

}

bool Bench::dropIndexesNamed(Dm1 &dm, const QStringList &arguments)
{
    QStringList endings;
    for (const QString &a : arguments) {
        if (a.startsWith(QLatin1String("--without="))) {
            endings << a.mid(10).split(QLatin1Char(','), Qt::SkipEmptyParts);
        }
    }
    // The bill lines' indexes as they were before the reports had their own: the month's index
    // on the month only, the payment state's, the fee items' on the name and the month only, and
    // the unpaid lines' on the month.
    const bool asBefore = arguments.contains(QLatin1String("--indexes-as-before"));
    if (asBefore) {
        endings << QStringLiteral("欠费") << QStringLiteral("收费金额");
    }
    if (endings.isEmpty()) {
        return true;
    }
    QSqlQuery q(dm.database());
    QStringList names;
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"))) {
        return false;
    }
    while (q.next()) {
        const QString name = q.value(0).toString();
        for (const QString &e : endings) {
            if (name.endsWith(QLatin1Char('_') + e)) {
                names << name;
            }
        }
    }
    for (const QString &name : names) {
        if (!q.exec(QStringLiteral("DROP INDEX \"%1\"").arg(name))) {
            std::printf("cannot drop %s: %s\n", qPrintable(name), qPrintable(q.lastError().text()));
            return false;
        }
        std::printf("without the index %s\n", qPrintable(name));
    }
    const QStringList former {
        QStringLiteral("CREATE INDEX \"ix_收费明细表_年度_月份\" ON 收费明细表 (年度, 月份)"),
        QStringLiteral("CREATE INDEX \"ix_收费明细表_缴费状态\" ON 收费明细表 (缴费状态)"),
        QStringLiteral("CREATE INDEX \"ix_收费明细表_收费名称_年度_月份\" ON 收费明细表 (收费名称, 年度, 月份)"),
        QStringLiteral("CREATE INDEX \"ix_收费明细表_年度_月份_未缴费\" ON 收费明细表 (年度, 月份) "
                       "WHERE 缴费状态='未缴费'")};
    for (const QString &sql : asBefore ? former : QStringList()) {
        if (!q.exec(sql)) {
            std::printf("cannot make the former index: %s\n", qPrintable(q.lastError().text()));
            return false;
        }
    }
    return true;
}
