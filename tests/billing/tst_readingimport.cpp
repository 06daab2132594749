// The meter reader's spreadsheet brought into a month's bills: the preview's states for each
// kind of file, the import against typing the readings and pressing "计算", a refusal half-way,
// readings changed at another counter meanwhile, and the operator's steps in "导入抄表".
#include "backend.h"
#include "billing/chaobiao.h"
#include "billing/core/billgeneration.h"
#include "billing/core/readingimport.h"
#include "billing/jiaofeidan.h"
#include "data/dm1.h"
#include "listwindow/formulapages.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "temphome.h"
#include "typing.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <xlsxwriter.h>

using namespace Qt::StringLiterals;

namespace {
const QString Meter = QStringLiteral("单价*(本月数-上月数)");
const BillMonth August {2004, 8};

// The reader's sheet: 房屋代码, 水费, 电费, 备注. A-1 has a trailing blank, A-3 a blank inside its
// reading, A-2 full-width digits; A-7 is there twice.
const QList<QStringList> Sheet = {
    {QStringLiteral("房屋代码"), QStringLiteral("水费"), QStringLiteral("电费"), QStringLiteral("备注")},
    {QStringLiteral("A-1 "), QStringLiteral("112"), QStringLiteral("540"), {}},
    {QStringLiteral("A-2"), QStringLiteral("95"), QStringLiteral("１，０００"), QStringLiteral("新表")},
    {QStringLiteral("A-3"), QStringLiteral("1 10.5"), QStringLiteral("520"), {}},
    {QStringLiteral("A-4"), QStringLiteral("100"), QStringLiteral("abc"), {}},
    {QStringLiteral("A-5"), QStringLiteral("120"), {}, {}},
    {QStringLiteral("A-6"), QStringLiteral("105"), QStringLiteral("500"), {}},
    {QStringLiteral("B-9"), QStringLiteral("1"), {}, {}},
    {QStringLiteral("A-7"), QStringLiteral("101"), {}, {}},
    {QStringLiteral("A-7"), QStringLiteral("102"), {}, {}},
};

QString writeXlsx(const QString &path)
{
    lxw_workbook *book = workbook_new(path.toUtf8().constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    for (int r = 0; r < Sheet.size(); ++r) {
        for (int c = 0; c < Sheet[r].size(); ++c) {
            bool number = false;
            const double value = Sheet[r][c].toDouble(&number);
            if (number && r > 0)
                worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), value, nullptr);
            else if (!Sheet[r][c].isEmpty())
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), Sheet[r][c].toUtf8().constData(), nullptr);
        }
    }
    workbook_close(book);
    return path;
}

QString writeCsv(const QString &path, const QByteArray &encoding, bool bom)
{
    QStringList lines;
    for (const QStringList &row : Sheet) {
        QStringList cells;
        for (const QString &cell : row)
            cells << (cell.contains(u',') || cell.contains(u'，') ? u'"' + cell + u'"' : cell);
        lines << cells.join(u',');
    }
    QStringEncoder encoder(encoding.constData());
    writeFile(path, (bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + QByteArray(encoder(lines.join(u"\r\n"))));
    return path;
}
}

