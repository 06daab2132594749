// The import of an old Jet database. The reader on the public sample files (text of every
// plane, currency, dates, passwords, encryption, Jet 3); bad files refused, before reading or by
// what the reading met; the rules of the mapping on hand-written streams of the reader's lines;
// and every failure, the reader crashing or hanging included, leaving the database byte for byte
// as it was. The import itself runs on each engine: on a server it replaces the estate's rows.

#include "admin/core/jetimport.h"
#include "admin/core/passwords.h"
#include "backend.h"
#include "data/schema.h"
#include "temphome.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

QString fixture(const QString &name)
{
    return QDir(QStringLiteral(JET_FIXTURES)).filePath(name);
}

// The reader's lines for one table of rows, after the file line, ending with "done".
QByteArray stream(const QList<QByteArray> &tables)
{
    QByteArray s = R"({"file":{"format":"Jet4","codePage":936,"text":"UTF-16LE"},"tables":[]})"
                   "\n";
    for (const QByteArray &t : tables) {
        s += t;
    }
    return s
        + R"({"done":true})"
          "\n";
}

// A table: "name", "column:type ..." and its rows as JSON arrays.
QByteArray table(const QString &name, const QString &columns, const QList<QByteArray> &rows)
{
    QJsonArray cols;
    for (const QString &c : columns.split(QLatin1Char(' '))) {
        const QStringList nt = c.split(QLatin1Char(':'));
        cols.append(QJsonObject {{QStringLiteral("name"), nt[0]}, {QStringLiteral("type"), nt.value(1)}});
    }
    QByteArray t = QJsonDocument(QJsonObject {{QStringLiteral("table"), name}, {QStringLiteral("columns"), cols}})
                       .toJson(QJsonDocument::Compact)
        + '\n';
    for (const QByteArray &r : rows) {
        t += r + '\n';
    }
    return t + QJsonDocument(QJsonObject {{QStringLiteral("end"), name}}).toJson(QJsonDocument::Compact) + '\n';
}

const QByteArray Bill = "房屋代码:text 收费名称:text 年度:text 月份:text 收费金额:currency";

JetImport::Result importBytes(Dm1 *dm, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return JetImport::importStream(dm, buffer, QStringLiteral("old.mdb"));
}

QString value(Dm1 *dm, const QString &sql)
{
    const QVariant v = dm->scalar(sql);
    return v.isNull() ? QStringLiteral("NULL") : v.toString();
}

QStringList dataFolder(Dm1 *dm)
{
    return QFileInfo(dm->databasePath()).absoluteDir().entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString script(const QTemporaryDir &dir, const QByteArray &body)
{
    const QString path = dir.filePath(QStringLiteral("reader.sh"));
    writeFile(path, "#!/bin/sh\n" + body + '\n');
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

}

class TestJetImport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { JetReaderProcess::setProgram({}); }
    void readerReadsSampleFiles_data();
    void readerReadsSampleFiles();
    void badFilesChangeNothing_data();
    void badFilesChangeNothing();
    void mappingRules_data();
    void mappingRules();
    void moneyTotalsBalance();
    void importReplacesDatabaseAfterBackup();
    void failureChangesNothing_data();
    void failureChangesNothing();
};

void TestJetImport::readerReadsSampleFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");

    QTest::newRow("CJK, compressed text") << "testUnicodeCompV2003.mdb"
                                          << "Table" << 5 << "Unicode" << QStringLiteral("漢字仮名交じり文");
    QTest::newRow("beyond the basic plane") << "testEmoticonsV2010.accdb"
                                            << "data" << 1 << "data" << QStringLiteral("a😀a");
    QTest::newRow("date") << "testV2000.mdb"
                          << "Table1" << 1 << "G"
                          << "1974-09-21 00:00:00";
    QTest::newRow("currency, exactly") << "testV2000.mdb"
                                       << "Table1" << 1 << "H"
                                       << "3.5000";
    QTest::newRow("yes/no") << "testV2000.mdb"
                            << "Table1" << 1 << "I"
                            << "1";
    QTest::newRow("Jet 4 with a password, not given") << "V2000_with-password.mdb"
                                                      << "Table1" << 1 << "Data"
                                                      << "One";
    QTest::newRow("Access 2003 with a password") << "V2003_with-password.mdb"
                                                 << "Table1" << 3 << "Data"
                                                 << "Three";
    QTest::newRow("RC4-encoded Jet 4") << "db-enc.mdb"
                                       << "Table1" << 2 << "col1"
                                       << "world";
    QTest::newRow("RC4-encoded Jet 3") << "db97-enc.mdb"
                                       << "Table1" << 1 << "col1"
                                       << "hello";
}

