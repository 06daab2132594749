#include "components/report/core/reportformat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString Root = QStringLiteral("parvell-report");

struct Name
{
    const char *text;
    int value;
};

const Name BandNames[] = {
    {"title", int(BandKind::ReportTitle)}, {"header", int(BandKind::PageHeader)}, {"master", int(BandKind::MasterData)},
    {"summary", int(BandKind::Summary)},   {"footer", int(BandKind::PageFooter)},
};
const Name ObjectNames[] = {
    {"text", int(ObjectKind::Text)},
    {"line", int(ObjectKind::Line)},
    {"rect", int(ObjectKind::Rect)},
    {"picture", int(ObjectKind::Picture)},
};
const Name HAlignNames[] = {
    {"left", int(HAlign::Left)}, {"center", int(HAlign::Center)}, {"right", int(HAlign::Right)}};
const Name VAlignNames[] = {
    {"top", int(VAlign::Top)}, {"center", int(VAlign::Center)}, {"bottom", int(VAlign::Bottom)}};

template<size_t N> int valueOf(const Name (&names)[N], QStringView text)
{
    for (const Name &n : names) {
        if (text == QLatin1String(n.text)) {
            return n.value;
        }
    }
    return -1;
}

template<size_t N> QString textOf(const Name (&names)[N], int value)
{
    for (const Name &n : names) {
        if (n.value == value) {
            return QString::fromLatin1(n.text);
        }
    }
    return {};
}

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

class Reader
{
public:
    explicit Reader(const QByteArray &bytes)
        : xml(bytes)
    { }

    std::optional<ReportTemplate> read(QString *error)
    {
        ReportTemplate t;
        bool sawPage = false;
        if (!xml.readNextStartElement()) {
            return finish(error, QStringLiteral("文件中没有报表模板"));
        }
        if (xml.name() != Root) {
            return finish(error, QStringLiteral("不是 Parvell 报表模板（文件的根元素是“%1”）").arg(xml.name()));
        }
        const QXmlStreamAttributes root = xml.attributes();
        const int version = root.value(u"version"_s).toInt();
        if (version < 1 || version > ReportFormat::Version) {
            return finish(error, QStringLiteral("不支持第“%1”版的报表模板").arg(root.value(u"version"_s)));
        }
        t.title = root.value(u"title"_s).toString();
        t.bands.clear();
        while (m_fault.isEmpty() && xml.readNextStartElement()) {
            if (xml.name() == u"page") {
                sawPage = true;
                readPage(&t.page);
                xml.skipCurrentElement();
            } else if (xml.name() == u"band") {
                t.bands << readBand();
            } else {
                unknownElement();
            }
        }
        if (!m_fault.isEmpty() || xml.hasError()) {
            return finish(error, m_fault);
        }
        if (!sawPage) {
            return finish(error, QStringLiteral("模板缺少页面设置（page 元素）"));
        }
        std::stable_sort(t.bands.begin(), t.bands.end(),
                         [](const ReportBand &a, const ReportBand &b) { return a.kind < b.kind; });
        for (ReportBand &b : t.bands) {
            for (ReportObject &o : b.objects) {
                if (o.name.isEmpty()) {
                    o.name = t.freeName(o.kind);
                }
            }
        }
        if (const QString f = t.fault(); !f.isEmpty()) {
            return finish(error, f);
        }
        return t;
    }

private:
    std::optional<ReportTemplate> finish(QString *error, const QString &fault)
    {
        if (error) {
            *error = xml.hasError() ? xmlFault() : fault;
        }
        return std::nullopt;
    }

