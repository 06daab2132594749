// parvell-cli driven as a script drives it: the built program in its own process, LANG=C and no
// display, on each engine. What it writes is compared with what the core functions give in
// this process.
#include "admin/core/passwords.h"
#include "backend.h"
#include "billing/core/billgeneration.h"
#include "billing/core/readingimport.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/core/gridcolumn.h"
#include "data/transaction.h"
#include "demo/demo.h"
#include "reports/core/billreports.h"
#include "reports/core/depositreports.h"
#include "reports/core/ownerstatement.h"
#include "reports/core/reportcolumns.h"
#include "reports/core/reportrun.h"
#include "temphome.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QTest>
#include <unistd.h>

namespace {

struct Run
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program on home (none: no --home) with args, input on its standard input.
Run cli(const QString &home, const QStringList &args, const QByteArray &input = {},
        const QStringList &extraEnvironment = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("PARVELL_HOME"));
    for (const QString &e : extraEnvironment) {
        env.insert(e.section(QLatin1Char('='), 0, 0), e.section(QLatin1Char('='), 1));
    }
    p.setProcessEnvironment(env);
    // Without a controlling terminal, as under cron: nothing can be asked on one.
    p.setChildProcessModifier([] { ::setsid(); });
    p.start(QStringLiteral(PARVELL_CLI),
            (home.isEmpty() ? QStringList() : QStringList {QStringLiteral("--home"), home}) + args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QJsonObject jsonOf(const Run &r)
{
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &e);
    if (e.error != QJsonParseError::NoError || !doc.isObject()) {
        qWarning() << "no JSON object:" << r.out << r.err;
    }
    return doc.object();
}

}