void TestJetImport::readerReadsSampleFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QString, expected);
    JetReaderProcess reader(fixture(file), {});
    QByteArray line;
    QString current;
    int column_ = -1, seen = 0;
    QString found;
    bool done = false;
    while (reader.next(&line)) {
        const QJsonDocument d = QJsonDocument::fromJson(line);
        QVERIFY2(!d.isNull(), line.constData());
        const QJsonObject o = d.object();
        if (o.contains(QLatin1String("table"))) {
            current = o.value(QLatin1String("table")).toString();
            const QJsonArray cols = o.value(QLatin1String("columns")).toArray();
            for (int i = 0; i < cols.size(); ++i) {
                if (cols[i].toObject().value(QLatin1String("name")).toString() == column) {
                    column_ = i;
                }
            }
        } else if (d.isArray() && current == table && ++seen == row) {
            found = d.array().at(column_).toString();
        }
        done = done || o.contains(QLatin1String("done"));
    }
    QVERIFY2(reader.failure().isEmpty(), qPrintable(reader.failure()));
    QVERIFY(done);
    QCOMPARE(found, expected);
}

void TestJetImport::badFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes"); // written as the chosen file; empty: the sample file itself
    QTest::addColumn<QString>("refusal");

    const QByteArray jet = fileBytes(fixture(QStringLiteral("testV2000.mdb")));
    QByteArray encrypted = fileBytes(fixture(QStringLiteral("testEmoticonsV2010.accdb")));
    const QString provider = QStringLiteral("Microsoft Enhanced RSA and AES Cryptographic Provider");
    encrypted.replace(0x300, provider.size() * 2,
                      QByteArray(reinterpret_cast<const char *>(provider.utf16()), provider.size() * 2));

    QTest::newRow("a renamed spreadsheet") << QByteArray("\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8) + QByteArray(4088, '\0')
                                           << QStringLiteral("不是 Access 数据库（.mdb）文件");
    QTest::newRow("0 bytes") << QByteArray() << QStringLiteral("是空文件（0 字节）");
    QTest::newRow("cut off while copied") << jet.left(jet.size() / 2 + 100) << QStringLiteral("不完整");
    QTest::newRow("only the first page") << jet.left(4096) << QStringLiteral("不完整");
    QTest::newRow("cut off at a page's end")
        << fileBytes(fixture(QStringLiteral("testUnicodeCompV2003.mdb"))).left(10 * 4096)
        << QStringLiteral("读取失败：文件不完整或已经损坏（mdbtools：");
    QTest::newRow("Office encryption") << encrypted << QStringLiteral("无法读取该文件（可能已加密）");
    QTest::newRow("a Jet file of another program") << jet << QStringLiteral("没有本系统的数据表");
}

void TestJetImport::badFilesChangeNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    TempHome home;
    QVERIFY(home.ok());
    const QString file = QDir(home.path()).filePath(QStringLiteral("old.mdb"));
    writeFile(file, bytes);
    const QByteArray before = Backend::onServer() ? QByteArray() : fileBytes(home.dm()->databasePath());
    const QStringList folder = dataFolder(home.dm());
    const JetImport::Result r = JetImport::importFile(home.dm(), file);
    QVERIFY(!r.imported);
    QVERIFY2(r.error.contains(refusal), qPrintable(r.error));
    if (!Backend::onServer()) {
        QCOMPARE(fileBytes(home.dm()->databasePath()), before);
    }
    QCOMPARE(dataFolder(home.dm()), folder);
}