    QString xmlFault() const
    {
        const QString where = QStringLiteral("第 %1 行第 %2 列").arg(xml.lineNumber()).arg(xml.columnNumber());
        if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            return QStringLiteral("文件在%1处中断，模板不完整").arg(where);
        }
        return QStringLiteral("文件%1处不是正确的 XML：%2").arg(where, xml.errorString());
    }

    void fail(const QString &why)
    {
        if (m_fault.isEmpty()) {
            m_fault = QStringLiteral("第 %1 行：%2").arg(xml.lineNumber()).arg(why);
        }
    }

    void unknownElement()
    {
        fail(QStringLiteral("不认识的元素“%1”").arg(xml.name()));
        xml.skipCurrentElement();
    }

    double number(const QXmlStreamAttributes &a, const char *name, double fallback, bool required = false)
    {
        const QStringView text = a.value(QLatin1String(name));
        if (text.isNull()) {
            if (required) {
                fail(QStringLiteral("%1 缺少属性 %2").arg(xml.name(), QLatin1String(name)));
            }
            return fallback;
        }
        bool ok = false;
        const double v = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            fail(QStringLiteral("属性 %1 的值“%2”不是数").arg(QLatin1String(name), text));
            return fallback;
        }
        return v;
    }

    bool flag(const QXmlStreamAttributes &a, const char *name)
    {
        const QStringView text = a.value(QLatin1String(name));
        if (text.isNull() || text == u"false") {
            return false;
        }
        if (text != u"true") {
            fail(QStringLiteral("属性 %1 的值应是 true 或 false，而不是“%2”").arg(QLatin1String(name), text));
        }
        return text == u"true";
    }

    template<size_t N> int choice(const QXmlStreamAttributes &a, const char *name, const Name (&names)[N], int fallback)
    {
        const QStringView text = a.value(QLatin1String(name));
        if (text.isNull()) {
            return fallback;
        }
        const int v = valueOf(names, text);
        if (v < 0) {
            fail(QStringLiteral("属性 %1 的值“%2”不对").arg(QLatin1String(name), text));
            return fallback;
        }
        return v;
    }

    void readPage(ReportPage *p)
    {
        const QXmlStreamAttributes a = xml.attributes();
        const QString paper = a.value(u"paper"_s).toString();
        if (!paper.isEmpty() && !p->setPaper(paper)) {
            fail(QStringLiteral("不认识的纸张“%1”").arg(paper));
        }
        if (paper.isEmpty() || paper == QLatin1String("Custom")) {
            p->paper = QStringLiteral("Custom");
            p->paperWidth = number(a, "width", 0, true);
            p->paperHeight = number(a, "height", 0, true);
        }
        const QStringView orientation = a.value(u"orientation"_s);
        if (!orientation.isNull() && orientation != u"portrait" && orientation != u"landscape") {
            fail(QStringLiteral("纸张方向应是 portrait 或 landscape"));
        }
        p->landscape = orientation == u"landscape";
        p->left = number(a, "left", p->left);
        p->top = number(a, "top", p->top);
        p->right = number(a, "right", p->right);
        p->bottom = number(a, "bottom", p->bottom);
    }

    ReportBand readBand()
    {
        ReportBand b;
        const QXmlStreamAttributes a = xml.attributes();
        const int kind = valueOf(BandNames, a.value(u"kind"_s));
        if (kind < 0) {
            fail(QStringLiteral("不认识的栏“%1”").arg(a.value(u"kind"_s)));
        }
        b.kind = BandKind(qMax(0, kind));
        b.height = number(a, "height", 0, true);
        b.dataSet = a.value(u"dataset"_s).toString();
        while (m_fault.isEmpty() && xml.readNextStartElement()) {
            const int objectKind = valueOf(ObjectNames, xml.name());
            if (objectKind < 0) {
                unknownElement();
                continue;
            }
            b.objects << readObject(ObjectKind(objectKind));
        }
        return b;
    }

    ReportObject readObject(ObjectKind kind)
    {
        ReportObject o;
        o.kind = kind;
        const QXmlStreamAttributes a = xml.attributes();
        o.name = a.value(u"name"_s).toString();
        o.x = number(a, "x", 0, true);
        o.y = number(a, "y", 0, true);
        o.width = number(a, "width", 0, true);
        o.height = number(a, "height", 0, true);
        o.lineWidth = number(a, "line-width", o.lineWidth);
        if (kind == ObjectKind::Text) {
            if (const QStringView family = a.value(u"font"_s); !family.isNull()) {
                o.font.family = family.toString();
            }
            o.font.size = number(a, "size", o.font.size);
            o.font.bold = flag(a, "bold");
            o.font.italic = flag(a, "italic");
            o.hAlign = HAlign(choice(a, "align", HAlignNames, int(o.hAlign)));
            o.vAlign = VAlign(choice(a, "valign", VAlignNames, int(o.vAlign)));
            o.wordWrap = flag(a, "wrap");
            const QStringList sides = a.value(u"frame"_s).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString &side : sides) {
                if (side == QLatin1String("all")) {
                    o.frame = {true, true, true, true};
                } else if (side == QLatin1String("left")) {
                    o.frame.left = true;
                } else if (side == QLatin1String("top")) {
                    o.frame.top = true;
                } else if (side == QLatin1String("right")) {
                    o.frame.right = true;
                } else if (side == QLatin1String("bottom")) {
                    o.frame.bottom = true;
                } else {
                    fail(QStringLiteral("边框“%1”不对，应是 left、top、right、bottom 或 all").arg(side));
                }
            }
        }
        const QString content = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (kind == ObjectKind::Text) {
            o.text = content;
        } else if (kind == ObjectKind::Picture) {
            auto decoded =
                QByteArray::fromBase64Encoding(content.trimmed().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) {
                fail(QStringLiteral("图片“%1”的数据已损坏").arg(o.name));
            }
            o.picture = *decoded;
        }
        return o;
    }

    QXmlStreamReader xml;
    QString m_fault;
};

} // namespace

std::optional<ReportTemplate> ReportFormat::read(const QByteArray &bytes, QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (bytes.trimmed().isEmpty()) {
        return refuse(QStringLiteral("模板文件是空的"));
    }
    if (bytes.size() > LargestFile) {
        return refuse(QStringLiteral("模板文件太大（超过 %1 MB）").arg(LargestFile / (1024 * 1024)));
    }
    if (bytes.contains('\0')) {
        return refuse(QStringLiteral("文件含有二进制数据，不是 Parvell 报表模板"));
    }
    // A byte-order mark and blanks may come before the XML's first '<'.
    const QByteArray start = (bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes).trimmed();
    if (!start.startsWith('<')) {
        return refuse(QStringLiteral("不是 Parvell 报表模板（不是 XML 文件）"));
    }
    return Reader(bytes).read(error);
}

