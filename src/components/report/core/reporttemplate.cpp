#include "components/report/core/reporttemplate.h"

#include "components/report/core/reportexpression.h"

#include <QSet>
#include <cmath>

namespace {

struct Paper
{
    const char *name;
    double width;
    double height;
};

const Paper Papers[] = {
    {"A3", 297, 420}, {"A4", 210, 297}, {"A5", 148, 210}, {"B5", 176, 250}, {"Letter", 215.9, 279.4},
};

// Sizes are kept to a hundredth of a millimetre; a slip below that is no fault.
constexpr double Slack = 0.005;
constexpr double LargestPage = 2000;

QString mm(double v)
{
    return QString::number(v, 'g', 6);
}

QString objectFault(const ReportObject &o, const ReportBand &band, const ReportPage &page)
{
    const QString who = QStringLiteral("对象“%1”").arg(o.name);
    if (o.width < 0 || o.height < 0) {
        return who
            + QStringLiteral("的%1不能为负数").arg(o.width < 0 ? QStringLiteral("宽度") : QStringLiteral("高度"));
    }
    if (o.x < -Slack || o.y < -Slack) {
        return who + QStringLiteral("的位置不能为负数");
    }
    if (o.x + o.width > page.printableWidth() + Slack) {
        return who + QStringLiteral("超出了页面的可打印宽度（%1 毫米）").arg(mm(page.printableWidth()));
    }
    if (o.y + o.height > band.height + Slack) {
        return who
            + QStringLiteral("超出了所在的%1（高 %2 毫米）")
                  .arg(ReportTemplate::bandCaption(band.kind), mm(band.height));
    }
    if (o.lineWidth < 0 || o.lineWidth > 10) {
        return who + QStringLiteral("的线宽应在 0 到 10 毫米之间");
    }
    if (o.kind == ObjectKind::Text) {
        if (!(o.font.size > 0 && o.font.size <= 200)) {
            return who + QStringLiteral("的字号应在 1 到 200 磅之间");
        }
        QString why;
        if (!ReportText::parse(o.text, nullptr, &why)) {
            return who + QStringLiteral("：") + why;
        }
    }
    return {};
}

} // namespace

bool ReportPage::setPaper(const QString &name)
{
    for (const Paper &p : Papers) {
        if (name == QLatin1String(p.name)) {
            paper = name;
            paperWidth = p.width;
            paperHeight = p.height;
            return true;
        }
    }
    if (name == QLatin1String("Custom")) {
        paper = name;
        return true;
    }
    return false;
}

QStringList ReportPage::paperNames()
{
    QStringList out;
    for (const Paper &p : Papers) {
        out << QString::fromLatin1(p.name);
    }
    out << QStringLiteral("Custom");
    return out;
}

int ReportTemplate::bandIndex(BandKind kind) const
{
    for (int i = 0; i < bands.size(); ++i) {
        if (bands[i].kind == kind) {
            return i;
        }
    }
    return -1;
}

const ReportBand *ReportTemplate::band(BandKind kind) const
{
    const int i = bandIndex(kind);
    return i < 0 ? nullptr : &bands[i];
}

int ReportTemplate::addBand(BandKind kind)
{
    if (const int i = bandIndex(kind); i >= 0) {
        return i;
    }
    int at = 0;
    while (at < bands.size() && bands[at].kind < kind) {
        ++at;
    }
    ReportBand b;
    b.kind = kind;
    b.height = kind == BandKind::MasterData ? 6 : 15;
    bands.insert(at, b);
    return at;
}

QString ReportTemplate::freeName(ObjectKind kind) const
{
    QSet<QString> used;
    for (const ReportBand &b : bands) {
        for (const ReportObject &o : b.objects) {
            used.insert(o.name);
        }
    }
    for (int n = 1;; ++n) {
        const QString name = kindCaption(kind) + QString::number(n);
        if (!used.contains(name)) {
            return name;
        }
    }
}

