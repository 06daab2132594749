// The owner statement and the arrears aging windows as the counter uses them: a house and a
// range give the ledger with its closing balance, the printed statement is a searchable PDF,
// the batch puts every owing house into one PDF, the aging's reminders are printed and listed.
#include "data/clock.h"
#include "data/dataset.h"
#include "masterdata/choosehouse.h"
#include "modal.h"
#include "reportfixture.h"
#include "reports/core/statementreport.h"
#include "reports/duizhangdan.h"
#include "reports/qianfei_zhangling.h"
#include "scriptedprompt.h"
#include "temphome.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
bool havePdfText()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty();
}

// The text of a PDF, pages separated by form feeds.
QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(u"pdftotext"_s), {path, u"-"_s});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void line(const char *house, const char *owner, const char *month, qint64 yuan, const QString &state = u"未缴费"_s)
{
    insertLine({QString::fromUtf8(house), u"一号楼"_s, u"一单元"_s, QString::fromUtf8(owner), u"物业管理费"_s,
                u"2004"_s, QString::fromUtf8(month), Money::fromUnits(yuan).raw(), state,
                state == u"未缴费"_s ? QString() : u"2004-08-20 00:00:00"_s});
}
}

class TestStatementWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    QTemporaryDir out;
    std::vector<std::unique_ptr<Preparation>> preparations;

    template<typename W> std::unique_ptr<W> open()
    {
        auto w = std::make_unique<W>();
        preparations.push_back(std::make_unique<Preparation>(w.get(), home->dm()));
        if (!preparations.back()->run()) {
            qWarning("the window could not be prepared");
        }
        w->show();
        return w;
    }
    bool compute(ReportWindow *w)
    {
        QSignalSpy done(w, &ReportWindow::computed);
        QTest::mouseClick(w->findChild<QPushButton *>(u"SpeedButton1"_s), Qt::LeftButton);
        return done.size() == 1 || done.wait(20000);
    }
    static void click(QWidget *w, const QString &button)
    {
        QTest::mouseClick(w->findChild<QToolButton *>(button), Qt::LeftButton);
    }

    // A-101 billed 100 a month from July, paid July and August (August with 20 over); A-102
    // owes July; A-103 owes nothing.
    void estate()
    {
        insertHouse(u"A-101"_s, u"一号楼"_s, u"王芳"_s);
        insertHouse(u"A-102"_s, u"一号楼"_s, u"李明"_s);
        insertHouse(u"A-103"_s, u"一号楼"_s, u"赵刚"_s);
        line("A-101", "王芳", "7", 100, u"现金"_s);
        line("A-101", "王芳", "8", 100, u"现金"_s);
        line("A-101", "王芳", "9", 100);
        line("A-101", "王芳", "10", 100);
        line("A-102", "李明", "7", 100);
        const auto pay = [](const char *month, const char *on, qint64 yuan) {
            QVERIFY(Dm1::instance()->exec(
                u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,房屋代码,业主名称,收费金额,实收金额,缴费时间,"
                "缴费方式,单据号码) values ('2004',?,'按单缴费','一号楼','A-101','王芳',?,?,?,'现金',?)"_s,
                {QString::fromUtf8(month), Money::fromUnits(100).raw(), Money::fromUnits(yuan).raw(),
                 QString::fromUtf8(on), QString::fromUtf8(month)}));
        };
        pay("7", "2004-07-20 00:00:00", 100);
        pay("8", "2004-08-20 00:00:00", 120);
        QVERIFY(Dm1::instance()->exec(u"update 房屋资料 set 零头=200000 where 房屋代码='A-101'"_s));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 11, 15), QTime(9, 0)));
        home->dm()->session().currentOperator = u"张三"_s;
        QVERIFY(StatementReport::install(home->path()));
        QVERIFY(home->dm()->exec(u"update 公司信息 set 公司名称='翠园物业', 开户银行='工商银行', 银行帐号='6222'"_s));
    }
    void cleanup()
    {
        preparations.clear();
        home.reset();
        Clock::setFixed({});
    }

    // A house and the range from the first of January: the ledger's rows, the closing balance
    // as the counter has it (Σ unpaid 200 − 零头 20), the summary, the printed statement.
    void statementOfAHouse()
    {
        estate();
        auto w = open<TForm_duizhangdan>();
        QCOMPARE(w->windowTitle(), u"业主对账单"_s);
        QCOMPARE(w->findChild<QDateEdit *>(u"DateTimePicker1"_s)->date(), QDate(2004, 1, 1));
        QCOMPARE(w->findChild<QDateEdit *>(u"DateTimePicker2"_s)->date(), QDate(2004, 11, 15));
        // The house picked in the house chooser.
        whenShown<TForm_choosehouse>([](TForm_choosehouse *c) {
            DataSet *houses = c->rows();
            houses->moveTo(0);
            QCOMPARE(houses->value(0, houses->fieldIndex(u"房屋代码"_s)).toString(), u"A-101"_s);
            QTest::mouseClick(c->findChild<QPushButton *>(u"bitbtn_choose"_s), Qt::LeftButton);
        });
        click(w.get(), u"SpeedButton5"_s);
        QCOMPARE(w->findChild<QComboBox *>(u"ComboBox1"_s)->currentText(), u"A-101"_s);
        QVERIFY(compute(w.get()));

        const QList<RowText> rows = scratchRows();
        QStringList ledger;
        for (const RowText &r : rows) {
            ledger << r.value(u"texta"_s) + u" "_s + r.value(u"moneyc"_s) + r.value(u"moneyf"_s);
        }
        QCOMPARE(ledger,
                 (QStringList {u"期初余额 0"_s, u"2004年7月 物业管理费 100"_s, u"缴费 单据号7 现金 0"_s,
                               u"2004年8月 物业管理费 100"_s, u"缴费 单据号8 现金 -20"_s, u"2004年9月 物业管理费 80"_s,
                               u"2004年10月 物业管理费 180"_s, u"期末余额 180"_s, u"期初押金 0"_s, u"期末押金 0"_s}));
        const QString summary = w->findChild<QLabel *>(u"Label_summary"_s)->text();
        QVERIFY2(summary.contains(u"期末余额：180.00"_s), qPrintable(summary));
        QVERIFY2(summary.contains(u"当前零头：20.00"_s), qPrintable(summary));
        QVERIFY2(summary.contains(u"31–60天 100.00"_s), qPrintable(summary));

        // "打印对账单": the template's preview, printed to a PDF whose text can be searched.
        const QString pdf = out.filePath(u"a101.pdf"_s);
        prompt->pdfFiles.enqueue(pdf);
        click(w.get(), u"SpeedButton6"_s);
        if (!havePdfText()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        const QString text = pdfText(pdf);
        for (const QString &expected : {u"业主对账单"_s, u"A-101"_s, u"180.00"_s, u"翠园物业"_s, u"工商银行"_s}) {
            QVERIFY2(text.contains(expected), qPrintable(expected + u" missing in:\n"_s + text));
        }

        // "批量打印" without a building: every house owing, each on its own page.
        const QString batch = out.filePath(u"batch.pdf"_s);
        prompt->files.enqueue(batch);
        click(w.get(), u"SpeedButton7"_s);
        QCOMPARE(prompt->lastText(), u"已将 2 户的对账单写入：\n"_s + QDir::toNativeSeparators(batch));
        const QStringList pages = pdfText(batch).split(u'\f', Qt::SkipEmptyParts);
        QVERIFY(pages.size() >= 2);
        QVERIFY(pages[0].contains(u"A-101"_s));
        QVERIFY(pages.last().contains(u"A-102"_s) && !pages.last().contains(u"A-101"_s));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("house");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QString>("message");
        QTest::newRow("no house") << QString() << QDate(2004, 1, 1) << u"没有输入房屋代码,请重新输入!"_s;
        QTest::newRow("reversed range") << u"A-101"_s << QDate(2004, 12, 1) << u"开始日期不能晚于结束日期"_s;
    }
    void refusals()
    {
        QFETCH(QString, house);
        QFETCH(QDate, from);
        QFETCH(QString, message);
        estate();
        auto w = open<TForm_duizhangdan>();
        w->findChild<QComboBox *>(u"ComboBox1"_s)->setEditText(house);
        w->findChild<QDateEdit *>(u"DateTimePicker1"_s)->setDate(from);
        QTest::mouseClick(w->findChild<QPushButton *>(u"SpeedButton1"_s), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), message);
        QVERIFY(!w->isComputing());
    }

    // The aging at a date, its reminders printed one a house and its list exported for the
    // office's messaging tools.
    void agingAndReminders()
    {
        estate();
        auto w = open<TForm_qianfei_zhangling>();
        QCOMPARE(w->windowTitle(), u"业主欠费账龄表"_s);
        QVERIFY(compute(w.get()));
        const QList<RowText> rows = scratchRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value(u"textb"_s), u"A-101"_s);
        QCOMPARE(rows[0].value(u"moneyc"_s), u"100"_s); // September: 45 days overdue
        QCOMPARE(rows[0].value(u"moneyb"_s), u"100"_s); // October: 15 days
        QCOMPARE(rows[0].value(u"moneyh"_s), u"180"_s);
        QCOMPARE(rows[1].value(u"moneye"_s), u"100"_s); // A-102's July: 107 days
        QCOMPARE(rows[1].value(u"texte"_s), u"2004年7月"_s);

        w->findChild<QLineEdit *>(u"Edit1"_s)->setText(u"150"_s);
        QVERIFY(compute(w.get()));
        QCOMPARE(scratchRows().size(), 1);
        w->findChild<QLineEdit *>(u"Edit1"_s)->clear();
        QVERIFY(compute(w.get()));

        const QString csv = out.filePath(u"list.csv"_s);
        prompt->files.enqueue(csv);
        click(w.get(), u"SpeedButton6"_s);
        const QStringList lines = fileText(csv).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0).remove(QChar(0xfeff)), u"业主名称,联系电话,房屋代码,净欠,最早欠费月份"_s);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[1].startsWith(u"王芳,"_s) && lines[1].contains(u"A-101,180"_s), qPrintable(lines[1]));

        const QString pdf = out.filePath(u"reminders.pdf"_s);
        prompt->pdfFiles.enqueue(pdf);
        click(w.get(), u"SpeedButton5"_s);
        if (!havePdfText()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        const QString text = pdfText(pdf);
        const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains(u"催缴通知单"_s) && pages[0].contains(u"王芳"_s) && pages[0].contains(u"180.00"_s));
        QVERIFY(pages[1].contains(u"李明"_s));
    }
};

QTEST_MAIN(TestStatementWindows)
#include "tst_statementwindows.moc"