std::optional<ReportTemplate> ReportFormat::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("不能读取文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString());
        }
        return std::nullopt;
    }
    if (file.size() > LargestFile) {
        if (error) {
            *error = QStringLiteral("模板文件太大（超过 %1 MB）").arg(LargestFile / (1024 * 1024));
        }
        return std::nullopt;
    }
    return read(file.readAll(), error);
}

QByteArray ReportFormat::write(const ReportTemplate &t)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(Root);
    xml.writeAttribute(u"version"_s, QString::number(Version));
    xml.writeAttribute(u"title"_s, t.title);

    const ReportPage &p = t.page;
    xml.writeEmptyElement(u"page"_s);
    xml.writeAttribute(u"paper"_s, p.paper);
    if (p.paper == QLatin1String("Custom")) {
        xml.writeAttribute(u"width"_s, number(p.paperWidth));
        xml.writeAttribute(u"height"_s, number(p.paperHeight));
    }
    xml.writeAttribute(u"orientation"_s, p.landscape ? u"landscape"_s : u"portrait"_s);
    xml.writeAttribute(u"left"_s, number(p.left));
    xml.writeAttribute(u"top"_s, number(p.top));
    xml.writeAttribute(u"right"_s, number(p.right));
    xml.writeAttribute(u"bottom"_s, number(p.bottom));

    const ReportObject plain;
    for (const ReportBand &b : t.bands) {
        xml.writeStartElement(u"band"_s);
        xml.writeAttribute(u"kind"_s, textOf(BandNames, int(b.kind)));
        xml.writeAttribute(u"height"_s, number(b.height));
        if (!b.dataSet.isEmpty()) {
            xml.writeAttribute(u"dataset"_s, b.dataSet);
        }
        for (const ReportObject &o : b.objects) {
            xml.writeStartElement(textOf(ObjectNames, int(o.kind)));
            xml.writeAttribute(u"name"_s, o.name);
            xml.writeAttribute(u"x"_s, number(o.x));
            xml.writeAttribute(u"y"_s, number(o.y));
            xml.writeAttribute(u"width"_s, number(o.width));
            xml.writeAttribute(u"height"_s, number(o.height));
            if (o.lineWidth != plain.lineWidth) {
                xml.writeAttribute(u"line-width"_s, number(o.lineWidth));
            }
            if (o.kind == ObjectKind::Text) {
                xml.writeAttribute(u"font"_s, o.font.family);
                xml.writeAttribute(u"size"_s, number(o.font.size));
                if (o.font.bold) {
                    xml.writeAttribute(u"bold"_s, u"true"_s);
                }
                if (o.font.italic) {
                    xml.writeAttribute(u"italic"_s, u"true"_s);
                }
                if (o.hAlign != plain.hAlign) {
                    xml.writeAttribute(u"align"_s, textOf(HAlignNames, int(o.hAlign)));
                }
                if (o.vAlign != plain.vAlign) {
                    xml.writeAttribute(u"valign"_s, textOf(VAlignNames, int(o.vAlign)));
                }
                if (o.frame.any()) {
                    QStringList sides;
                    if (o.frame.all()) {
                        sides << u"all"_s;
                    } else {
                        const std::pair<bool, QString> all[] = {{o.frame.left, u"left"_s},
                                                                {o.frame.top, u"top"_s},
                                                                {o.frame.right, u"right"_s},
                                                                {o.frame.bottom, u"bottom"_s}};
                        for (const auto &[on, name] : all) {
                            if (on) {
                                sides << name;
                            }
                        }
                    }
                    xml.writeAttribute(u"frame"_s, sides.join(QLatin1Char(' ')));
                }
                if (o.wordWrap) {
                    xml.writeAttribute(u"wrap"_s, u"true"_s);
                }
                xml.writeCharacters(o.text);
            } else if (o.kind == ObjectKind::Picture) {
                xml.writeCharacters(QString::fromLatin1(o.picture.toBase64()));
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

bool ReportFormat::save(const ReportTemplate &t, const QString &path, QString *error)
{
    auto refuse = [error](const QString &why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    if (const QString f = t.fault(); !f.isEmpty()) {
        return refuse(f);
    }
    const QByteArray bytes = write(t);
    QString why;
    const std::optional<ReportTemplate> back = read(bytes, &why);
    if (!back) {
        return refuse(QStringLiteral("保存后的模板不能读回：%1").arg(why));
    }
    if (!(*back == t)) {
        return refuse(QStringLiteral("保存后的模板读回来与原来的不一样（文本中可能有不能保存的控制字符）"));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return refuse(QStringLiteral("不能写入文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    return true;
}