class TestCli : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    Dm1 *dm() const { return home->dm(); }
    QString path(const QString &name) const { return QDir(home->path()).filePath(name); }

    void addHouse(const QString &code, const QString &building)
    {
        QVERIFY(
            dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元) "
                                      "values (?, ?, ?, ?, '一单元')"),
                       {code, QString(code + QStringLiteral("室")), QString(QStringLiteral("业主") + code), building}));
        QVERIFY(dm()->exec(
            QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 收费面积, 单价, 预付金额) "
                           "values (?, '物业费', '直接输入金额', '', 120000, 10000), "
                           "(?, '有线电视', '直接输入金额', '', 180000, 10000)"),
            {code, code}));
    }
    // Every bill line of the month but its id, in house and item order.
    QStringList monthLines(const QString &year, const QString &month)
    {
        QStringList out;
        QSqlQuery q(dm()->database());
        q.prepare(QStringLiteral("select * from 收费明细表 where 年度=? and 月份=? order by 房屋代码, 收费名称"));
        q.addBindValue(year);
        q.addBindValue(month);
        q.exec();
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) {
                if (q.record().fieldName(i) != QLatin1String("id")) {
                    cells << q.value(i).toString();
                }
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

    // The meter lines of August 2004 as a reading makes them, in house and item order.
    QStringList augustMeters()
    {
        QStringList out;
        QSqlQuery q(dm()->database());
        q.prepare(QStringLiteral("select 房屋代码, 收费名称, 本月表数, 上月表数, \"面积/数量\", 收费金额, 缴费状态 "
                                 "from 收费明细表 where 年度='2004' and 月份='8' and 计算公式=? "
                                 "order by 房屋代码, 收费名称"));
        q.addBindValue(QStringLiteral("单价*(本月数-上月数)"));
        q.exec();
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < 7; ++i) {
                cells << q.value(i).toString();
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

private slots:
    void init() { home = std::make_unique<TempHome>(); }
    void cleanup() { home.reset(); }

    // What a script learns from the exit code alone.
    void exitCodes_data()
    {
        QTest::addColumn<QString>("setUp"); // "": the home as it is
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("told"); // a part of the standard error

        const auto L = [](std::initializer_list<const char *> a) {
            QStringList out;
            for (const char *s : a) {
                out << QString::fromUtf8(s);
            }
            return out;
        };
        QTest::newRow("version") << "" << L({"--version"}) << QByteArray() << 0 << "";
        QTest::newRow("no command") << "" << QStringList() << QByteArray() << 64 << "Commands:";
        QTest::newRow("unknown command") << "" << L({"frobnicate"}) << QByteArray() << 64 << "没有命令 frobnicate";
        QTest::newRow("unknown option of a command")
            << "" << L({"generate", "--bogus"}) << QByteArray() << 64 << "--month";
        QTest::newRow("month 13") << "" << L({"generate", "--month", "2004-13"}) << QByteArray() << 64 << "2004-13";
        QTest::newRow("month without its zero")
            << "" << L({"generate", "--month", "2004-8"}) << QByteArray() << 64 << "YYYY-MM";
        QTest::newRow("home without a database")
            << "no database" << L({"generate", "--month", "2004-08"}) << QByteArray() << 66 << "没有数据库";
        QTest::newRow("unknown operator") << "" << L({"--operator", "张三", "generate", "--month", "2004-08"})
                                          << QByteArray() << 77 << "没有操作人员 张三";
        QTest::newRow("wrong password") << "password"
                                        << L({"--operator", "管理员", "--password-stdin", "generate", "--month",
                                              "2004-08"})
                                        << QByteArray("wrong\n") << 77 << "密码不对";
        QTest::newRow("password in another letter case")
            << "password" << L({"--operator", "管理员", "--password-stdin", "generate", "--month", "2004-08"})
            << QByteArray("secret\n") << 0 << "已生成 0 户";
        QTest::newRow("a password needed, no terminal")
            << "password" << L({"generate", "--month", "2004-08"}) << QByteArray() << 77 << "--password-stdin";
        QTest::newRow("unknown report") << "" << L({"report", "owing", "-o", "x.csv"}) << QByteArray() << 64
                                        << "没有报表 owing";
        QTest::newRow("unknown export type")
            << "" << L({"report", "arrears", "--from", "2004-01", "--to", "2004-12", "-o", "x.pdf"}) << QByteArray()
            << 64 << ".xlsx";
        QTest::newRow("period reversed") << ""
                                         << L({"report", "arrears", "--from", "2004-12", "--to", "2004-01", "-o",
                                               "x.csv"})
                                         << QByteArray() << 64 << "缴费时间从不能大于缴费时间到";
        QTest::newRow("deposit detail without a house")
            << "" << L({"report", "deposit-detail", "--from", "2004-01-01", "--to", "2004-12-31", "-o", "x.csv"})
            << QByteArray() << 64 << "没有输入房屋代码";
        QTest::newRow("statement without a house")
            << "" << L({"report", "statement", "-o", "x.csv"}) << QByteArray() << 64 << "没有输入房屋代码";
        QTest::newRow("statement with one end of its range")
            << "" << L({"report", "statement", "--house", "A-1", "--from", "2004-01-01", "-o", "x.csv"}) << QByteArray()
            << 64 << "请输入开始日期和结束日期";
        QTest::newRow("statement range reversed")
            << ""
            << L({"report", "statement", "--house", "A-1", "--from", "2004-12-31", "--to", "2004-01-01", "-o", "x.csv"})
            << QByteArray() << 64 << "开始日期不能晚于结束日期";
        QTest::newRow("statement of a house not in the register")
            << "" << L({"report", "statement", "--house", "Z-9", "-o", "@x.csv"}) << QByteArray() << 65
            << "房屋资料中没有房屋Z-9";
        QTest::newRow("aging minimum no number")
            << "" << L({"report", "aging", "--minimum", "一百", "-o", "x.csv"}) << QByteArray() << 64 << "最低净欠";
        QTest::newRow("aging date no date") << "" << L({"report", "aging", "--date", "2004-02-30", "-o", "x.csv"})
                                            << QByteArray() << 64 << "2004-02-30";
        QTest::newRow("readings file missing")
            << "" << L({"import-readings", "@none.csv", "--month", "2004-08"}) << QByteArray() << 66 << "不存在";
        QTest::newRow("readings month 13")
            << "output" << L({"import-readings", "@out.csv", "--month", "2004-13"}) << QByteArray() << 64 << "2004-13";
        QTest::newRow("readings of an unknown item")
            << "output" << L({"import-readings", "@out.csv", "--month", "2004-08", "--items", "煤气费"}) << QByteArray()
            << 64 << "没有收费项目“煤气费”";
        QTest::newRow("readings without a house column")
            << "output" << L({"import-readings", "@out.csv", "--month", "2004-08"}) << QByteArray() << 65
            << "没有标题为“房屋代码”的列";
        QTest::newRow("output exists") << "output"
                                       << L({"report", "arrears", "--from", "2004-01", "--to", "2004-12", "-o",
                                             "@out.csv"})
                                       << QByteArray() << 73 << "--force";
        QTest::newRow("output folder missing")
            << "" << L({"report", "arrears", "--from", "2004-01", "--to", "2004-12", "-o", "@nowhere/out.csv"})
            << QByteArray() << 73 << "不存在";
        QTest::newRow("verify a missing file") << "" << L({"verify", "@none.db"}) << QByteArray() << 66 << "不存在";
        QTest::newRow("verify a file that is no database")
            << "output" << L({"verify", "@out.csv"}) << QByteArray() << 65 << "";
        QTest::newRow("restore without --yes")
            << "output" << L({"restore", "@out.csv"}) << QByteArray() << 64 << "--yes";
        QTest::newRow("restore a file that is no database")
            << "output" << L({"restore", "@out.csv", "--yes"}) << QByteArray() << 65 << "";
    }
    void exitCodes()
    {
        QFETCH(QString, setUp);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, code);
        QFETCH(QString, told);
        QTemporaryDir empty;
        QString where = home->path();
        if (setUp == QLatin1String("no database")) {
            where = empty.path();
        } else if (setUp == QLatin1String("password")) {
            QVERIFY(Passwords::store(dm(), dm()->scalar(QStringLiteral("select id from 权限表 where 姓名='管理员'")),
                                     Passwords::normalise(QStringLiteral("Secret"))));
        } else if (setUp == QLatin1String("output")) {
            writeFile(path(QStringLiteral("out.csv")), "not a database\n");
        }
        for (QString &a : args) {
            a = a.startsWith(QLatin1Char('@')) ? path(a.mid(1)) : a;
        }
        const Run r = cli(where, args, input);
        QCOMPARE(r.code, code);
        QVERIFY2(QString::fromUtf8(r.err).contains(told), r.err.constData());
        QVERIFY(!QFile::exists(path(QStringLiteral("x.csv"))));
        QVERIFY(!QFileInfo::exists(QDir(empty.path()).filePath(QStringLiteral("data"))));
    }

    // The lines a generation makes are the core function's, house for house; --building keeps
    // to one building, --dry-run counts without writing, and --json says it in one object.
    void generateEqualsTheCore()
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼'), ('二号楼')")));
        for (int h = 1; h <= 3; ++h) {
            addHouse(QStringLiteral("A-%1").arg(h), QStringLiteral("一号楼"));
            addHouse(QStringLiteral("B-%1").arg(h), QStringLiteral("二号楼"));
        }
        const QStringList month = {QStringLiteral("generate"), QStringLiteral("--month"), QStringLiteral("2004-08")};

        Run r = cli(home->path(),
                    QStringList {QStringLiteral("--json")} + month + QStringList {QStringLiteral("--dry-run")});
        QCOMPARE(r.code, 0);
        QJsonObject o = jsonOf(r);
        QCOMPARE(o.value(QStringLiteral("generated")).toInt(), 6);
        QCOMPARE(o.value(QStringLiteral("lines")).toInt(), 12);
        QCOMPARE(o.value(QStringLiteral("month")).toString(), QStringLiteral("2004-08"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(o.value(QStringLiteral("finished")).toString())
                    .hasMatch());
        QCOMPARE(monthLines(QStringLiteral("2004"), QStringLiteral("8")).size(), 0);

        r = cli(home->path(),
                QStringList {QStringLiteral("--json")} + month
                    + QStringList {QStringLiteral("--building"), QStringLiteral("一号楼")});
        QCOMPARE(r.code, 0);
        o = jsonOf(r);
        QCOMPARE(o.value(QStringLiteral("generated")).toInt(), 3);
        QCOMPARE(o.value(QStringLiteral("ok")).toBool(), true);
        r = cli(home->path(), QStringList {QStringLiteral("--json")} + month);
        o = jsonOf(r);
        QCOMPARE(o.value(QStringLiteral("generated")).toInt(), 3);
        QCOMPARE(o.value(QStringLiteral("skipped")).toInt(), 3);
        QCOMPARE(o.value(QStringLiteral("lines")).toInt(), 6);
        const QStringList byProgram = monthLines(QStringLiteral("2004"), QStringLiteral("8"));
        QCOMPARE(byProgram.size(), 12);

        QVERIFY(dm()->exec(QStringLiteral("delete from 收费明细表")));
        const auto byCore = BillGeneration(dm()->database()).generateEstate({2004, 8});
        QCOMPARE(byCore.generated, 6);
        QCOMPARE(monthLines(QStringLiteral("2004"), QStringLiteral("8")), byProgram);

        QCOMPARE(cli(home->path(), month + QStringList {QStringLiteral("--building"), QStringLiteral("三号楼")}).code,
                 65);
    }

    // Each report, in each text format, is byte for byte the file the grid's writers make of
    // the same rows; "-o -" writes the csv to the standard output.
    void reportsAreTheWritersFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        const QStringList names = {"arrears", "by-month",       "by-item",         "full",      "paid",
                                   "unpaid",  "deposit-detail", "deposit-summary", "statement", "aging"};
        for (const QString &n : names) {
            for (const char *e : {"csv", "txt", "htm", "rtf"}) {
                QTest::newRow(qPrintable(n + QLatin1Char('.') + QLatin1String(e))) << n << QString::fromLatin1(e);
            }
        }
        QTest::newRow("reminders.csv") << "reminders"
                                       << "csv";
    }
    void reportsAreTheWritersFiles()
    {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QString error;
        QVERIFY2(Demo::fill(dm(), &error), qPrintable(error));
        const bool byDays = name.startsWith(QLatin1String("deposit")) || name == QLatin1String("statement");
        const bool atDate = name == QLatin1String("aging") || name == QLatin1String("reminders");
        const QString house = dm()->scalar(QStringLiteral("select min(房屋代码) from 押金明细表")).toString();
        QStringList args = {QStringLiteral("report"), name};
        if (atDate) {
            args << QStringLiteral("--date") << QStringLiteral("2030-12-31");
        } else {
            args << QStringLiteral("--from") << (byDays ? QStringLiteral("2000-01-01") : QStringLiteral("2000-01"))
                 << QStringLiteral("--to") << (byDays ? QStringLiteral("2030-12-31") : QStringLiteral("2030-12"));
        }
        if (name == QLatin1String("deposit-detail") || name == QLatin1String("statement")) {
            args << QStringLiteral("--house") << house;
        }
        const QString file = path(QStringLiteral("report.") + extension);
        const Run r = cli(home->path(), args + QStringList {QStringLiteral("-o"), file});
        QVERIFY2(r.code == 0, r.err.constData());

        BillReportFilter bills {{2000, 1}, {2030, 12}, {}, {}, {}, {}};
        DepositFilter days {QDate(2000, 1, 1), QDate(2030, 12, 31), house, {}};
        QList<GridColumn> columns;
        ReportRun::Computation work;
        using L = BillReports::Listing;
        if (name == QLatin1String("arrears")) {
            columns = ReportColumns::arrears();
            work = [bills](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return BillReports::arrears(db, bills, o, e);
            };
        } else if (name == QLatin1String("by-month")) {
            columns = ReportColumns::monthTotals();
            work = [bills](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return BillReports::monthTotals(db, bills, o, e);
            };
        } else if (name == QLatin1String("by-item")) {
            columns = ReportColumns::itemTotals();
            work = [bills](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return BillReports::itemTotals(db, bills, o, e);
            };
        } else if (name == QLatin1String("deposit-detail")) {
            columns = ReportColumns::depositDetail();
            work = [days](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return DepositReports::detail(db, days, o, e);
            };
        } else if (name == QLatin1String("deposit-summary")) {
            columns = ReportColumns::depositSummary();
            work = [days](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return DepositReports::summary(db, days, o, e);
            };
        } else if (name == QLatin1String("statement")) {
            columns = ReportColumns::ownerStatement();
            work = [house](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                OwnerStatement::Statement s;
                return OwnerStatement::compute(db, {house, QDate(2000, 1, 1), QDate(2030, 12, 31), false}, &s, e)
                    && OwnerStatement::writeRows(s, o, e);
            };
        } else if (atDate) {
            columns = ReportColumns::arrearsAging();
            work = [](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                QList<OwnerStatement::AgingRow> rows;
                return OwnerStatement::aging(db, {QDate(2030, 12, 31), {}, {}}, &rows, e)
                    && OwnerStatement::writeAgingRows(rows, o, e);
            };
        } else {
            const L kind = name == QLatin1String("full") ? L::All : name == QLatin1String("paid") ? L::Paid : L::Unpaid;
            columns = ReportColumns::listing(kind);
            work = [bills, kind](const QSqlDatabase &db, ScratchSink &o, QString *e) {
                return BillReports::listing(db, kind, bills, o, e);
            };
        }
        ExportTable table;
        if (name == QLatin1String("reminders")) {
            QList<OwnerStatement::AgingRow> rows;
            QVERIFY2(OwnerStatement::aging(dm()->database(), {QDate(2030, 12, 31), {}, {}}, &rows, &error),
                     qPrintable(error));
            table = OwnerStatement::reminderList(rows);
        } else {
            QVERIFY2(ReportRun::runHere(work, dm()->q_tongyong, &error), qPrintable(error));
            table = GridCells::exportTable(*dm()->q_tongyong, columns);
        }
        QVERIFY(table.rowCount > 0);
        QBuffer expected;
        expected.open(QIODevice::WriteOnly);
        const ExportFormat format = extension == QLatin1String("csv") ? ExportFormat::Csv
            : extension == QLatin1String("txt")                       ? ExportFormat::Text
            : extension == QLatin1String("htm")                       ? ExportFormat::Html
                                                                      : ExportFormat::Rtf;
        QVERIFY(Export::write(format, table, &expected, &error));
        QCOMPARE(fileBytes(file), expected.data());
        if (format == ExportFormat::Csv) {
            const Run toStdout = cli(home->path(), args + QStringList {QStringLiteral("-o"), QStringLiteral("-")});
            QCOMPARE(toStdout.code, 0);
            QCOMPARE(toStdout.out, expected.data());
        }
    }

    // "-o -" read by a reader that stops early ends quietly; a full disk is an I/O error.
    void closedPipeAndFullDisk()
    {
        QString error;
        QVERIFY2(Demo::fill(dm(), &error), qPrintable(error));
        const QString run = QStringLiteral("'%1' --home '%2' report full --from 2000-01 --to 2030-12 -o -")
                                .arg(QStringLiteral(PARVELL_CLI), home->path());
        QProcess shell;
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     run
                         + QStringLiteral(" | head -c 10 >/dev/null; "
                                          "exit ${PIPESTATUS[0]}")});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(shell.readAllStandardError(), QByteArray());
        shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), run + QStringLiteral(" >/dev/full")});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 74);
    }

    // A backup is a copy the restore accepts; it is not written over without --force; a
    // restore is refused with "busy" while another program has the database open.
    void backupVerifyRestore()
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼')")));
        const QString copy = path(QStringLiteral("copy.db"));
        Run r = cli(home->path(), {QStringLiteral("--json"), QStringLiteral("backup"), QStringLiteral("-o"), copy});
        QCOMPARE(r.code, 0);
        QCOMPARE(jsonOf(r).value(QStringLiteral("file")).toString(), copy);
        QCOMPARE(cli(home->path(), {QStringLiteral("verify"), copy}).code, 0);
        QCOMPARE(cli(home->path(), {QStringLiteral("backup"), QStringLiteral("-o"), copy}).code, 73);
        QCOMPARE(
            cli(home->path(), {QStringLiteral("backup"), QStringLiteral("-o"), copy, QStringLiteral("--force")}).code,
            0);

        QVERIFY(dm()->exec(QStringLiteral("delete from 楼宇资料")));
        if (!Backend::onServer()) {
            // This process is the other program: its connection is open.
            r = cli(home->path(), {QStringLiteral("restore"), copy, QStringLiteral("--yes")});
            QCOMPARE(r.code, 75);
            dm()->closeConnection();
        }
        r = cli(home->path(), {QStringLiteral("restore"), copy, QStringLiteral("--yes")});
        QVERIFY2(r.code == 0, r.err.constData());
        if (!dm()->isConnected()) {
            QVERIFY(dm()->openConnection());
        }
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(), 1);
    }

    // An import takes every row or none: each row checked by the register's rules, the messages
    // naming the line; text in UTF-8 with or without a byte-order mark or in GB18030; .xlsx
    // read as such.
    void importAllOrNothing_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("rows"); // rows of the register afterwards (one there before)
        QTest::addColumn<QString>("told");

        const QByteArray bom = "\xEF\xBB\xBF";
        const QByteArray houses =
            "房屋代码,楼宇名称,房屋面积,备注\r\nA-1,一号楼,88.5,\"朝南,\r\n带阁楼\"\r\nA-2,一号楼,,\r\n";
        QTest::newRow("houses, BOM, quoted line break") << "houses"
                                                        << "h.csv" << bom + houses << 0 << 3 << "已导入 2 行";
        QTest::newRow("houses without a BOM") << "houses"
                                              << "h.csv" << houses << 0 << 3 << "已导入 2 行";
        QStringEncoder toGb("GB18030");
        const QByteArray gbHouses = toGb(QString::fromUtf8(houses));
        QTest::newRow("houses in GB18030") << "houses"
                                           << "h.csv" << gbHouses << 0 << 3 << "已导入 2 行";
        QTest::newRow("a code twice in the file")
            << "houses"
            << "h.csv" << QByteArray("房屋代码,楼宇名称\nA-1,一号楼\n A-1 ,一号楼\n") << 65 << 1
            << "第3行：房屋代码重复,请重新输入!";
        QTest::newRow("a code the register has") << "houses"
                                                 << "h.csv" << QByteArray("房屋代码,楼宇名称\nA-1,一号楼\nA-0,一号楼\n")
                                                 << 65 << 1 << "第3行：房屋代码重复,请重新输入!";
        QTest::newRow("no building") << "houses"
                                     << "h.csv" << QByteArray("房屋代码,楼宇名称\nA-1,\n") << 65 << 1
                                     << "第2行：楼宇名称不能为空,请重新输入!";
        QTest::newRow("a building that does not exist")
            << "houses"
            << "h.csv" << QByteArray("房屋代码,楼宇名称\nA-1,九号楼\n") << 65 << 1 << "楼宇“九号楼”不存在";
        QTest::newRow("an area that is no number")
            << "houses"
            << "h.csv" << QByteArray("房屋代码,楼宇名称,房屋面积\nA-1,一号楼,八十\n") << 65 << 1
            << "“房屋面积”只能是数字！";
        QTest::newRow("a header missing")
            << "houses"
            << "h.csv" << QByteArray("房屋代码,备注\nA-1,x\n") << 65 << 1 << "缺少字段“楼宇名称”";
        QTest::newRow("a header twice") << "houses"
                                        << "h.csv" << QByteArray("房屋代码,楼宇名称,房屋代码\nA-1,一号楼,A-1\n") << 65
                                        << 1 << "出现了两次";
        QTest::newRow("a field of no register")
            << "houses"
            << "h.csv" << QByteArray("房屋代码,楼宇名称,零头\nA-1,一号楼,3\n") << 65 << 1 << "没有字段“零头”";
        QTest::newRow("an empty file") << "houses"
                                       << "h.csv" << QByteArray() << 65 << 1 << "";
        QTest::newRow("owners") << "owners"
                                << "o.csv" << QByteArray("业主名称,身份证号,预付金额\n李四,110101199003074512,12.5\n")
                                << 0 << 2 << "已导入 1 行";
        QTest::newRow("an owner twice") << "owners"
                                        << "o.csv" << QByteArray("业主名称\n李四\n张三\n") << 65 << 1
                                        << "第3行：业主名称重复,请重新输入!";
        QTest::newRow("five decimals") << "owners"
                                       << "o.csv" << QByteArray("业主名称,预付金额\n李四,1.23456\n") << 65 << 1
                                       << "“预付金额”最多四位小数！";

        // A workbook whose identity numbers were kept as numbers: their last digits are gone.
        ExportTable t;
        t.titles = {QStringLiteral("业主名称"), QStringLiteral("身份证号")};
        t.kinds = {FieldKind::Text, FieldKind::Number};
        t.alignments = {Qt::AlignLeft, Qt::AlignRight};
        t.rowCount = 1;
        t.value = [](int, int column) {
            return column == 0 ? QVariant(QStringLiteral("李四")) : QVariant(110101199003074512.0);
        };
        QBuffer xlsx;
        xlsx.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY(Export::write(ExportFormat::Xlsx, t, &xlsx, &error));
        QTest::newRow("identity numbers stored as numbers")
            << "owners"
            << "o.xlsx" << xlsx.data() << 65 << 1 << "第2行：身份证号必须以文本格式保存";
    }
    void importAllOrNothing()
    {
        QFETCH(QString, what);
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(int, rows);
        QFETCH(QString, told);
        QVERIFY(dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼')")));
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称) values ('A-0', '一号楼')")));
        QVERIFY(dm()->exec(QStringLiteral("insert into 业主资料 (业主名称) values ('张三')")));
        writeFile(path(file), bytes);
        const QString table = what == QLatin1String("houses") ? QStringLiteral("房屋资料") : QStringLiteral("业主资料");

        Run r =
            cli(home->path(),
                {QStringLiteral("--json"), QStringLiteral("import"), what, path(file), QStringLiteral("--dry-run")});
        QCOMPARE(r.code, code);
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from ") + table).toInt(), 1);
        r = cli(home->path(), {QStringLiteral("--json"), QStringLiteral("import"), what, path(file)});
        QCOMPARE(r.code, code);
        QVERIFY2(QString::fromUtf8(r.err).contains(told), r.err.constData());
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from ") + table).toInt(), rows);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o.value(QStringLiteral("exit")).toInt(), code);
        QCOMPARE(o.value(QStringLiteral("imported")).toInt(), rows - 1);
        if (rows > 1) {
            QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from ") + table
                                  + QStringLiteral(" where 操作人员='管理员'"))
                         .toInt(),
                     rows - 1);
        }
        if (what == QLatin1String("houses") && code == 0) {
            QCOMPARE(dm()->scalar(QStringLiteral("select 备注 from 房屋资料 where 房屋代码='A-1'")).toString(),
                     QStringLiteral("朝南,\n带阁楼"));
        }
        if (told.startsWith(QStringLiteral("第"))) {
            const QJsonArray refused = o.value(QStringLiteral("refused")).toArray();
            QCOMPARE(refused.size(), 1);
            QCOMPARE(QStringLiteral("第%1行：").arg(refused[0][QStringLiteral("line")].toInt())
                         + refused[0][QStringLiteral("message")].toString(),
                     told);
        }
    }

    // The meter reader's file brought in unattended: the readings the preview finds ready are
    // written and priced as the core's import writes them, stamped with the operator; every
    // other reading is listed and left alone; houses whose month is not made are skipped unless
    // --generate; --items keeps to its items and names a column titled otherwise; --dry-run
    // writes nothing; a file with a house twice, or with no meter column, is refused whole.
    void importReadings_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("more"); // a row added to the file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("layout"); // the columns the core is given: "1=水费,2=电费"
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("problems");
        QTest::addColumn<QString>("told");

        const QString both = QStringLiteral("房屋代码,水费,电费");
        const QString meterTitle = QStringLiteral("房屋代码,水表,电费");
        const auto L = [](std::initializer_list<const char *> a) {
            QStringList out;
            for (const char *s : a) {
                out << QString::fromUtf8(s);
            }
            return out;
        };
        QTest::newRow("guessed columns") << QStringList() << both << QString() << 0 << "1=水费,2=电费" << 4 << 2 << 4
                                         << "第4行 A-3 电费：读数不是数字（读数 abc）";
        QTest::newRow("houses generated first") << L({"--generate"}) << both << QString() << 0 << "1=水费,2=电费" << 6
                                                << 0 << 4 << "先为 1 户生成了2004年08月的应缴费用";
        QTest::newRow("one item") << L({"--items", "电费"}) << both << QString() << 0 << "2=电费" << 2 << 1 << 2
                                  << "第6行 B-9 电费：没有该房屋";
        QTest::newRow("a column titled otherwise") << L({"--items", "水表=水费"}) << meterTitle << QString() << 0
                                                   << "1=水费" << 2 << 1 << 2 << "第3行 A-2 水费：读数小于上月";
        QTest::newRow("dry run") << L({"--dry-run", "--generate"}) << both << QString() << 0 << QString() << 0 << 0 << 4
                                 << "6 条可导入";
        QTest::newRow("an item whose column is titled otherwise")
            << L({"--items", "水费"}) << meterTitle << QString() << 65 << QString() << 0 << 0 << 0
            << "--items 标题=水费";
        QTest::newRow("an item that is read by no meter")
            << L({"--items", "物业费"}) << both << QString() << 64 << QString() << 0 << 0 << 0 << "不是抄表项目";
        QTest::newRow("no meter column") << QStringList() << QStringLiteral("房屋代码,水表,电表") << QString() << 65
                                         << QString() << 0 << 0 << 0 << "没有一列的标题是抄表项目的名称";
        QTest::newRow("a house twice") << QStringList() << both << QStringLiteral("A-1,113,541") << 65 << QString() << 0
                                       << 0 << 8 << "房屋 A-1 有不止一行";
    }
    void importReadings()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, header);
        QFETCH(QString, more);
        QFETCH(int, code);
        QFETCH(QString, layout);
        QFETCH(int, written);
        QFETCH(int, skipped);
        QFETCH(int, problems);
        QFETCH(QString, told);

        // A-1 … A-4 read for water and electricity, July's readings 100 and 500 (10 and 50
        // used); August made for all but A-4.
        const QString meter = QStringLiteral("单价*(本月数-上月数)");
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 单价) values "
                                          "('水费', ?, 25000), ('电费', ?, 6000), ('物业费', '直接输入金额', 120000)"),
                           {meter, meter}));
        for (int h = 1; h <= 4; ++h) {
            const QString code = QStringLiteral("A-%1").arg(h);
            QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称) values (?, ?)"),
                               {code, QString(QStringLiteral("业主") + code)}));
            QVERIFY(dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价) values "
                                              "(?, '水费', ?, 25000), (?, '电费', ?, 6000)"),
                               {code, meter, code, meter}));
            QVERIFY(
                dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, 本月表数, "
                                          "上月表数, 缴费状态) values (?, '水费', ?, '2004', '7', 100, 90, '未缴费'), "
                                          "(?, '电费', ?, '2004', '7', 500, 450, '未缴费')"),
                           {code, meter, code, meter}));
            if (h < 4) {
                QCOMPARE(BillGeneration(dm()->database()).generateHouse(code, {2004, 8}).result,
                         BillGeneration::Result::Generated);
            }
        }
        // A-2's water below July's, A-3's electricity no number, B-9 no house.
        QString text = header + QStringLiteral("\nA-1,112,540\nA-2,95,560\nA-3,110,abc\nA-4,105,520\nB-9,1,2\n");
        if (!more.isEmpty()) {
            text += more + QLatin1Char('\n');
        }
        const QString file = path(QStringLiteral("抄表.csv"));
        writeFile(file, text.toUtf8());
        const QStringList before = augustMeters();

        // What the core's import makes of the same file, undone again.
        QStringList byCore;
        if (!layout.isEmpty()) {
            QList<SheetRow> rows;
            QString error;
            QVERIFY2(SheetReader::read(file, &rows, &error), qPrintable(error));
            ReadingLayout columns;
            columns.houseColumn = 0;
            for (const QString &pair : layout.split(QLatin1Char(','))) {
                columns.items.insert(pair.section(QLatin1Char('='), 0, 0).toInt(), pair.section(QLatin1Char('='), 1));
            }
            ReadingPreview preview;
            ReadingImport::Outcome out;
            Transaction undone(dm()->database());
            QVERIFY(ReadingImport::preview(dm()->database(), rows, columns, {2004, 8}, &preview, &error));
            QVERIFY(ReadingImport::write(dm()->database(), preview.lines, {2004, 8},
                                         args.contains(QStringLiteral("--generate")), &out, &error));
            QCOMPARE(out.written, written);
            byCore = augustMeters();
            undone.rollback();
            QCOMPARE(augustMeters(), before);
        }

        const Run r = cli(home->path(),
                          QStringList {QStringLiteral("--json"), QStringLiteral("import-readings"), file,
                                       QStringLiteral("--month"), QStringLiteral("2004-08")}
                              + args);
        QCOMPARE(r.code, code);
        QVERIFY2(QString::fromUtf8(r.err).contains(told), r.err.constData());
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o.value(QStringLiteral("problems")).toArray().size(), problems);
        for (const QJsonValue &p : o.value(QStringLiteral("problems")).toArray()) {
            QVERIFY(p[QStringLiteral("line")].toInt() > 1);
            QVERIFY(!p[QStringLiteral("house")].toString().isEmpty());
            QVERIFY(!p[QStringLiteral("item")].toString().isEmpty());
            QVERIFY(!p[QStringLiteral("state")].toString().isEmpty());
        }
        if (layout.isEmpty()) {
            QCOMPARE(augustMeters(), before);
            return;
        }
        QCOMPARE(o.value(QStringLiteral("written")).toInt(), written);
        QCOMPARE(o.value(QStringLiteral("skipped")).toArray().size(), skipped);
        for (const QJsonValue &s : o.value(QStringLiteral("skipped")).toArray()) {
            QCOMPARE(s[QStringLiteral("reason")].toString(), QStringLiteral("本月应缴费用尚未生成"));
            QCOMPARE(s[QStringLiteral("house")].toString(), QStringLiteral("A-4"));
        }
        QCOMPARE(augustMeters(), byCore);
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 收费明细表 where 操作人员='管理员'")).toInt(),
                 written);
    }

    // Another counter's write lock outlasting the wait: 75, "retry later", and nothing made.
    void busyDatabase_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("generate") << QStringList {QStringLiteral("generate"), QStringLiteral("--month"),
                                                  QStringLiteral("2004-08")};
        QTest::newRow("import-readings") << QStringList {QStringLiteral("import-readings"), QStringLiteral("@抄表.csv"),
                                                         QStringLiteral("--month"), QStringLiteral("2004-08"),
                                                         QStringLiteral("--generate")};
    }
    void busyDatabase()
    {
        QFETCH(QStringList, args);
        QVERIFY(dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼')")));
        addHouse(QStringLiteral("A-1"), QStringLiteral("一号楼"));
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 单价) values ('水费', ?, 25000)"),
                           {QStringLiteral("单价*(本月数-上月数)")}));
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价) values "
                                          "('A-1', '水费', ?, 25000)"),
                           {QStringLiteral("单价*(本月数-上月数)")}));
        writeFile(path(QStringLiteral("抄表.csv")), "房屋代码,水费\nA-1,5\n");
        for (QString &a : args) {
            a = a.startsWith(QLatin1Char('@')) ? path(a.mid(1)) : a;
        }
        QVERIFY(dm()->database().transaction());
        QVERIFY(dm()->exec(QStringLiteral("update 房屋资料 set 业主名称='林超' where 房屋代码='A-1'")));
        const Run r = cli(home->path(), args, {}, {QStringLiteral("PGOPTIONS=-c lock_timeout=300")});
        QVERIFY(dm()->database().rollback());
        QVERIFY2(r.code == 75, r.err.constData());
        QCOMPARE(monthLines(QStringLiteral("2004"), QStringLiteral("8")).size(), 0);
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
