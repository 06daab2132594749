// The report engine without widgets: the template file, expressions, pagination and the
// payment notice's default template.
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportengine.h"
#include "components/report/core/reportexpression.h"
#include "components/report/core/reportformat.h"
#include "data/clock.h"
#include "temphome.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A template file: an A4 page with 10 mm margins (190 × 277 mm to print on) and these bands.
QByteArray templateXml(const QString &bands, const QString &page = QStringLiteral(R"(paper="A4")"))
{
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<parvell-report version="1" title="测试">
  <page %1 left="10" top="10" right="10" bottom="10"/>
%2
</parvell-report>
)")
        .arg(page, bands)
        .toUtf8();
}

QString textBand(const QString &kind, const QString &text, double height = 10, const QString &extra = {})
{
    return QStringLiteral(
               R"(<band kind="%1" height="%2" %3><text name="t%1" x="0" y="0" width="190" height="%2">%4</text></band>)")
        .arg(kind)
        .arg(height)
        .arg(extra, text.toHtmlEscaped());
}

QString masterBand(const QString &text, double height = 6)
{
    return textBand(QStringLiteral("master"), text, height, QStringLiteral(R"(dataset="lines")"));
}

// Bill lines: a code, a fee name and an amount for each row.
MemoryRows lines(int count)
{
    MemoryRows rows;
    rows.addField(QStringLiteral("房屋代码"), FieldKind::Text);
    rows.addField(QStringLiteral("收费名称"), FieldKind::Text);
    rows.addField(QStringLiteral("收费金额"), FieldKind::Money);
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        rows.addRow({QStringLiteral("H%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("物业管理费"),
                     Money::fromRaw(10000 + 3 * i).toString()});
    }
    return rows;
}

MemoryRows organisation()
{
    MemoryRows rows;
    rows.addField(QStringLiteral("公司名称"), FieldKind::Text);
    rows.addRow({QStringLiteral("阳光花园物业管理处")});
    return rows;
}

