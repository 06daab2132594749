// The data grid over 100,000 houses: opening and first paint, scrolling a page, re-sorting by a
// title click, and the peak memory of the process.
#include "components/grid/dbgrideh.h"
#include "data/dm1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {
QString peakMemory()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return QStringLiteral("?");
    }
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return QString::fromLatin1(line.mid(6).trimmed());
        }
    }
    return QStringLiteral("?");
}

GridColumn column(const QString &field, const QString &title, int width, bool right = false)
{
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.sortable = true;
    if (right) {
        c.alignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    return c;
}

void fill(Dm1 &dm, int rows)
{
    const QStringList buildings {QStringLiteral("翠苑一期"), QStringLiteral("翠苑二期"), QStringLiteral("金桂园"),
                                 QStringLiteral("银杏苑"), QStringLiteral("丽景大厦")};
    const QStringList surnames {QStringLiteral("张"), QStringLiteral("王"), QStringLiteral("李"), QStringLiteral("赵"),
                                QStringLiteral("陈"), QStringLiteral("刘"), QStringLiteral("杨"), QStringLiteral("黄")};
    const QStringList given {QStringLiteral("伟"), QStringLiteral("芳"), QStringLiteral("娜"), QStringLiteral("敏"),
                             QStringLiteral("静"), QStringLiteral("强"), QStringLiteral("磊"), QStringLiteral("军")};
    dm.inTransaction([&](QString *) {
        QSqlQuery q(dm.database());
        q.prepare(
            QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 楼宇名称, 楼宇单元, 房屋位置, 房型, 产权状况, "
                           "房屋面积, 公摊面积, 使用状况, 迁入日期, 业主名称, 联系电话, 零头, 押金) "
                           "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            const QString b = buildings[i % buildings.size()];
            q.addBindValue(
                QStringLiteral("%1-%2").arg(i / 1000, 3, 10, QLatin1Char('0')).arg(i % 1000, 4, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("%1%2室").arg(b).arg(i % 1000));
            q.addBindValue(b);
            q.addBindValue(QStringLiteral("%1单元").arg(i % 6 + 1));
            q.addBindValue(QStringLiteral("%1层").arg(i % 30 + 1));
            q.addBindValue(i % 3 == 0 ? QStringLiteral("三室两厅") : QStringLiteral("两室一厅"));
            q.addBindValue(i % 4 == 0 ? QStringLiteral("租赁") : QStringLiteral("自有"));
            q.addBindValue(60.0 + (i % 900) / 10.0);
            q.addBindValue(8.5 + (i % 50) / 10.0);
            q.addBindValue(i % 5 == 0 ? QStringLiteral("空置") : QStringLiteral("已入住"));
            q.addBindValue(QStringLiteral("20%1-%2-%3 00:00:00")
                               .arg(i % 20 + 4, 2, 10, QLatin1Char('0'))
                               .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                               .arg(i % 28 + 1, 2, 10, QLatin1Char('0')));
            q.addBindValue(QString(surnames[i % surnames.size()] + given[(i / 8) % given.size()]
                                   + given[(i / 64) % given.size()]));
            q.addBindValue(QStringLiteral("138%1").arg(10000000 + i * 7));
            q.addBindValue(qint64(i % 10000));
            q.addBindValue(qint64(100000 + (i % 7) * 12345));
            if (!q.exec()) {
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
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN")});
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    const int rows = 100000;
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection()) {
        std::printf("cannot open the database\n");
        return 1;
    }
    QElapsedTimer t;
    t.start();
    fill(dm, rows);
    std::printf("filling %d rows: %lld ms\n", rows, t.elapsed());

    DataSet ds(QStringLiteral("q_houseinfo"));
    ds.setSql({QStringLiteral("select * from 房屋资料"), QStringLiteral("order by 房屋代码")});
    t.restart();
    ds.open();
    std::printf("the data set alone, open %d rows: %lld ms\n", ds.recordCount(), t.elapsed());
    ds.close();

    DBGridEh grid;
    QList<GridColumn> cols {column(QStringLiteral("房屋代码"), QStringLiteral("房屋|代码"), 80),
                            column(QStringLiteral("房屋名称"), QStringLiteral("房屋|名称"), 120),
                            column(QStringLiteral("楼宇名称"), QStringLiteral("房屋|位置|楼宇"), 80),
                            column(QStringLiteral("楼宇单元"), QStringLiteral("房屋|位置|单元"), 60),
                            column(QStringLiteral("房屋位置"), QStringLiteral("房屋|位置|楼层"), 50),
                            column(QStringLiteral("房型"), QStringLiteral("房型"), 70),
                            column(QStringLiteral("产权状况"), QStringLiteral("产权状况"), 60),
                            column(QStringLiteral("房屋面积"), QStringLiteral("面积|房屋面积"), 70, true),
                            column(QStringLiteral("公摊面积"), QStringLiteral("面积|公摊面积"), 70, true),
                            column(QStringLiteral("使用状况"), QStringLiteral("使用状况"), 60),
                            column(QStringLiteral("迁入日期"), QStringLiteral("迁入日期"), 80),
                            column(QStringLiteral("业主名称"), QStringLiteral("业主|名称"), 70),
                            column(QStringLiteral("联系电话"), QStringLiteral("业主|电话"), 90),
                            column(QStringLiteral("零头"), QStringLiteral("零头"), 60, true),
                            column(QStringLiteral("押金"), QStringLiteral("押金"), 70, true)};
    cols[0].footer = GridColumn::Footer::Text;
    cols[0].footerText = QStringLiteral("记录数");
    cols[1].footer = GridColumn::Footer::Count;
    cols[7].footer = GridColumn::Footer::Sum;
    cols[13].footer = GridColumn::Footer::Sum;
    cols[14].footer = GridColumn::Footer::Sum;
    grid.setColumns(cols);
    grid.setDataSet(&ds);
    grid.setDichromatic(true);
    grid.resize(1280, 700);

    t.restart();
    ds.open();
    const qint64 openMs = t.elapsed();
    grid.show();
    QApplication::processEvents();
    grid.repaint();
    std::printf("open %d rows: %lld ms; open + first paint: %lld ms\n", ds.recordCount(), openMs, t.elapsed());

    const int pages = 50;
    t.restart();
    for (int i = 0; i < pages; ++i) {
        grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        grid.viewport()->repaint();
    }
    std::printf("scroll a page and paint: %.2f ms (average of %d)\n", double(t.elapsed()) / pages, pages);

    t.restart();
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    grid.viewport()->repaint();
    std::printf("jump to the last row and paint: %lld ms\n", t.elapsed());

    t.restart();
    grid.clickTitle(11, false); // 业主名称 ascending
    grid.repaint();
    std::printf("re-sort by a title click (re-query + paint): %lld ms -> %s\n", t.elapsed(),
                qPrintable(ds.orderingLine()));
    t.restart();
    grid.clickTitle(7, true);
    grid.clickTitle(7, true);
    grid.releaseCtrl();
    grid.repaint();
    std::printf("Ctrl re-sort on two columns: %lld ms -> %s\n", t.elapsed(), qPrintable(ds.orderingLine()));

    t.restart();
    ds.moveTo(50000);
    ds.edit();
    ds.setMoney(QStringLiteral("押金"), Money::fromUnits(1));
    ds.cancel();
    grid.repaint();
    std::printf("edit a row (footer sums follow the edited cells) and paint: %lld ms (押金 sum %s)\n", t.elapsed(),
                qPrintable(grid.footerText(QStringLiteral("押金"))));

    if (argc > 1) {
        ds.moveTo(2);
        grid.verticalScrollBar()->setValue(0);
        grid.resize(1100, 420);
        grid.grab().save(QString::fromLocal8Bit(argv[1]));
        std::printf("screenshot: %s\n", argv[1]);
    }
    std::printf("peak memory (VmHWM): %s\n", qPrintable(peakMemory()));
    return 0;
}
