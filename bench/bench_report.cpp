// The payment notice over 1,000 bill lines (about 25 pages): preparing the home's template
// against the lines read from the database, and painting every page into a PDF file. Beside it,
// the baseline: a bare QPainter loop drawing the same texts at the same places into a QPdfWriter.
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportengine.h"
#include "components/report/core/reportformat.h"
#include "components/report/reportpainter.h"
#include "data/dm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Rows = 1000;
constexpr int Runs = 5;

bool fill(Dm1 &dm)
{
    return dm.inTransaction([&](QString *error) {
        QSqlQuery q(dm.database());
        q.prepare(
            QStringLiteral("insert into 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, "
                           "计算公式, 单价, \"面积/数量\", 收费金额, 年度, 月份, 缴费状态) "
                           "values ('A1-0101', '一号楼101室', '张明', '一号楼', '一单元', ?, '单价*数量', ?, ?, ?, "
                           "'2024', '5', '未缴费')"));
        for (int i = 0; i < Rows; ++i) {
            const Money price = Money::fromRaw(12345 + i);
            const Money quantity = Money::fromRaw((i % 97 + 1) * 2500);
            q.addBindValue(QStringLiteral("收费项目%1").arg(i, 4, 10, QLatin1Char('0')));
            q.addBindValue(price.raw());
            q.addBindValue(quantity.toReal());
            q.addBindValue((price * quantity).raw());
            if (!q.exec()) {
                *error = q.lastError().text();
                return false;
            }
        }
        return true;
    });
}

// The same texts, each at its place on its page, one font, nothing else.
qint64 baseline(const PreparedReport &report, const QString &path)
{
    QElapsedTimer t;
    t.start();
    QPdfWriter writer(path);
    writer.setResolution(600);
    ReportPainter::setUpPage(&writer, report.report.page);
    QPainter p(&writer);
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(10.5);
    p.setFont(font);
    const double scale = writer.logicalDpiX() / 25.4;
    for (int page = 0; page < report.pages.size(); ++page) {
        if (page > 0) {
            writer.newPage();
        }
        for (const PreparedItem &item : report.pages[page].items) {
            if (!item.text.isEmpty()) {
                const QRectF r = item.rect;
                p.drawText(QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale),
                           Qt::AlignLeft | Qt::AlignVCenter, item.text);
            }
        }
    }
    p.end();
    return t.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN")});
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection() || !fill(dm) || !NoticeTemplate::install(home.path())) {
        std::printf("cannot set up the home: %s\n", qPrintable(dm.lastError()));
        return 1;
    }
    DataSet lines;
    lines.setSql(
        {QStringLiteral("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')"),
         QStringLiteral("order by 收费名称")});
    lines.bindPositional(QStringLiteral("A1-0101"));
    lines.bindPositional(QStringLiteral("2024"));
    lines.bindPositional(QStringLiteral("5"));
    DataSet gsxx;
    gsxx.setSql({QStringLiteral("select * from 公司信息")});
    if (!lines.open() || !gsxx.open()) {
        std::printf("cannot read the bill lines\n");
        return 1;
    }
    const QString pdf = home.filePath(QStringLiteral("notice.pdf"));
    const QString bare = home.filePath(QStringLiteral("bare.pdf"));
    QList<qint64> prepareTimes, renderTimes, baseTimes;
    int pages = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer t;
        t.start();
        QString why;
        const auto notice = ReportFormat::load(NoticeTemplate::pathIn(home.path()), &why);
        const DataSetRows rows(&lines);
        const DataSetRows organisation(&gsxx);
        const auto prepared = notice
            ? ReportEngine::prepare(
                *notice, {{NoticeTemplate::LinesName, &rows}, {NoticeTemplate::OrganisationName, &organisation}}, &why)
            : std::nullopt;
        if (!prepared) {
            std::printf("the notice was not prepared: %s\n", qPrintable(why));
            return 1;
        }
        prepareTimes << t.restart();
        if (!ReportPainter::writePdf(*prepared, pdf)) {
            std::printf("the PDF was not written\n");
            return 1;
        }
        renderTimes << t.elapsed();
        baseTimes << baseline(*prepared, bare);
        pages = int(prepared->pages.size());
    }
    auto median = [](QList<qint64> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const qint64 prepare = median(prepareTimes);
    const qint64 render = median(renderTimes);
    const qint64 base = median(baseTimes);
    std::printf("payment notice, %d bill lines, %d pages (median of %d runs)\n", Rows, pages, Runs);
    std::printf("  load and prepare: %lld ms\n", static_cast<long long>(prepare));
    std::printf("  render to PDF: %lld ms (%lld KB)\n", static_cast<long long>(render),
                static_cast<long long>(QFileInfo(pdf).size() / 1024));
    std::printf("  total: %lld ms (goal: at most 1000 ms)\n", static_cast<long long>(prepare + render));
    std::printf("  baseline, bare QPainter loop of the same texts into QPdfWriter: %lld ms\n",
                static_cast<long long>(base));
    std::printf("  ratio total / baseline: %.2f\n", base > 0 ? double(prepare + render) / double(base) : 0.0);
    return 0;
}