void TestJetImport::mappingRules_data()
{
    QTest::addColumn<QByteArray>("tables");
    QTest::addColumn<QString>("query"); // one value of the new database
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("reported"); // in the report text

    QTest::newRow("currency exactly") << table("收费明细表", Bill, {R"(["A101","水费","2004","8","3.5000"])"})
                                      << "select 收费金额 from 收费明细表"
                                      << "35000" << QStringList {};
    QTest::newRow("real-number amount rounded, ties to even")
        << table("收费明细表", "房屋代码:text 收费金额:double", {R"(["A101","0.12345"])"})
        << "select 收费金额 from 收费明细表"
        << "1234" << QStringList {QStringLiteral("四舍五入到 0.0001（逢五取偶）：1 个值")};
    QTest::newRow("amount beyond Money refused")
        << table("收费明细表", Bill, {R"(["A101","水费","2004","8","922337203685477.5807"])"})
        << "select count(*) from 收费明细表"
        << "0"
        << QStringList {QStringLiteral("收费明细表 第 1 行：收费金额 922337203685477.5807 超出本系统能保存的金额范围")};
    QTest::newRow("date kept with its time")
        << table("房屋资料", "房屋代码:text 迁入日期:datetime", {R"(["A101","1974-09-21 00:00:00"])"})
        << "select 迁入日期 from 房屋资料"
        << "1974-09-21 00:00:00" << QStringList {};
    QTest::newRow("date before 1899-12-30 refused")
        << table("房屋资料", "房屋代码:text 迁入日期:datetime", {R"(["A101","1900-01-00 00:00:00"])"})
        << "select count(*) from 房屋资料"
        << "0"
        << QStringList {QStringLiteral("迁入日期读不出来（早于 1899-12-30 或超出范围）"),
                        QStringLiteral("房屋代码=A101；迁入日期=1900-01-00 00:00:00")};
    QTest::newRow("year and month without leading zeros")
        << table("收费明细表", Bill, {R"(["A101","水费","2004","08","1.0000"])"}) << "select 月份 from 收费明细表"
        << "8" << QStringList {QStringLiteral("去掉了前导零（如“08”改为“8”）：1 个值")};
    QTest::newRow("a repeated house code: the later row refused, listed in full")
        << table("房屋资料", "房屋代码:text 房屋名称:text",
                 {R"(["A101","一号"])", R"(["A102","二号"])", R"(["A101","三号"])"})
        << "select (select 房屋名称 from 房屋资料 where 房屋代码='A101') || count(*) from 房屋资料"
        << "一号2"
        << QStringList {QStringLiteral("房屋资料 第 3 行：房屋代码“A101”已经存在！"),
                        QStringLiteral("房屋代码=A101；房屋名称=三号"), QStringLiteral("房屋资料 3 2 1")};
    QTest::newRow("a repeated bill line refused") << table(
        "收费明细表", Bill, {R"(["A101","水费","2004","8","1.0000"])", R"(["A101","水费","2004","08","2.0000"])"})
                                                  << "select sum(收费金额) from 收费明细表"
                                                  << "10000" << QStringList {QStringLiteral("月份“8”")};
    QTest::newRow("null and empty text kept apart")
        << table("业主资料", "业主名称:text 身份证号:text 联系电话:text", {R"(["张三",null,""])"})
        << "select coalesce(身份证号,'NULL')||'/'||联系电话||'/' from 业主资料"
        << "NULL//" << QStringList {};
    QTest::newRow("yes/no as 0/1") << table("房屋租赁表", "房屋代码:text 已经迁出:bool", {R"(["A101","1"])"})
                                   << "select 已经迁出 from 房屋租赁表"
                                   << "1" << QStringList {};
    QTest::newRow("fields missing and extra")
        << table("楼宇资料", "楼宇名称:text 旧编号:long", {R"(["一号楼","7"])"}) << "select 建成日期 from 楼宇资料"
        << "NULL"
        << QStringList {QStringLiteral("楼宇资料：旧表中多出的字段（未导入）：旧编号"),
                        QStringLiteral("楼宇资料：旧表中没有的字段（导入为空）：建成日期、楼房结构")};
    QTest::newRow("only the first organisation row")
        << table("公司信息", "公司名称:text 系统标题:text", {R"(["甲物业","甲"])", R"(["乙物业","乙"])"})
        << "select max(公司名称) || count(*) from 公司信息"
        << "甲物业1" << QStringList {QStringLiteral("公司信息 第 2 行：公司信息只保留第一行")};
    QTest::newRow("no organisation, no operator: those of a new database")
        << table("楼宇资料", "楼宇名称:text", {R"(["一号楼"])"}) << "select 姓名||'/'||公司名称 from 权限表, 公司信息"
        << "管理员/物业管理处"
        << QStringList {QStringLiteral("已填入新数据库默认的公司信息"),
                        QStringLiteral("已加入操作员“管理员”（口令为空）")};
    QTest::newRow("the scratch table and other programs' tables skipped")
        << table("通用", "texta:text", {R"(["x"])"}) + table("Table1", "A:text", {R"(["a"])", R"(["b"])"})
            + table("楼宇资料", "楼宇名称:text", {R"(["一号楼"])"})
        << "select count(*) from 楼宇资料"
        << "1" << QStringList {QStringLiteral("未导入的表（不是本系统的表）：通用（1 行）、Table1（2 行）")};
    QTest::newRow("deposit that its movements do not explain")
        << table("房屋资料", "房屋代码:text 押金:currency", {R"(["A101","500.0000"])", R"(["A102","100.0000"])"})
            + table("押金明细表", "房屋代码:text 操作类型:text 金额:currency",
                    {R"(["A101","收取","300.0000"])", R"(["A102","收取","150.0000"])", R"(["A102","退还","50.0000"])"})
        << "select sum(押金) from 房屋资料"
        << "6000000"
        << QStringList {QStringLiteral("押金与押金明细不符的房屋（共 1 户）"), QStringLiteral("A101 500 300")};
}