QString ReportTemplate::fault() const
{
    const ReportPage &p = page;
    for (double v : {p.paperWidth, p.paperHeight, p.left, p.top, p.right, p.bottom}) {
        if (!std::isfinite(v)) {
            return QStringLiteral("页面设置中有不是数的值");
        }
    }
    if (p.paperWidth <= 0 || p.paperHeight <= 0) {
        return QStringLiteral("纸张的宽度和高度必须大于 0");
    }
    if (p.paperWidth > LargestPage || p.paperHeight > LargestPage) {
        return QStringLiteral("纸张不能超过 %1 毫米").arg(LargestPage);
    }
    if (p.left < 0 || p.top < 0 || p.right < 0 || p.bottom < 0) {
        return QStringLiteral("页边距不能为负数");
    }
    if (p.printableWidth() <= 0 || p.printableHeight() <= 0) {
        return QStringLiteral("页边距太大，页面上没有可打印的地方");
    }
    const double room = p.printableHeight();
    QSet<QString> names;
    for (int i = 0; i < bands.size(); ++i) {
        const ReportBand &b = bands[i];
        const QString what = bandCaption(b.kind);
        if (i > 0 && bands[i - 1].kind >= b.kind) {
            return bands[i - 1].kind == b.kind ? QStringLiteral("模板中有两个%1").arg(what)
                                               : QStringLiteral("%1的位置不对").arg(what);
        }
        if (!std::isfinite(b.height) || b.height <= 0) {
            return what + (b.height < 0 ? QStringLiteral("的高度不能为负数") : QStringLiteral("的高度必须大于 0"));
        }
        if (b.height > room + Slack) {
            return QStringLiteral("%1高 %2 毫米，比页面的可打印高度（%3 毫米）还高").arg(what, mm(b.height), mm(room));
        }
        if (b.kind == BandKind::MasterData && b.dataSet.trimmed().isEmpty()) {
            return QStringLiteral("主数据栏没有指定数据集");
        }
        for (const ReportObject &o : b.objects) {
            if (o.name.isEmpty() || names.contains(o.name)) {
                return o.name.isEmpty() ? QStringLiteral("%1中有一个对象没有名称").arg(what)
                                        : QStringLiteral("有两个对象都叫“%1”").arg(o.name);
            }
            names.insert(o.name);
            for (double v : {o.x, o.y, o.width, o.height, o.lineWidth, o.font.size}) {
                if (!std::isfinite(v)) {
                    return QStringLiteral("对象“%1”的位置或大小不是数").arg(o.name);
                }
            }
            if (const QString f = objectFault(o, b, p); !f.isEmpty()) {
                return f;
            }
        }
    }
    // Every page carries its header and footer, so each other band must fit between them.
    auto height = [this](BandKind k) {
        const ReportBand *b = band(k);
        return b ? b->height : 0.0;
    };
    const double frame = height(BandKind::PageHeader) + height(BandKind::PageFooter);
    for (BandKind k : {BandKind::ReportTitle, BandKind::MasterData, BandKind::Summary}) {
        if (band(k) && frame + height(k) > room + Slack) {
            return QStringLiteral("页眉栏、页脚栏与%1加起来高 %2 毫米，超过了页面的可打印高度（%3 毫米）")
                .arg(bandCaption(k), mm(frame + height(k)), mm(room));
        }
    }
    return {};
}

QString ReportTemplate::bandCaption(BandKind kind)
{
    switch (kind) {
    case BandKind::ReportTitle:
        return QStringLiteral("报表标题栏");
    case BandKind::PageHeader:
        return QStringLiteral("页眉栏");
    case BandKind::MasterData:
        return QStringLiteral("主数据栏");
    case BandKind::Summary:
        return QStringLiteral("报表合计栏");
    case BandKind::PageFooter:
        return QStringLiteral("页脚栏");
    }
    return {};
}

QString ReportTemplate::kindCaption(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Text:
        return QStringLiteral("文本");
    case ObjectKind::Line:
        return QStringLiteral("线条");
    case ObjectKind::Rect:
        return QStringLiteral("矩形");
    case ObjectKind::Picture:
        return QStringLiteral("图片");
    }
    return {};
}
