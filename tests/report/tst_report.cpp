// The payment notice as the operator meets it: printed for a demo house, refused with its
// reason, previewed page by page, and redesigned with the mouse and keys.
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportformat.h"
#include "components/report/designerproperties.h"
#include "components/report/paymentnotice.h"
#include "components/report/reportdesigner.h"
#include "components/report/reportpreview.h"
#include "demo/demo.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "temphome.h"
#include "typing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

namespace {

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
            {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The bill lines the payment window lists for a house and month: unpaid, by fee name.
void openLines(DataSet *rows, const QString &house, const QString &year, const QString &month)
{
    rows->setSql(
        {QStringLiteral("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')"),
         QStringLiteral("order by 收费名称")});
    rows->bindPositional(house);
    rows->bindPositional(year);
    rows->bindPositional(month);
    QVERIFY2(rows->open(), qPrintable(rows->lastError()));
}

int objectIndex(const ReportTemplate &t, int band, const QString &name)
{
    for (int i = 0; i < t.bands[band].objects.size(); ++i) {
        if (t.bands[band].objects[i].name == name) {
            return i;
        }
    }
    return -1;
}

template<typename T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c) {
        qWarning() << "no child" << name;
    }
    return c;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN")});
        Clock::setFixed(QDateTime(QDate(2024, 5, 20), QTime(9, 30)));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
    }
    void init()
    {
        home = std::make_unique<TempHome>();
        QVERIFY(home->ok());
        prompt = ScriptedPrompt::install();
        prompt->lastPdf = home->path() + QStringLiteral("/printed.pdf");
        QVERIFY(NoticeTemplate::install(home->path()));
    }
    void cleanup()
    {
        Prompt::setHandler(nullptr);
        home.reset();
    }

    // "打印" for a demo house: the house, each unpaid line with its amount and the exact sum, as
    // owners read amounts (57.42, 8.915, 120.00).
    void printsTheNoticeOfADemoHouse()
    {
        QString error;
        QVERIFY2(Demo::fill(home->dm(), &error), qPrintable(error));
        const QStringList first = home->dm()->column(
            QStringLiteral("select 房屋代码 || '|' || 年度 || '|' || 月份 from 收费明细表 where 缴费状态='未缴费' "
                           "order by 房屋代码, 年度, 月份"));
        QVERIFY(!first.isEmpty());
        const QStringList key = first.constFirst().split(QLatin1Char('|'));
        DataSet rows;
        openLines(&rows, key[0], key[1], key[2]);
        QVERIFY(rows.recordCount() > 1);

        QVERIFY(PaymentNotice::print(nullptr, &rows));
        QCOMPARE(prompt->printed, 1);
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->lastText()));
        const QString text = pdfText(prompt->lastPdf);
        const QString organisation = home->dm()->scalar(QStringLiteral("select 公司名称 from 公司信息")).toString();
        QVERIFY2(text.contains(organisation), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("房屋代码：") + key[0]));
        QVERIFY(text.contains(QStringLiteral("缴费月份：%1年%2月").arg(key[1], key[2])));
        Money total;
        for (int r = 0; r < rows.recordCount(); ++r) {
            rows.moveTo(r);
            QVERIFY(rows.money(QStringLiteral("收费金额")));
            const Money due = *rows.money(QStringLiteral("收费金额"));
            total += due;
            const QRegularExpression line(QStringLiteral("%1\\s+%2\\s+.*\\s%3\\n")
                                              .arg(r + 1)
                                              .arg(QRegularExpression::escape(rows.text(QStringLiteral("收费名称"))),
                                                   QRegularExpression::escape(due.toWritten())));
            QVERIFY2(text.contains(line), qPrintable(line.pattern() + u'\n' + text));
        }
        QVERIFY2(text.contains(QStringLiteral("共 %1 项").arg(rows.recordCount())), qPrintable(text));
        QVERIFY(text.contains(total.toWritten()));
        QVERIFY(text.contains(QStringLiteral("收款人（签字）")));
        QVERIFY(text.contains(QStringLiteral("第1页 共1页")));
        QVERIFY(text.contains(QStringLiteral("打印日期：2024年5月20日")));
    }

    // Without a house selected the lines query is closed: the notice prints with no lines.
    void printsANoticeWithoutLines()
    {
        DataSet closed;
        closed.setSql(
            {QStringLiteral("select * from 收费明细表 where 房屋代码=?"), QStringLiteral("order by 收费名称")});
        QVERIFY(PaymentNotice::print(nullptr, &closed));
        const QString text = pdfText(prompt->lastPdf);
        QVERIFY2(text.contains(QStringLiteral("共 0 项")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("0.00")) && !text.contains(QStringLiteral("0.000")));
    }

    // A missing template is named; one that cannot be read or prepared says why.
    void refusesAMissingOrBrokenTemplate_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: no file at all
        QTest::addColumn<QString>("printSays");
        QTest::addColumn<QString>("designSays");
        const QString broken = QStringLiteral("打印文件被破坏，请与程序员联系！");
        const QByteArray notice = NoticeTemplate::defaultTemplate();
        QTest::newRow("missing") << QByteArray() << "找不到缴款通知单的模板文件：" << broken;
        QTest::newRow("cut short") << notice.left(700) << broken + u"\n文件在" << broken + u"\n文件在";
        QByteArray unknownField = notice;
        unknownField.replace("[业主名称]", "[业主姓名]");
        QTest::newRow("unknown field") << unknownField << broken + u"\n报表标题栏的对象“业主名称”" << QString();
    }
    void refusesAMissingOrBrokenTemplate()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, printSays);
        QFETCH(QString, designSays);
        const QString path = NoticeTemplate::pathIn(home->path());
        if (contents.isEmpty()) {
            QVERIFY(QFile::remove(path));
        } else {
            writeFile(path, contents);
        }
        QVERIFY(!PaymentNotice::print(nullptr, nullptr));
        QCOMPARE(prompt->printed, 0);
        QCOMPARE(prompt->shown.size(), 1);
        QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
        QVERIFY2(prompt->lastText().startsWith(printSays), qPrintable(prompt->lastText()));
        if (contents.isEmpty()) {
            QVERIFY(prompt->lastText().contains(QStringLiteral("缴费通知单.frf")));
        }
        prompt->clear();
        if (designSays.isEmpty()) { // the designer opens a template with an unknown field
            whenShown<ReportDesigner>([](ReportDesigner *d) { d->reject(); });
            QVERIFY(PaymentNotice::design(nullptr, nullptr));
            QVERIFY(prompt->shown.isEmpty());
        } else {
            QVERIFY(!PaymentNotice::design(nullptr, nullptr));
            QVERIFY2(prompt->lastText().startsWith(designSays), qPrintable(prompt->lastText()));
            QCOMPARE(contents.isEmpty(), prompt->lastText() == designSays);
        }
    }

    // The preview: zoom, pages, find, save as PDF and print, each through its button.
    void previewsPageByPage()
    {
        MemoryRows many(Schema::table(QStringLiteral("收费明细表"))->fields);
        for (int i = 0; i < 150; ++i) {
            QStringList row(many.fieldNames().size());
            row[many.fieldIndex(QStringLiteral("收费名称"))] = QStringLiteral("收费%1").arg(i, 3, 10, QLatin1Char('0'));
            row[many.fieldIndex(QStringLiteral("收费金额"))] = QString::number(i);
            many.addRow(row);
        }
        const auto org = NoticeTemplate::sampleOrganisation();
        const auto notice = ReportFormat::read(NoticeTemplate::defaultTemplate(), nullptr);
        const auto prepared = ReportEngine::prepare(
            *notice, {{NoticeTemplate::LinesName, &many}, {NoticeTemplate::OrganisationName, org.get()}}, nullptr);
        QVERIFY(prepared);
        ReportPreview preview(*prepared);
        preview.resize(900, 700);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.pageCount(), 4); // 36 rows on the first page, 42 on the others
        QCOMPARE(child<QLabel>(&preview, "pageCount")->text(), QStringLiteral("页 共 4 页"));

        const double fitted = preview.zoom();
        child<QToolButton>(&preview, "btnZoomIn")->click();
        QCOMPARE(preview.zoom(), fitted * 1.25);
        child<QToolButton>(&preview, "btnActualSize")->click();
        QCOMPARE(preview.zoom(), 1.0);
        QCOMPARE(child<QLabel>(&preview, "zoomLabel")->text(), QStringLiteral("100%"));
        child<QToolButton>(&preview, "btnFitPage")->click();
        QVERIFY(preview.zoom() < fitted);
        QVERIFY(child<QWidget>(&preview, "pageView")->height() <= child<QWidget>(&preview, "pageArea")->height());

        QVERIFY(!child<QToolButton>(&preview, "btnPrior")->isEnabled());
        child<QToolButton>(&preview, "btnNext")->click();
        QCOMPARE(preview.currentPage(), 1);
        child<QToolButton>(&preview, "btnLast")->click();
        QCOMPARE(preview.currentPage(), 3);
        QVERIFY(!child<QToolButton>(&preview, "btnNext")->isEnabled());
        child<QSpinBox>(&preview, "pageBox")->setValue(3);
        QCOMPARE(preview.currentPage(), 2);

        // Find goes on from the last find, round from the first page.
        typeText(child<QLineEdit>(&preview, "findEdit"), QStringLiteral("收费040"));
        QTest::keyClick(child<QLineEdit>(&preview, "findEdit"), Qt::Key_Return);
        QCOMPARE(preview.currentPage(), 1); // rows 36..77
        QVERIFY(preview.foundItem() >= 0);
        QVERIFY(!preview.findNext(QStringLiteral("没有这一项")));
        QCOMPARE(prompt->lastText(), QStringLiteral("没有找到“没有这一项”。"));
        QVERIFY(preview.findNext(QStringLiteral("共4页")));
        const int first = preview.currentPage();
        QVERIFY(preview.findNext(QStringLiteral("共4页")));
        QCOMPARE(preview.currentPage(), (first + 1) % 4);

        const QString saved = home->path() + QStringLiteral("/保存.pdf");
        prompt->files << saved;
        child<QToolButton>(&preview, "btnSave")->click();
        QCOMPARE(prompt->lastSaveName, QStringLiteral("缴费通知单.pdf"));
        QString text = pdfText(saved);
        QVERIFY2(text.contains(QStringLiteral("收费149")) && text.contains(QStringLiteral("第4页 共4页")),
                 qPrintable(text.left(300)));
        child<QToolButton>(&preview, "btnPrint")->click();
        QCOMPARE(prompt->printed, 1);
        text = pdfText(prompt->lastPdf);
        QVERIFY(text.contains(QStringLiteral("收费000")) && text.contains(QStringLiteral("合计（共 150 项）")));
    }

    // The designer: select with the mouse, move and size with keys and the mouse, edit in the
    // panel, add, delete, undo, redo, save; what is saved reads back the same.
    void designsAndSaves()
    {
        const QString path = NoticeTemplate::pathIn(home->path());
        const auto original = ReportFormat::load(path, nullptr);
        QVERIFY(original);
        const auto sample = NoticeTemplate::sampleLines();
        const auto org = NoticeTemplate::sampleOrganisation();
        ReportDesigner designer(
            *original, path,
            {{NoticeTemplate::LinesName, sample.get()}, {NoticeTemplate::OrganisationName, org.get()}});
        designer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&designer));
        DesignerCanvas *canvas = designer.canvas();
        const int title = original->bandIndex(BandKind::ReportTitle);
        const int code = objectIndex(*original, title, QStringLiteral("房屋代码"));
        auto object = [&](int band, int index) -> const ReportObject & {
            return designer.reportTemplate().bands[band].objects[index];
        };

        // Selected by a click; moved by arrow keys (one undo step), sized with Shift.
        QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->objectRect(title, code).center().toPoint());
        QCOMPARE(designer.selection(), (DesignerSelection {title, code}));
        const int steps = designer.undoStack()->count();
        QTest::keyClick(canvas, Qt::Key_Right);
        QTest::keyClick(canvas, Qt::Key_Right);
        QTest::keyClick(canvas, Qt::Key_Down);
        QCOMPARE(object(title, code).x, 2.0);
        QCOMPARE(object(title, code).y, 22.0);
        QCOMPARE(designer.undoStack()->count(), steps + 1);
        QTest::keyClick(canvas, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(object(title, code).width, 89.0);
        QTest::keyClick(canvas, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(object(title, code).y, 21.9);

        // Dragged 10 mm to the right by the mouse.
        const QPoint from = canvas->objectRect(title, code).center().toPoint();
        const QPoint to = from + QPoint(qRound(10 * canvas->scale()), 0);
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        QTest::mouseMove(canvas, to);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
        QCOMPARE(object(title, code).x, 12.0);
        // Narrowed by its right handle, its left edge staying.
        const QRectF box = canvas->objectRect(title, code);
        const QPoint handle(qRound(box.right()), qRound(box.center().y()));
        QTest::mousePress(canvas, Qt::LeftButton, {}, handle);
        QTest::mouseMove(canvas, handle - QPoint(qRound(20 * canvas->scale()), 0));
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, handle - QPoint(qRound(20 * canvas->scale()), 0));
        QCOMPARE(object(title, code).x, 12.0);
        QCOMPARE(object(title, code).width, 69.0);

        // Dragged from the master data band down into the summary band.
        const int master = original->bandIndex(BandKind::MasterData);
        const int summary = original->bandIndex(BandKind::Summary);
        const int fee = objectIndex(*original, master, QStringLiteral("收费名称"));
        const QPoint grip = canvas->objectRect(master, fee).center().toPoint();
        const QPoint drop(grip.x(), qRound(canvas->bandTop(summary) + 12 * canvas->scale()));
        QTest::mousePress(canvas, Qt::LeftButton, {}, grip);
        QTest::mouseMove(canvas, drop);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, drop);
        QCOMPARE(designer.selection().band, summary);
        QCOMPARE(objectIndex(designer.reportTemplate(), master, QStringLiteral("收费名称")), -1);
        const ReportObject &moved = object(summary, designer.selection().object);
        QCOMPARE(moved.name, QStringLiteral("收费名称"));
        QVERIFY(moved.y > 8 && moved.y < 12);

        // Edited in the property panel.
        QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->objectRect(title, code).center().toPoint());
        auto *text = child<QPlainTextEdit>(&designer, "objText");
        text->selectAll();
        typeText(text, QStringLiteral("户号：[房屋代码]"));
        QCOMPARE(object(title, code).text, QStringLiteral("户号：[房屋代码]"));
        child<QCheckBox>(&designer, "objBold")->click();
        QVERIFY(object(title, code).font.bold);
        auto *align = child<QComboBox>(&designer, "objAlign");
        align->setCurrentIndex(2);
        emit align->activated(2);
        QCOMPARE(object(title, code).hAlign, HAlign::Right);
        child<QCheckBox>(&designer, "frameBottom")->click();
        QVERIFY(object(title, code).frame.bottom && !object(title, code).frame.top);

        // Added, deleted, undone and redone.
        const int before = int(designer.reportTemplate().bands[title].objects.size());
        child<QToolButton>(&designer, "btnAddText")->click();
        QCOMPARE(designer.reportTemplate().bands[title].objects.size(), before + 1);
        QCOMPARE(object(title, before).name, QStringLiteral("文本1"));
        QTest::keyClick(canvas, Qt::Key_Delete);
        QCOMPARE(designer.reportTemplate().bands[title].objects.size(), before);
        designer.undoStack()->undo();
        QCOMPARE(designer.reportTemplate().bands[title].objects.size(), before + 1);
        child<QToolButton>(&designer, "btnUndo")->click();
        QCOMPARE(designer.reportTemplate().bands[title].objects.size(), before);
        child<QToolButton>(&designer, "btnRedo")->click();
        QCOMPARE(object(title, before).name, QStringLiteral("文本1"));
        QVERIFY(designer.isModified());

        // Saved; the file reads back as the designer holds it.
        child<QToolButton>(&designer, "btnSave")->click();
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->lastText()));
        QVERIFY(!designer.isModified());
        const auto saved = ReportFormat::load(path, nullptr);
        QVERIFY(saved);
        QVERIFY(*saved == designer.reportTemplate());
        QCOMPARE(saved->bands[title].objects[code].x, 12.0);
        QCOMPARE(saved->bands[title].objects[code].text, QStringLiteral("户号：[房屋代码]"));

        // A template that would not read back is not saved; closing asks, No keeps the file.
        const QByteArray good = fileBytes(path);
        text->selectAll();
        typeText(text, QStringLiteral("[SUM("));
        QVERIFY(child<QLabel>(&designer, "statusLabel")->text().startsWith(QStringLiteral("模板有错，不能保存：")));
        QVERIFY(!designer.save());
        QVERIFY2(prompt->lastText().startsWith(QStringLiteral("模板没有保存：\n")), qPrintable(prompt->lastText()));
        QVERIFY(prompt->lastText().contains(QStringLiteral("表达式“[SUM(”有误")));
        QCOMPARE(fileBytes(path), good);
        prompt->answers << false;
        designer.reject();
        QCOMPARE(prompt->shown.last().text, QStringLiteral("模板已经修改，要保存吗? "));
        QVERIFY(!designer.isVisible());
        QCOMPARE(fileBytes(path), good);
    }

    // Bands are added where they belong and deleted after asking; the preview shows the sample.
    void designsBands()
    {
        const QString path = NoticeTemplate::pathIn(home->path());
        auto t = ReportFormat::load(path, nullptr);
        QVERIFY(t);
        t->bands.removeAt(t->bandIndex(BandKind::PageHeader));
        const auto sample = NoticeTemplate::sampleLines();
        const auto org = NoticeTemplate::sampleOrganisation();
        ReportDesigner designer(
            *t, path, {{NoticeTemplate::LinesName, sample.get()}, {NoticeTemplate::OrganisationName, org.get()}});
        designer.addBand(BandKind::PageHeader);
        QCOMPARE(designer.reportTemplate().bands[1].kind, BandKind::PageHeader);
        QCOMPARE(designer.selection(), (DesignerSelection {1, -1}));
        const int summary = designer.reportTemplate().bandIndex(BandKind::Summary);
        designer.select({summary, -1});
        prompt->answers << false;
        designer.deleteBand();
        QVERIFY(designer.reportTemplate().band(BandKind::Summary));
        QVERIFY(prompt->lastText().startsWith(QStringLiteral("要删除报表合计栏和其中的")));
        prompt->answers << true;
        designer.deleteBand();
        QVERIFY(!designer.reportTemplate().band(BandKind::Summary));

        child<QToolButton>(&designer, "btnPreview")->click();
        QCOMPARE(prompt->printed, 1);
        const QString text = pdfText(prompt->lastPdf);
        QVERIFY2(text.contains(QStringLiteral("A1-0101")) && text.contains(QStringLiteral("102.444")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("合计")));
    }

private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