void TestJetImport::mappingRules()
{
    QFETCH(QByteArray, tables);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    QFETCH(QStringList, reported);
    TempHome home;
    QVERIFY(home.ok());
    const JetImport::Result r = importBytes(home.dm(), stream({tables}));
    QVERIFY2(r.imported, qPrintable(r.error));
    QCOMPARE(value(home.dm(), query), expected);
    // Columns are compared with their padding collapsed.
    const QString text = r.report.text().simplified();
    for (const QString &line : reported) {
        QVERIFY2(text.contains(line), qPrintable(text));
    }
}

void TestJetImport::moneyTotalsBalance()
{
    TempHome home;
    QVERIFY(home.ok());
    const JetImport::Result r =
        importBytes(home.dm(),
                    stream({table("收费明细表", Bill,
                                  {R"(["A101","水费","2004","8","3.5000"])", R"(["A101","水费","2004","8","10.0001"])",
                                   R"(["A102","水费","2004","8","922337203685477.5807"])",
                                   R"(["A103","电费","2004","7","-0.2500"])"}),
                            table("权限表", "姓名:text 操作口令:text", {R"(["张三","abc"])", R"(["李四",""])"})}));
    QVERIFY2(r.imported, qPrintable(r.error));
    const ImportReport::Table *bills = const_cast<ImportReport &>(r.report).table(QStringLiteral("收费明细表"));
    QVERIFY(bills);
    QCOMPARE(bills->read, 4);
    QCOMPARE(bills->imported, 2);
    QCOMPARE(bills->refused, 2);
    // Only the money fields the old table has are totalled.
    QCOMPARE(bills->money.size(), 1);
    const ImportReport::MoneyColumn *amount = &bills->money.at(0);
    QCOMPARE(amount->field, QStringLiteral("收费金额"));
    QCOMPARE(ImportReport::totalText(amount->read), QStringLiteral("13.2501"));
    QCOMPARE(ImportReport::totalText(amount->imported), QStringLiteral("3.25"));
    QCOMPARE(ImportReport::totalText(amount->refused), QStringLiteral("10.0001"));
    QCOMPARE(home.dm()->scalar(QStringLiteral("select sum(收费金额) from 收费明细表")).toLongLong(), 32500);
    QVERIFY(r.report.text().simplified().contains(QStringLiteral("收费明细表.收费金额 13.2501 3.25 10.0001 相符")));

    // Passwords as this program checks them at login: letters in either case, empty stays empty.
    const QString stored =
        home.dm()->scalar(QStringLiteral("select 操作口令 from 权限表 where 姓名='张三'")).toString();
    QVERIFY(Passwords::isHash(stored));
    QCOMPARE(Passwords::verify(stored, QStringLiteral("ABC")), Passwords::Check::Accepted);
    QCOMPARE(value(home.dm(), QStringLiteral("select 操作口令 from 权限表 where 姓名='李四'")), QString());
}