// The texts of one band's objects on a page, in order.
QStringList textsOf(const PreparedReport &r, int page, BandKind kind)
{
    QStringList out;
    for (const PreparedItem &item : r.pages[page].items) {
        if (r.report.bands[item.band].kind == kind) {
            out << item.text;
        }
    }
    return out;
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(10, 0))); }

    // Every bad template is refused with its reason, when it is read or when it is prepared.
    void refusesBadTemplates_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray notice = NoticeTemplate::defaultTemplate();
        QByteArray binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        const QString title = textBand(QStringLiteral("title"), QStringLiteral("x"));
        QTest::newRow("empty") << QByteArray() << "模板文件是空的";
        QTest::newRow("blanks only") << QByteArray(" \n\t ") << "模板文件是空的";
        QTest::newRow("one byte") << QByteArray("<") << "不完整";
        QTest::newRow("cut in the middle") << notice.left(notice.size() / 2) << "不完整";
        QTest::newRow("binary") << binary << "二进制";
        QTest::newRow("JSON") << QByteArray(R"({"report": {"bands": []}})") << "不是 XML";
        QTest::newRow("another XML") << QByteArray("<html><body/></html>") << "根元素是“html”";
        QTest::newRow("newer version") << templateXml({}).replace("version=\"1\"", "version=\"9\"") << "不支持";
        QTest::newRow("broken XML") << templateXml(QStringLiteral("<band kind=\"title\" height=\"5\">"))
                                    << "不是正确的 XML";
        QTest::newRow("no page") << QByteArray(R"(<parvell-report version="1"/>)") << "页面设置";
        QTest::newRow("unknown element") << templateXml(QStringLiteral("<chart/>")) << "不认识的元素“chart”";
        QTest::newRow("unknown band") << templateXml(QStringLiteral(R"(<band kind="detail" height="5"/>)"))
                                      << "不认识的栏“detail”";
        QTest::newRow("size not a number")
            << templateXml(QStringLiteral(R"(<band kind="title" height="abc"/>)")) << "属性 height 的值“abc”不是数";
        QTest::newRow("negative width") << templateXml(QStringLiteral(
            R"(<band kind="title" height="10"><text name="a" x="0" y="0" width="-5" height="5"/></band>)"))
                                        << "对象“a”的宽度不能为负数";
        QTest::newRow("negative band") << templateXml(QStringLiteral(R"(<band kind="title" height="-3"/>)"))
                                       << "报表标题栏的高度不能为负数";
        QTest::newRow("negative margin")
            << templateXml(title, QStringLiteral(R"(paper="A4")")).replace("left=\"10\"", "left=\"-1\"")
            << "页边距不能为负数";
        QTest::newRow("band taller than the page")
            << templateXml(QStringLiteral(R"(<band kind="title" height="300"/>)"))
            << "比页面的可打印高度（277 毫米）还高";
        QTest::newRow("header, footer and master too tall") << templateXml(
            textBand(QStringLiteral("header"), QStringLiteral("h"), 140)
            + textBand(QStringLiteral("footer"), QStringLiteral("f"), 130) + masterBand(QStringLiteral("m"), 10))
                                                            << "超过了页面的可打印高度";
        QTest::newRow("object beyond the right margin") << templateXml(QStringLiteral(
            R"(<band kind="title" height="10"><text name="a" x="170" y="0" width="50" height="5"/></band>)"))
                                                        << "对象“a”超出了页面的可打印宽度（190 毫米）";
        QTest::newRow("object below its band") << templateXml(QStringLiteral(
            R"(<band kind="title" height="10"><line name="a" x="0" y="8" width="50" height="5"/></band>)"))
                                               << "对象“a”超出了所在的报表标题栏";
        QTest::newRow("two objects of one name") << templateXml(
            QStringLiteral(R"(<band kind="title" height="10"><rect name="a" x="0" y="0" width="5" height="5"/>)"
                           R"(<rect name="a" x="5" y="0" width="5" height="5"/></band>)"))
                                                 << "有两个对象都叫“a”";
        QTest::newRow("two master bands")
            << templateXml(masterBand(QStringLiteral("a")) + masterBand(QStringLiteral("b"))) << "有两个主数据栏";
        QTest::newRow("unfinished expression")
            << templateXml(masterBand(QStringLiteral("[SUM("))) << "表达式“[SUM(”有误";
        QTest::newRow("unknown function") << templateXml(masterBand(QStringLiteral("[FOO(1)]"))) << "没有函数“FOO”";
        QTest::newRow("brackets in brackets")
            << templateXml(masterBand(QStringLiteral("[[[[[收费名称]]]]]"))) << "中不能有“[”";
        QString deep = QStringLiteral("[收费金额]");
        for (int i = 0; i < 40; ++i) {
            deep = QStringLiteral("MONEY(%1)").arg(deep);
        }
        QTest::newRow("nested forty deep") << templateXml(masterBand(u'[' + deep + u']')) << "嵌套超过 16 层";
        QTest::newRow("sum of a sum") << templateXml(masterBand(QStringLiteral("[SUM(SUM([收费金额]))]")))
                                      << "SUM 的参数必须是一个字段";
        QTest::newRow("decimals beyond four")
            << templateXml(masterBand(QStringLiteral("[MONEY([收费金额], 6)]"))) << "小数位必须是 0 到 4";
        // Found against the data.
        QTest::newRow("unknown field") << templateXml(masterBand(QStringLiteral("[收费名目]")))
                                       << "数据集“lines”中没有字段“收费名目”";
        QTest::newRow("unknown data set")
            << templateXml(masterBand(QStringLiteral("[公司.公司名称]"))) << "没有名为“公司”的数据集";
        QTest::newRow("sum of a text") << templateXml(masterBand(QStringLiteral("[SUM([收费名称])]")))
                                       << "SUM 只能合计数值字段";
        QTest::newRow("money of a text") << templateXml(masterBand(QStringLiteral("[MONEY([房屋代码])]")))
                                         << "MONEY 的参数必须是金额或数值";
        QTest::newRow("master data set not given") << templateXml(
            textBand(QStringLiteral("master"), QStringLiteral("x"), 6, QStringLiteral(R"(dataset="frDS_HT")")))
                                                   << "没有主数据栏要打印的数据集“frDS_HT”";
    }
    void refusesBadTemplates()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QString why;
        const std::optional<ReportTemplate> t = ReportFormat::read(bytes, &why);
        if (t) {
            const MemoryRows rows = lines(3);
            const MemoryRows org = organisation();
            QVERIFY(!ReportEngine::prepare(*t, {{QStringLiteral("lines"), &rows}, {QStringLiteral("公司信息"), &org}},
                                           &why));
        }
        QVERIFY2(why.contains(reason), qPrintable(why));
    }

    // Expressions print what the operator expects, amounts exactly.
    void evaluatesExpressions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("printed");
        QTest::newRow("literal") << "合计："
                                 << "合计：";
        QTest::newRow("field") << "[房屋代码]"
                               << "H00001";
        QTest::newRow("field with blanks") << "[ 房屋代码 ]"
                                           << "H00001";
        QTest::newRow("money field shortest") << "[收费金额]"
                                              << "1.0003";
        QTest::newRow("two decimals, half to even") << "[MONEY(0.125)]|[MONEY(0.135)]"
                                                    << "0.12|0.14";
        QTest::newRow("four decimals") << "[MONEY([收费金额], 4)]"
                                       << "1.0003";
        QTest::newRow("whole yuan") << "[MONEY(12.5, 0)]"
                                    << "12";
        QTest::newRow("amounts as owners read them") << "[AMOUNT([收费金额])]|[AMOUNT(120)]|[AMOUNT(8.915)]"
                                                     << "1.0003|120.00|8.915";
        QTest::newRow("sum of every row") << "[SUM([收费金额])]"
                                          << "3.0009";
        QTest::newRow("count") << "[COUNT()]|[count]|[COUNT([房屋代码])]"
                               << "3|3|3";
        QTest::newRow("line number") << "[LINE]"
                                     << "2";
        QTest::newRow("another data set") << "[公司信息.公司名称]"
                                          << "阳光花园物业管理处";
        QTest::newRow("today") << "[DATE]|[DATE(\"yyyy年M月d日\")]"
                               << "2004-08-15|2004年8月15日";
        QTest::newRow("pages") << "[PAGE]/[PAGES]"
                               << "1/1";
        QTest::newRow("string with a quote") << R"(["a""b"]元)"
                                             << "a\"b元";
        QTest::newRow("bracket as text") << "[\"[\"]收费金额]"
                                         << "[收费金额]";
        QTest::newRow("a lone closing bracket") << "a]b"
                                                << "a]b";
    }
    void evaluatesExpressions()
    {
        QFETCH(QString, text);
        QFETCH(QString, printed);
        const MemoryRows rows = lines(3);
        const MemoryRows org = organisation();
        QString why;
        const auto compiled =
            CompiledText::compile(text, {{QStringLiteral("lines"), &rows}, {QStringLiteral("公司信息"), &org}},
                                  QStringLiteral("lines"), &why);
        QVERIFY2(compiled, qPrintable(why));
        ReportScope scope;
        scope.row = 1;
        scope.end = 3;
        QCOMPARE(compiled->evaluate(scope), printed);
    }

    // A field's value is printed as it is, never read as an expression.
    void printsFieldValuesLiterally()
    {
        MemoryRows rows;
        rows.addField(QStringLiteral("收费名称"), FieldKind::Text);
        rows.addRow({QStringLiteral("[收费名称][PAGES]")});
        const auto t = ReportFormat::read(templateXml(masterBand(QStringLiteral("[收费名称]"))), nullptr);
        QVERIFY(t);
        const auto r = ReportEngine::prepare(*t, {{QStringLiteral("lines"), &rows}}, nullptr);
        QVERIFY(r);
        QCOMPARE(textsOf(*r, 0, BandKind::MasterData), QStringList {QStringLiteral("[收费名称][PAGES]")});
    }

    // 10,000 rows and none: each row printed once and in order, pages full, numbered "第p页 共N页",
    // the page footer's sum the page's rows, the summary the exact total.
    void paginates_data()
    {
        QTest::addColumn<int>("rowCount");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("ten thousand") << 10000;
    }
    void paginates()
    {
        QFETCH(int, rowCount);
        const QString footer = QStringLiteral(
            R"(<band kind="footer" height="8"><text name="页码" x="0" y="0" width="95" height="8">第[PAGE]页 共[PAGES]页</text>)"
            R"(<text name="页计" x="95" y="0" width="95" height="8">[SUM([收费金额])]</text></band>)");
        const QString bytes = textBand(QStringLiteral("title"), QStringLiteral("[公司信息.公司名称]"), 20)
            + textBand(QStringLiteral("header"), QStringLiteral("[房屋代码]起"), 8)
            + masterBand(QStringLiteral("[LINE] [房屋代码]"))
            + textBand(QStringLiteral("summary"), QStringLiteral("[COUNT()]项 合计[MONEY(SUM([收费金额]), 4)]"), 12)
            + footer;
        const auto t = ReportFormat::read(templateXml(bytes), nullptr);
        QVERIFY(t);
        const MemoryRows rows = lines(rowCount);
        const MemoryRows org = organisation();
        QString why;
        const auto r =
            ReportEngine::prepare(*t, {{QStringLiteral("lines"), &rows}, {QStringLiteral("公司信息"), &org}}, &why);
        QVERIFY2(r, qPrintable(why));

        // 277 mm to print on: the title (20), a header (8) and the footer (8) leave 241 mm, 40
        // rows, on the first page; 261 mm, 43 rows, on the others; the summary needs 12 mm.
        const int pages = int(r->pages.size());
        int expectedPages = 1;
        for (int left = rowCount - 40; left > 0; left -= 43) {
            ++expectedPages;
        }
        const int onLast = rowCount <= 40 ? rowCount : (rowCount - 40 - 1) % 43 + 1;
        const double lastRoom = pages == 1 ? 241 : 261;
        if (onLast * 6 + 12 > lastRoom) {
            ++expectedPages; // the summary goes over
        }
        QCOMPARE(pages, expectedPages);

        int next = 0;
        Money total;
        for (int p = 0; p < pages; ++p) {
            const PreparedPage &page = r->pages[p];
            QCOMPARE(page.firstRow, next);
            Money pageTotal;
            for (const QString &line : textsOf(*r, p, BandKind::MasterData)) {
                QCOMPARE(line, QStringLiteral("%1 H%2").arg(next + 1).arg(next, 5, 10, QLatin1Char('0')));
                pageTotal += Money::fromRaw(10000 + 3 * next);
                ++next;
            }
            total += pageTotal;
            QCOMPARE(page.endRow, next);
            if (p + 1 < pages && next < rowCount) {
                QCOMPARE(page.endRow - page.firstRow, p == 0 ? 40 : 43);
            }
            QCOMPARE(textsOf(*r, p, BandKind::PageFooter),
                     (QStringList {QStringLiteral("第%1页 共%2页").arg(p + 1).arg(pages), pageTotal.toString()}));
            QCOMPARE(textsOf(*r, p, BandKind::ReportTitle).size(), p == 0 ? 1 : 0);
            QCOMPARE(textsOf(*r, p, BandKind::PageHeader).size(), 1);
        }
        QCOMPARE(next, rowCount);
        QCOMPARE(textsOf(*r, 0, BandKind::ReportTitle), QStringList {QStringLiteral("阳光花园物业管理处")});
        QCOMPARE(textsOf(*r, pages - 1, BandKind::Summary),
                 QStringList {QStringLiteral("%1项 合计%2").arg(rowCount).arg(total.toString(4))});
        // Nothing lies below the footer's top or beyond the page.
        for (const PreparedPage &page : r->pages) {
            for (const PreparedItem &item : page.items) {
                const bool footerItem = r->report.bands[item.band].kind == BandKind::PageFooter;
                QVERIFY(item.rect.bottom() <= (footerItem ? 287 : 279) + 0.01);
            }
        }
    }

    // A template written out reads back the same, every property kept.
    void roundTrips()
    {
        ReportTemplate t;
        t.title = QStringLiteral("收费 & <清单> \"甲\"");
        QVERIFY(t.page.setPaper(QStringLiteral("Custom")));
        t.page.paperWidth = 241.3;
        t.page.paperHeight = 139.7;
        t.page.landscape = true;
        t.page.left = 7.25;
        ReportBand &title = t.bands[t.addBand(BandKind::ReportTitle)];
        title.height = 20;
        ReportObject text;
        text.name = QStringLiteral("说明");
        text.x = 1.1;
        text.y = 2.2;
        text.width = 100.05;
        text.height = 9.9;
        text.text = QStringLiteral("  第一行 <b>&amp;\n第二行\t[PAGE]  ");
        text.font = {QStringLiteral("黑体"), 12.5, true, true};
        text.hAlign = HAlign::Right;
        text.vAlign = VAlign::Bottom;
        text.frame = {true, false, true, false};
        text.lineWidth = 0.35;
        text.wordWrap = true;
        title.objects << text;
        ReportObject picture;
        picture.kind = ObjectKind::Picture;
        picture.name = QStringLiteral("徽标");
        picture.width = 10;
        picture.height = 10;
        picture.picture = QByteArray("\x89PNG\r\n\x1a\n\0\x01\x02", 11);
        title.objects << picture;
        ReportBand &master = t.bands[t.addBand(BandKind::MasterData)];
        master.dataSet = QStringLiteral("frDS_HT");
        ReportObject line;
        line.kind = ObjectKind::Line;
        line.name = QStringLiteral("线");
        line.width = 50;
        master.objects << line;
        QVERIFY2(t.fault().isEmpty(), qPrintable(t.fault()));

        QString why;
        const auto back = ReportFormat::read(ReportFormat::write(t), &why);
        QVERIFY2(back, qPrintable(why));
        QCOMPARE(ReportFormat::write(*back), ReportFormat::write(t));
        QVERIFY(*back == t);

        const auto notice = ReportFormat::read(NoticeTemplate::defaultTemplate(), &why);
        QVERIFY2(notice, qPrintable(why));
        QVERIFY(*ReportFormat::read(ReportFormat::write(*notice), nullptr) == *notice);
    }

    // Saving replaces the file whole, and never with a template that is unsound.
    void savesOnlySoundTemplates()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report/a.frf"));
        auto t = ReportFormat::read(NoticeTemplate::defaultTemplate(), nullptr);
        QVERIFY(t);
        QString why;
        QVERIFY2(ReportFormat::save(*t, path, &why), qPrintable(why));
        QVERIFY(*ReportFormat::load(path, nullptr) == *t);
        const QByteArray before = ReportFormat::write(*t);

        ReportTemplate broken = *t;
        broken.bands[0].objects[0].text = QStringLiteral("[MONEY(]");
        QVERIFY(!ReportFormat::save(broken, path, &why));
        QVERIFY2(why.contains(QStringLiteral("表达式")), qPrintable(why));
        ReportTemplate control = *t;
        control.bands[0].objects[0].text = QStringLiteral("a\x01z");
        QVERIFY(!ReportFormat::save(control, path, &why));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    // A home gets the default notice once; the operator's own template is never replaced. The
    // default prepares against a house's bill lines.
    void installsTheNotice()
    {
        QTemporaryDir home;
        const QString path = NoticeTemplate::pathIn(home.path());
        QVERIFY(path.endsWith(QStringLiteral("/report/缴费通知单.frf")));
        QVERIFY(NoticeTemplate::install(home.path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), NoticeTemplate::defaultTemplate());
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("edited by the office");
        file.close();
        QVERIFY(NoticeTemplate::install(home.path()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("edited by the office"));

        const auto notice = ReportFormat::read(NoticeTemplate::defaultTemplate(), nullptr);
        const auto sample = NoticeTemplate::sampleLines();
        const auto org = NoticeTemplate::sampleOrganisation();
        QString why;
        const auto r = ReportEngine::prepare(
            *notice, {{NoticeTemplate::LinesName, sample.get()}, {NoticeTemplate::OrganisationName, org.get()}}, &why);
        QVERIFY2(r, qPrintable(why));
        QCOMPARE(r->pages.size(), 1);
        const QStringList title = textsOf(*r, 0, BandKind::ReportTitle);
        QCOMPARE(title.value(0), QStringLiteral("物业管理处"));
        QVERIFY(title.contains(QStringLiteral("房屋代码：A1-0101")));
        // 6.175 + 15 + 31.05 + 102.444 + 94.54, as owners read it.
        QVERIFY(textsOf(*r, 0, BandKind::Summary).contains(QStringLiteral("249.209")));

        // A home still holding an earlier default as it was given gets today's.
        QByteArray earlier = NoticeTemplate::defaultTemplate();
        earlier.replace("[AMOUNT([单价])]", "[MONEY([单价], 4)]")
            .replace("[AMOUNT([收费金额])]", "[MONEY([收费金额], 4)]")
            .replace("[AMOUNT(SUM([收费金额]))]", "[MONEY(SUM([收费金额]), 4)]");
        writeFile(path, earlier);
        QVERIFY(NoticeTemplate::install(home.path()));
        QCOMPARE(fileBytes(path), NoticeTemplate::defaultTemplate());
    }
};

QTEST_GUILESS_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
