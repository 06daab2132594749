#include "components/report/core/noticetemplate.h"

#include "components/report/core/reportformat.h"
#include "data/clock.h"
#include "data/installedfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <iterator>

namespace {
const QString FileName = QStringLiteral("缴费通知单.frf");
}

QString NoticeTemplate::relativePath()
{
    return QStringLiteral("report/") + FileName;
}

QString NoticeTemplate::pathIn(const QString &home)
{
    return QDir(home).filePath(relativePath());
}

QByteArray NoticeTemplate::defaultTemplate()
{
    return HomeTemplate::defaultOf(FileName);
}

QString HomeTemplate::pathIn(const QString &home, const QString &fileName)
{
    return QDir(home).filePath(QStringLiteral("report/") + fileName);
}

QByteArray HomeTemplate::defaultOf(const QString &fileName)
{
    // An installed template first, then the one built into the program.
    const QString installed = InstalledFiles::find(QStringLiteral("report/") + fileName);
    for (const QString &path : {installed, QString(QStringLiteral(":/report/") + fileName)}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.read(ReportFormat::LargestFile + 1);
            if (ReportFormat::read(bytes, nullptr)) {
                return bytes;
            }
        }
    }
    return {};
}

bool HomeTemplate::write(const QString &home, const QString &fileName, QString *error)
{
    const QString path = pathIn(home, fileName);
    const QByteArray bytes = defaultOf(fileName);
    QSaveFile file(path);
    const bool ok = !bytes.isEmpty() && QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error) {
        *error = QStringLiteral("不能写入模板 %1：%2")
                     .arg(QDir::toNativeSeparators(path),
                          bytes.isEmpty() ? QStringLiteral("程序中没有默认模板") : file.errorString());
    }
    return ok;
}

bool HomeTemplate::install(const QString &home, const QString &fileName, QString *error)
{
    return QFileInfo::exists(pathIn(home, fileName)) || write(home, fileName, error);
}

namespace {
// The default templates of earlier versions, by their SHA-256: a home that still holds one
// exactly as it was given has never edited it, and gets today's default in its place.
bool isEarlierDefault(const QString &path)
{
    static const QByteArray earlier[] = {
        // Amounts with four decimals always ("57.4200").
        QByteArrayLiteral("450eb0bee89dc8bb0af20e338ea43fa3ae0672c07cbd18868d1dc82441c777fc"),
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ReportFormat::LargestFile) {
        return false;
    }
    const QByteArray hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    return std::find(std::begin(earlier), std::end(earlier), hash) != std::end(earlier);
}
}

bool NoticeTemplate::install(const QString &home, QString *error)
{
    const QString path = pathIn(home);
    if (QFileInfo::exists(path) && !isEarlierDefault(path)) {
        return true;
    }
    QString why;
    const bool ok = HomeTemplate::write(home, FileName, &why);
    if (!ok && error) {
        *error = why.replace(QStringLiteral("不能写入模板"), QStringLiteral("不能写入缴费通知单模板"));
    }
    return ok;
}

std::unique_ptr<MemoryRows> NoticeTemplate::sampleLines()
{
    auto rows = std::make_unique<MemoryRows>(Schema::table(QStringLiteral("收费明细表"))->fields);
    const QDate month = Clock::today().addDays(1 - Clock::today().day());
    struct Line
    {
        const char *name, *formula, *price, *quantity;
    };
    const Line lines[] = {
        {"公共设施维护费", "单价*面积", "0.5", "12.35"}, {"卫生费", "直接输入金额", "15", "1"},
        {"水费", "单价*(本月数-上月数)", "3.45", "9"},   {"物业管理费", "单价*面积", "1.2", "85.37"},
        {"电费", "单价*(本月数-上月数)", "0.58", "163"},
    };
    const QStringList fields = rows->fieldNames();
    for (const Line &l : lines) {
        const Money due = *Money::parse(QString::fromLatin1(l.price)) * *Money::parse(QString::fromLatin1(l.quantity));
        QStringList texts(fields.size());
        auto set = [&](const char *field, const QString &value) {
            texts[fields.indexOf(QString::fromUtf8(field))] = value;
        };
        set("房屋代码", QStringLiteral("A1-0101"));
        set("房屋名称", QStringLiteral("一号楼101室"));
        set("业主名称", QStringLiteral("张明"));
        set("楼宇名称", QStringLiteral("一号楼"));
        set("楼宇单元", QStringLiteral("一单元"));
        set("收费名称", QString::fromUtf8(l.name));
        set("计算公式", QString::fromUtf8(l.formula));
        set("单价", QString::fromLatin1(l.price));
        set("面积/数量", QString::fromLatin1(l.quantity));
        set("收费金额", due.toString());
        set("开始日期", month.toString(QStringLiteral("yyyy-MM-dd")));
        set("结束日期", month.addMonths(1).addDays(-1).toString(QStringLiteral("yyyy-MM-dd")));
        set("年度", QString::number(month.year()));
        set("月份", QString::number(month.month()));
        set("缴费状态", QStringLiteral("未缴费"));
        rows->addRow(texts);
    }
    return rows;
}

std::unique_ptr<MemoryRows> NoticeTemplate::sampleOrganisation()
{
    auto rows = std::make_unique<MemoryRows>(Schema::table(QStringLiteral("公司信息"))->fields);
    QStringList texts(rows->fieldNames().size());
    texts[rows->fieldIndex(QStringLiteral("公司名称"))] = QStringLiteral("物业管理处");
    rows->addRow(texts);
    return rows;
}