void TestJetImport::importReplacesDatabaseAfterBackup()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(dm->exec(QStringLiteral("insert into 业主资料 (业主名称) values ('旧业主')")));
    const JetImport::Result r =
        importBytes(dm, stream({table("业主资料", "业主名称:text 预付金额:currency", {R"(["王五","12.5000"])"})}));
    QVERIFY2(r.imported, qPrintable(r.error));
    QVERIFY(dm->isConnected());
    QCOMPARE(value(dm, QStringLiteral("select min(业主名称) || count(*) from 业主资料")), QStringLiteral("王五1"));

    // The database as it was is kept beside it, and the report in the home names it.
    QVERIFY(QFileInfo(r.report.backupFile).absolutePath() == QFileInfo(dm->databasePath()).absolutePath());
    QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
    old.setDatabaseName(r.report.backupFile);
    QVERIFY(old.open());
    QSqlQuery q(old);
    QVERIFY(q.exec(QStringLiteral("select 业主名称 from 业主资料")) && q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("旧业主"));
    q = QSqlQuery();
    old.close();
    old = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("old"));

    QCOMPARE(QFileInfo(r.reportFile).absolutePath(), QDir(home.path()).absolutePath());
    const QString written = QString::fromUtf8(fileBytes(r.reportFile));
    QCOMPARE(written, r.report.text());
    QVERIFY(written.contains(QStringLiteral("导入前的数据库已备份为：")));
    QVERIFY(written.simplified().contains(QStringLiteral("业主资料.预付金额 12.5 12.5 0 相符")));
}

void TestJetImport::failureChangesNothing_data()
{
    QTest::addColumn<QByteArray>("reader"); // a shell script in place of the reader; empty: the stream below
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("said");

    const QByteArray half = table("楼宇资料", "楼宇名称:text", {R"(["一号楼"])"}).left(60);
    QTest::newRow("the reader crashes midway")
        << QByteArray(R"(printf '%s\n' '{"file":{"format":"Jet4"},"tables":[]}' '{"table":"楼宇资料","columns":[]}'; )"
                      "kill -SEGV $$")
        << QByteArray() << QStringLiteral("读取失败：读取程序意外终止");
    QTest::newRow("the reader hangs") << QByteArray("exec sleep 30") << QByteArray()
                                      << QStringLiteral("读取失败：读取程序 1 秒没有读出数据，已停止");
    QTest::newRow("the reader gives up") << QByteArray("echo 'cannot read the catalogue of x' >&2; exit 3")
                                         << QByteArray()
                                         << QStringLiteral(
                                                "读取失败：读取程序没有读完（代码 3）：cannot read the catalogue of x");
    QTest::newRow("lines end without done") << QByteArray() << stream({}).replace("{\"done\":true}\n", half)
                                            << QStringLiteral("读取失败：读出的数据格式不对");
    QTest::newRow("fewer rows than the table holds")
        << QByteArray()
        << stream(
               {table("楼宇资料", "楼宇名称:text", {R"(["一号楼"])"}).replace(R"("columns")", R"("rows":5,"columns")")})
        << QStringLiteral("记载有 5 行，只读出了 1 行");
    QTest::newRow("a row of the wrong length")
        << QByteArray() << stream({table("楼宇资料", "楼宇名称:text", {R"(["一号楼","多余"])"})})
        << QStringLiteral("读取失败：读出的数据格式不对（第 3 行）");
}

void TestJetImport::failureChangesNothing()
{
    QFETCH(QByteArray, reader);
    QFETCH(QByteArray, lines);
    QFETCH(QString, said);
    TempHome home;
    QVERIFY(home.ok());
    QVERIFY(home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('原有楼')")));
    const QByteArray before = Backend::onServer() ? QByteArray() : fileBytes(home.dm()->databasePath());
    const QStringList folder = dataFolder(home.dm());
    JetImport::Result r;
    if (!reader.isEmpty()) {
        QTemporaryDir dir;
        JetReaderProcess::setProgram(script(dir, reader));
        r = JetImport::importFile(home.dm(), fixture(QStringLiteral("testV2000.mdb")), {},
                                  {.seconds = 20, .quietSeconds = 1, .memoryMiB = 512});
    } else {
        r = importBytes(home.dm(), lines);
    }
    QVERIFY(!r.imported);
    QVERIFY2(r.error.startsWith(said) || r.error.contains(said), qPrintable(r.error));
    QVERIFY(r.reportFile.isEmpty());
    if (!Backend::onServer()) {
        QCOMPARE(fileBytes(home.dm()->databasePath()), before);
    }
    QCOMPARE(dataFolder(home.dm()), folder);
    QCOMPARE(value(home.dm(), QStringLiteral("select 楼宇名称 from 楼宇资料")), QStringLiteral("原有楼"));
}

PARVELL_BACKENDS_GUILESS_MAIN(TestJetImport)
#include "tst_jetimport.moc"