class TestReadingImport : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    QTemporaryDir files;

    Dm1 *dm() const { return home->dm(); }

    // Houses A-1 … A-7 with water and electricity meters (A-3 without electricity), their July
    // readings (water 100, electricity 500, each 10 and 50 more than in June); A-4 stands
    // empty. August is made for every house but has paid its water.
    void estate()
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 单价) values "
                                          "('水费', ?, 25000), ('电费', ?, 6000), ('物业费', '单价*面积', 12000)"),
                           {Meter, Meter}));
        for (int h = 1; h <= 7; ++h) {
            const QString code = QStringLiteral("A-%1").arg(h);
            QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称, 使用状况) values (?, ?, ?)"),
                               {code, QStringLiteral("业主%1").arg(h), h == 4 ? u"空置"_s : u"入住"_s}));
            QStringList items {QStringLiteral("水费"), QStringLiteral("物业费")};
            if (h != 3)
                items << QStringLiteral("电费");
            for (const QString &item : items) {
                const bool meter = item != QStringLiteral("物业费");
                QVERIFY(
                    dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                              "values (?, ?, ?, ?, ?)"),
                               {code, item, meter ? Meter : u"单价*面积"_s,
                                item == u"水费"       ? 25000
                                    : item == u"电费" ? 6000
                                                      : 12000,
                                meter ? 0 : 880000}));
                if (meter) {
                    const double july = item == u"水费" ? 100 : 500;
                    QVERIFY(
                        dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, "
                                                  "本月表数, 上月表数, 缴费状态) values (?, ?, ?, '2004', '7', ?, ?, "
                                                  "'未缴费')"),
                                   {code, item, Meter, july, july - (item == u"水费" ? 10 : 50)}));
                }
            }
        }
        BillGeneration generation(dm()->database());
        for (int h : {1, 2, 3, 4, 5, 7})
            QCOMPARE(generation.generateHouse(QStringLiteral("A-%1").arg(h), August).result,
                     BillGeneration::Result::Generated);
        QVERIFY(dm()->exec(QStringLiteral("update 收费明细表 set 缴费状态='现金' where 房屋代码='A-5' and 月份='8' "
                                          "and 收费名称='水费'")));
    }

    // Every August line without its id, in house and item order.
    QStringList august()
    {
        QStringList out;
        QSqlQuery q(dm()->database());
        q.exec(QStringLiteral("select * from 收费明细表 where 月份='8' order by 房屋代码, 收费名称"));
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                if (q.record().fieldName(i) != u"id")
                    cells << q.value(i).toString();
            out << cells.join(u'|');
        }
        return out;
    }

    ReadingPreview previewOf(const QString &path)
    {
        QList<SheetRow> rows;
        QString error;
        ReadingPreview preview;
        if (!SheetReader::read(path, &rows, &error))
            qWarning() << error;
        const ReadingLayout layout =
            ReadingImport::guess(ReadingImport::titles(rows), ReadingImport::meterItems(dm()->database(), &error));
        if (!ReadingImport::preview(dm()->database(), rows, layout, August, &preview, &error))
            qWarning() << error;
        return preview;
    }

    static QString rendered(const ReadingLine &l)
    {
        const auto text = [](const std::optional<Money> &m) { return m ? m->toString() : u"-"_s; };
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8%9%10")
            .arg(l.fileLine)
            .arg(l.houseCode, l.item, text(l.lastReading), text(l.reading), text(l.usage), text(l.amount),
                 l.stateText(), l.ticked ? u" √"_s : QString(), l.toGenerate ? u" 待生成"_s : QString());
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 30)));
        estate();
    }
    void cleanup()
    {
        home.reset();
        Clock::setFixed({});
    }

    // Each kind of file gives the same lines: the reading as read, the line's last reading,
    // what the computation would make of it, and the state, problems unticked.
    void previewStates_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("xlsx") << writeXlsx(files.filePath(u"抄表.xlsx"_s));
        QTest::newRow("csv UTF-8 with BOM") << writeCsv(files.filePath(u"utf8.csv"_s), "UTF-8", true);
        QTest::newRow("csv GB18030") << writeCsv(files.filePath(u"gb.csv"_s), "GB18030", false);
    }
    void previewStates()
    {
        QFETCH(QString, path);
        const ReadingPreview preview = previewOf(path);
        QStringList lines;
        for (const ReadingLine &l : preview.lines)
            lines << rendered(l);
        QCOMPARE(lines,
                 (QStringList {
                     u"2 A-1 水费 100 112 12 30 可导入 √"_s,
                     u"2 A-1 电费 500 540 40 24 可导入 √"_s,
                     u"3 A-2 水费 100 95 -5 -12.5 读数小于上月"_s,
                     u"3 A-2 电费 500 1000 500 300 用量异常"_s,
                     u"4 A-3 水费 100 110.5 10.5 26.25 可导入 √"_s,
                     u"4 A-3 电费 - 520 - - 该房屋本月没有该项目"_s,
                     u"5 A-4 水费 100 100 0 0 可导入 √"_s,
                     u"5 A-4 电费 500 - - - 读数不是数字"_s,
                     u"6 A-5 水费 100 120 20 50 已经缴费"_s,
                     u"7 A-6 水费 100 105 5 12.5 可导入 √ 待生成"_s,
                     u"7 A-6 电费 500 500 0 0 用量异常 待生成"_s,
                     u"8 B-9 水费 - 1 - - 没有该房屋"_s,
                     u"9 A-7 水费 100 101 1 2.5 房屋代码重复"_s,
                     u"10 A-7 水费 100 102 2 5 房屋代码重复"_s,
                 }));
        QCOMPARE(preview.blankReadings, 4);
        QCOMPARE(preview.housesToGenerate(), 1);
    }

    // The import makes the same lines as typing each reading into "业主应缴费用管理" and pressing
    // "计算" (the new meter of A-2 and its electricity ticked by the operator); the paid line
    // and the refused ones stay as they were.
    void importEqualsTypingAndComputing()
    {
        ReadingPreview preview = previewOf(writeXlsx(files.filePath(u"a.xlsx"_s)));
        for (ReadingLine &l : preview.lines)
            l.ticked = l.ticked || l.houseCode == u"A-2";
        ReadingImport::Outcome out;
        QString error;
        QVERIFY2(ReadingImport::write(dm()->database(), preview.lines, August, true, &out, &error), qPrintable(error));
        QCOMPARE(out.written, 7);
        QCOMPARE(out.housesGenerated, 1);
        QCOMPARE(out.unticked, 7);
        QCOMPARE(out.summary(),
                 u"已导入 7 条抄表数据（先为 1 户生成了本月应缴费用），跳过 7 条（其中 7 条没有勾选）；"
                 u"这些房屋有 3 个表的本月表数小于上月表数（换表或尚未抄表），请核对。"_s);
        QCOMPARE(out.doubtful,
                 (QStringList {u"A-2 水费：本月表数 95，上月表数 100"_s, u"A-4 电费：本月表数 0，上月表数 500"_s,
                               u"A-6 电费：本月表数 0，上月表数 500"_s}));
        const QStringList imported = august();

        // The same month made again and typed in by hand.
        QVERIFY(dm()->exec(QStringLiteral("delete from 收费明细表 where 月份='8'")));
        BillGeneration generation(dm()->database());
        for (int h : {1, 2, 3, 4, 5, 7})
            generation.generateHouse(QStringLiteral("A-%1").arg(h), August);
        QVERIFY(dm()->exec(QStringLiteral("update 收费明细表 set 缴费状态='现金' where 房屋代码='A-5' and 月份='8' "
                                          "and 收费名称='水费'")));
        TForm_jiaofeidan window;
        Preparation preparation(&window, dm());
        QVERIFY(preparation.run());
        window.show();
        const QList<std::tuple<QString, QString, QString>> typed = {
            {u"A-1"_s, u"水费"_s, u"112"_s},  {u"A-1"_s, u"电费"_s, u"540"_s},   {u"A-2"_s, u"水费"_s, u"95"_s},
            {u"A-2"_s, u"电费"_s, u"1000"_s}, {u"A-3"_s, u"水费"_s, u"110.5"_s}, {u"A-4"_s, u"水费"_s, u"100"_s},
            {u"A-6"_s, u"水费"_s, u"105"_s}};
        for (const auto &[house, item, reading] : typed) {
            for (int r = 0; r < window.houses()->recordCount(); ++r) {
                window.houses()->moveTo(r);
                if (window.houses()->text(u"房屋代码"_s) == house)
                    break;
            }
            if (window.details()->isEmpty())
                QTest::mouseClick(window.button(u"bitbtn_add"_s), Qt::LeftButton);
            for (int r = 0; r < window.details()->recordCount(); ++r) {
                window.details()->moveTo(r);
                if (window.details()->text(u"收费名称"_s) == item)
                    break;
            }
            auto *edit = qobject_cast<QLineEdit *>(window.pages()->editor(Meter, u"本月表数"_s));
            edit->setFocus();
            edit->selectAll();
            typeText(edit, reading);
            prompt->answers.enqueue(true); // a reading below last month's is asked about
            QTest::mouseClick(window.findChild<QAbstractButton *>(u"SpeedButton2"_s), Qt::LeftButton);
            prompt->answers.clear();
        }
        QCOMPARE(august(), imported);
    }

    // A refusal of the database half-way writes nothing, not even the houses generated first;
    // lines paid or given a reading at another counter after the preview are left alone.
    void failureAndConcurrentChanges()
    {
        ReadingPreview preview = previewOf(writeXlsx(files.filePath(u"b.xlsx"_s)));
        const QStringList before = august();
        ReadingImport::Outcome out;
        QString error;
        {
            Fault fault(dm(), u"update"_s, u"收费明细表"_s, u"磁盘已满"_s, u"new.房屋代码='A-4'"_s);
            QVERIFY(fault.ok());
            QVERIFY(!ReadingImport::write(dm()->database(), preview.lines, August, true, &out, &error));
            QVERIFY2(error.contains(u"磁盘已满"_s), qPrintable(error));
        }
        QCOMPARE(august(), before);

        Counter other(dm(), u"other"_s);
        QVERIFY(other.ok());
        QSqlQuery q(other.database());
        QVERIFY(q.exec(QStringLiteral("update 收费明细表 set 缴费状态='现金' where 房屋代码='A-1' and 月份='8' and "
                                      "收费名称='水费'")));
        QVERIFY(q.exec(QStringLiteral("update 收费明细表 set 本月表数=111 where 房屋代码='A-3' and 月份='8' and "
                                      "收费名称='水费'")));
        QVERIFY2(ReadingImport::write(dm()->database(), preview.lines, August, false, &out, &error), qPrintable(error));
        QCOMPARE(out.written, 2);
        QCOMPARE(out.skippedTexts(),
                 (QStringList {u"第 7 行 A-6 水费：本月应缴费用尚未生成"_s, u"第 2 行 A-1 水费：已经缴费"_s,
                               u"第 4 行 A-3 水费：预览之后本月表数已被修改"_s}));
        QCOMPARE(
            dm()->scalar(u"select 本月表数 from 收费明细表 where 房屋代码='A-3' and 月份='8' and 收费名称='水费'"_s)
                .toDouble(),
            111.0);
        QCOMPARE(
            dm()->scalar(u"select 收费金额 from 收费明细表 where 房屋代码='A-1' and 月份='8' and 收费名称='电费'"_s)
                .toLongLong(),
            240000);
    }

    // The operator's way: "导入抄表" in the bill window, the file, the columns (a changed choice
    // remembered for the next file of the same titles), a tick refused and one given, "导入"
    // with its questions and the summary; the bill window shows the new amounts.
    void operatorImportsFromTheWindow()
    {
        TForm_jiaofeidan bills;
        Preparation preparation(&bills, dm());
        QVERIFY(preparation.run());
        bills.show();
        const QString path = writeCsv(files.filePath(u"c.csv"_s), "GB18030", false);
        bool shown = false;
        whenShown<TForm_chaobiao>([&](TForm_chaobiao *w) {
            shown = true;
            // Closed however the script ends, so a failure does not hold the test up.
            const std::unique_ptr<TForm_chaobiao, void (*)(TForm_chaobiao *)> closing(
                w, [](TForm_chaobiao *window) { window->reject(); });
            prompt->files.enqueue(path);
            QTest::mouseClick(w->button(u"bitbtn_open"_s), Qt::LeftButton);
            QCOMPARE(w->columnChoice(0)->currentText(), u"房屋代码"_s);
            QCOMPARE(w->columnChoice(3)->currentText(), u"（不导入）"_s);
            // Electricity is not read this time.
            w->columnChoice(2)->setCurrentText(u"（不导入）"_s);
            auto *grid = w->findChild<DBGridEh *>(u"DBGridEh1"_s);
            QCOMPARE(grid->dataSet()->recordCount(), 9);
            // Row 2 is A-2's lower water reading: ticked at the operator's word; B-9's cannot be.
            grid->dataSet()->moveTo(1);
            QTest::mouseClick(w->button(u"bitbtn_tick"_s), Qt::LeftButton);
            QVERIFY2(grid->dataSet()->text(u"texte"_s) == u"√"_s, qPrintable(prompt->texts().join(u'\n')));
            grid->dataSet()->moveTo(6);
            QTest::mouseClick(w->button(u"bitbtn_tick"_s), Qt::LeftButton);
            QCOMPARE(prompt->lastText(), u"第 8 行 B-9 水费 的读数不能导入：没有该房屋。"_s);
            prompt->answers << true << true;
            prompt->clear();
            QTest::mouseClick(w->button(u"bitbtn_import"_s), Qt::LeftButton);
            QCOMPARE(
                prompt->texts().last(),
                u"已导入 5 条抄表数据（先为 1 户生成了本月应缴费用），跳过 4 条（其中 4 条没有勾选）；这些房屋有 5 "
                u"个表的本月表数小于上月表数（换表或尚未抄表），请核对。"_s);
        });
        QTest::mouseClick(bills.button(u"bitbtn_readings"_s), Qt::LeftButton);
        QVERIFY(shown);
        QCOMPARE(
            dm()->scalar(u"select 收费金额 from 收费明细表 where 房屋代码='A-2' and 月份='8' and 收费名称='水费'"_s)
                .toLongLong(),
            -125000);
        QCOMPARE(dm()->scalar(u"select count(*) from 收费明细表 where 房屋代码='A-6' and 月份='8'"_s).toInt(), 3);

        // The next file with these titles comes with the columns as chosen.
        const auto kept = ReadingImport::recall(dm()->homePath(u"chaobiao_columns.ini"_s),
                                                {u"房屋代码"_s, u"水费"_s, u"电费"_s, u"备注"_s});
        QVERIFY(kept);
        QCOMPARE(kept->items, (QHash<int, QString> {{1, u"水费"_s}}));
    }
};

PARVELL_BACKENDS_MAIN(TestReadingImport)
#include "tst_readingimport.moc"
