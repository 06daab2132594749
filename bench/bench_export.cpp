// Times every export format over a large synthetic list: 100,000 rows of 12 columns (Chinese
// text, money, dates, numbers); the Excel 97-2003 workbook gets as many rows as it can hold.

#include "components/grid/core/exporttable.h"
#include "shell/core/money.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <ctime>

namespace {

struct Row
{
    QString code, building, owner, phone, note, feeName, date, paid;
    qint64 price, amount;
    double area;
    int floor;
};

QVector<Row> makeRows(int count)
{
    const QStringList owners = {QStringLiteral("张伟"), QStringLiteral("王芳"), QStringLiteral("李娜"),
                                QStringLiteral("刘洋"), QStringLiteral("陈静"), QStringLiteral("杨磊")};
    const QStringList fees = {QStringLiteral("物业管理费"), QStringLiteral("水费"), QStringLiteral("电费"),
                              QStringLiteral("停车费"), QStringLiteral("垃圾清运费")};
    QVector<Row> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        Row r;
        r.code = QStringLiteral("%1-%2").arg(i / 400 + 1, 2, 10, QLatin1Char('0')).arg(i % 400 + 101);
        r.building = QStringLiteral("%1号楼").arg(i / 400 + 1);
        r.owner = owners[i % owners.size()] + QString::number(i % 977);
        r.phone = QStringLiteral("138%1").arg(10000000 + i * 7 % 9000000);
        r.note = i % 5 ? QString() : QStringLiteral("业主要求开具发票，备注\"加急\"");
        r.feeName = fees[i % fees.size()];
        r.date = QStringLiteral("2004-%1-%2 00:00:00")
                     .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                     .arg(i % 28 + 1, 2, 10, QLatin1Char('0'));
        r.paid = i % 3 ? QStringLiteral("已缴") : QStringLiteral("未缴");
        r.price = 12000 + i % 50 * 100;
        r.amount = qint64(i) * 1234 % 50000000;
        r.area = 60 + (i % 900) / 10.0;
        r.floor = i % 30 + 1;
        rows.append(r);
    }
    return rows;
}

ExportTable makeTable(const QVector<Row> &rows, int rowCount)
{
    ExportTable t;
    t.titles = {QStringLiteral("房屋代码"),  QStringLiteral("房屋|楼宇名称"), QStringLiteral("房屋|面积"),
                QStringLiteral("房屋|楼层"), QStringLiteral("业主名称"),      QStringLiteral("联系电话"),
                QStringLiteral("收费名称"),  QStringLiteral("费用|单价"),     QStringLiteral("费用|金额"),
                QStringLiteral("缴费日期"),  QStringLiteral("状态"),          QStringLiteral("备注")};
    t.kinds = {FieldKind::Text,  FieldKind::Text, FieldKind::Number, FieldKind::Integer,
               FieldKind::Text,  FieldKind::Text, FieldKind::Text,   FieldKind::Money,
               FieldKind::Money, FieldKind::Date, FieldKind::Text,   FieldKind::Memo};
    t.alignments = QVector<Qt::Alignment>(12, Qt::AlignLeft);
    t.alignments[2] = t.alignments[3] = t.alignments[7] = t.alignments[8] = Qt::AlignRight;
    t.rowCount = rowCount;
    t.value = [&rows](int r, int c) -> QVariant {
        const Row &x = rows[r];
        switch (c) {
        case 0:
            return x.code;
        case 1:
            return x.building;
        case 2:
            return x.area;
        case 3:
            return x.floor;
        case 4:
            return x.owner;
        case 5:
            return x.phone;
        case 6:
            return x.feeName;
        case 7:
            return x.price;
        case 8:
            return x.amount;
        case 9:
            return x.date;
        case 10:
            return x.paid;
        default:
            return x.note;
        }
    };
    t.text = [&rows](int r, int c) -> QString {
        const Row &x = rows[r];
        switch (c) {
        case 0:
            return x.code;
        case 1:
            return x.building;
        case 2:
            return QString::number(x.area);
        case 3:
            return QString::number(x.floor);
        case 4:
            return x.owner;
        case 5:
            return x.phone;
        case 6:
            return x.feeName;
        case 7:
            return Money::fromRaw(x.price).toString(2);
        case 8:
            return Money::fromRaw(x.amount).toString(2);
        case 9:
            return x.date.left(10);
        case 10:
            return x.paid;
        default:
            return x.note;
        }
    };
    t.footer = {QStringLiteral("记录数"),
                QString::number(rowCount),
                QString(),
                QString(),
                QString(),
                QString(),
                QString(),
                QString(),
                QStringLiteral("123456789.12"),
                QString(),
                QString(),
                QString()};
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QVector<Row> rows = makeRows(100000);
    QTemporaryDir dir;
    struct Case
    {
        ExportFormat format;
        int rows;
        double target;
    };
    const Case cases[] = {
        {ExportFormat::Text, 100000, 1}, {ExportFormat::Csv, 100000, 1},
        {ExportFormat::Html, 100000, 2}, {ExportFormat::Rtf, 100000, 2},
        {ExportFormat::Xlsx, 100000, 4}, {ExportFormat::Xls, 65536 - 3, 2}}; // two title rows and the footer
    bool allMet = true;
    // Optional arguments name the formats to time ("xlsx rtf"); all of them by default.
    const QStringList only = app.arguments().mid(1);
    for (const Case &c : cases) {
        if (!only.isEmpty() && !only.contains(Export::extension(c.format)))
            continue;
        const ExportTable table = makeTable(rows, c.rows);
        const QString path = dir.filePath(QStringLiteral("bench.") + Export::extension(c.format));
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpuStart = std::clock();
        QString error;
        const bool ok = Export::writeFile(c.format, table, path, &error);
        const double seconds = timer.nsecsElapsed() / 1e9;
        // The processor time tells the writer's own cost on a machine shared with other work.
        const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        const bool met = ok && seconds <= c.target;
        allMet = allMet && met;
        out << Qt::left << qSetFieldWidth(6) << Export::extension(c.format) << qSetFieldWidth(0) << Qt::right
            << qSetFieldWidth(7) << c.rows << qSetFieldWidth(0) << " rows  " << QString::number(seconds, 'f', 3)
            << " s  (cpu " << QString::number(cpu, 'f', 3) << " s, target " << c.target << " s)  "
            << QString::number(QFileInfo(path).size() / 1048576.0, 'f', 1) << " MB  "
            << (ok ? (met ? "ok" : "SLOW") : "FAILED: ") << error << Qt::endl;
    }
    return allMet ? 0 : 1;
}
