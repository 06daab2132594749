#include "admin/core/jetvalue.h"

#include "admin/core/passwords.h"
#include "data/storeddate.h"

#include <QHash>
#include <QRegularExpression>
#include <cctype>
#include <cmath>

using JetValue::Source;
using JetValue::Value;

namespace {

// A JSON string starting at p (after its opening quote) up to its closing quote, unescaped.
bool parseString(const char *&p, const char *end, QString *out)
{
    QByteArray unescaped;
    const char *run = p;
    auto utf8 = [&unescaped](uint cp) {
        char buf[4];
        int n = 0;
        if (cp < 0x80) {
            buf[n++] = char(cp);
        } else if (cp < 0x800) {
            buf[n++] = char(0xc0 | (cp >> 6));
            buf[n++] = char(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            buf[n++] = char(0xe0 | (cp >> 12));
            buf[n++] = char(0x80 | ((cp >> 6) & 0x3f));
            buf[n++] = char(0x80 | (cp & 0x3f));
        } else {
            buf[n++] = char(0xf0 | (cp >> 18));
            buf[n++] = char(0x80 | ((cp >> 12) & 0x3f));
            buf[n++] = char(0x80 | ((cp >> 6) & 0x3f));
            buf[n++] = char(0x80 | (cp & 0x3f));
        }
        unescaped.append(buf, n);
    };
    auto hex4 = [&p, end](uint *cp) {
        if (end - p < 4) {
            return false;
        }
        bool ok = false;
        *cp = QByteArray(p, 4).toUInt(&ok, 16);
        p += 4;
        return ok;
    };
    while (p < end) {
        const char c = *p;
        if (c == '"') {
            if (run == p && unescaped.isEmpty()) {
                *out = QStringLiteral(""); // empty, not null
            } else {
                unescaped.append(run, p - run);
                *out = QString::fromUtf8(unescaped);
            }
            ++p;
            return true;
        }
        if (c != '\\') {
            ++p;
            continue;
        }
        unescaped.append(run, p - run);
        if (++p >= end) {
            return false;
        }
        const char e = *p++;
        switch (e) {
        case '"':
        case '\\':
        case '/':
            unescaped.append(e);
            break;
        case 'b':
            unescaped.append('\b');
            break;
        case 'f':
            unescaped.append('\f');
            break;
        case 'n':
            unescaped.append('\n');
            break;
        case 'r':
            unescaped.append('\r');
            break;
        case 't':
            unescaped.append('\t');
            break;
        case 'u': {
            uint cp = 0;
            if (!hex4(&cp)) {
                return false;
            }
            if (cp >= 0xd800 && cp < 0xdc00 && end - p >= 6 && p[0] == '\\' && p[1] == 'u') {
                p += 2;
                uint low = 0;
                if (!hex4(&low) || low < 0xdc00 || low > 0xdfff) {
                    return false;
                }
                cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
            } else if (cp >= 0xd800 && cp <= 0xdfff) {
                cp = 0xfffd;
            }
            utf8(cp);
            break;
        }
        default:
            return false;
        }
        run = p;
    }
    return false;
}

bool isNumberText(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?(\\d[\\d,]*\\.?\\d*|\\.\\d+)\\s*$"));
    return number.match(text).hasMatch();
}

QString quotedValue(const QString &text)
{
    constexpr int Shown = 40;
    return QStringLiteral("“%1”").arg(text.size() > Shown ? text.left(Shown) + QStringLiteral("…") : text);
}

// "08" → "8": a year or month as decimal text without leading zeros.
QString withoutLeadingZeros(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return text;
    }
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return text;
        }
    }
    int i = 0;
    while (i < t.size() - 1 && t.at(i) == QLatin1Char('0')) {
        ++i;
    }
    return t.mid(i);
}

}

JetValue::Source JetValue::sourceOf(const QString &type)
{
    static const QHash<QString, Source> types {
        {QStringLiteral("text"), Source::Text},        {QStringLiteral("memo"), Source::Text},
        {QStringLiteral("guid"), Source::Text},        {QStringLiteral("bool"), Source::Bool},
        {QStringLiteral("byte"), Source::Whole},       {QStringLiteral("int"), Source::Whole},
        {QStringLiteral("long"), Source::Whole},       {QStringLiteral("currency"), Source::Currency},
        {QStringLiteral("numeric"), Source::Currency}, {QStringLiteral("float"), Source::Real},
        {QStringLiteral("double"), Source::Real},      {QStringLiteral("datetime"), Source::DateTime},
    };
    return types.value(type, Source::Other);
}

bool JetValue::parseRow(const QByteArray &line, Row *row)
{
    row->clear();
    const char *p = line.constData();
    const char *end = p + line.size();
    auto blanks = [&p, end] {
        while (p < end && (*p == ' ' || *p == '\t')) {
            ++p;
        }
    };
    blanks();
    if (p >= end || *p++ != '[') {
        return false;
    }
    blanks();
    if (p < end && *p == ']') {
        ++p;
        blanks();
        return p == end;
    }
    for (;;) {
        blanks();
        if (p >= end) {
            return false;
        }
        Value v;
        if (*p == '"') {
            ++p;
            if (!parseString(p, end, &v.text)) {
                return false;
            }
            v.null = false;
        } else {
            const char *start = p;
            while (p < end && *p != ',' && *p != ']' && *p != ' ') {
                ++p;
            }
            const QByteArray word(start, p - start);
            if (word == "null") {
            } else if (word == "true" || word == "false") {
                v = {QLatin1String(word == "true" ? "1" : "0"), false};
            } else if (!word.isEmpty() && (std::isdigit(uchar(word.at(0))) || word.at(0) == '-')) {
                v = {QString::fromLatin1(word), false};
            } else {
                return false;
            }
        }
        row->append(v);
        blanks();
        if (p >= end) {
            return false;
        }
        if (*p == ',') {
            ++p;
            continue;
        }
        if (*p++ != ']') {
            return false;
        }
        blanks();
        return p == end;
    }
}

bool JetValue::convert(const Field &f, const Value &v, QVariant *out, std::optional<Money> *amount, QString *why,
                       Counts &counts)
{
    if (v.null) {
        *out = QVariant();
        return true;
    }
    const QString &text = v.text;
    const auto refuse = [&](const QString &reason) {
        *why = reason;
        return false;
    };
    switch (f.kind) {
    case FieldKind::Text:
    case FieldKind::Memo: {
        QString t = text;
        if (f.yearOrMonth) {
            t = withoutLeadingZeros(text);
            counts.yearsAndMonths += t != text;
        } else if (f.password && !t.isEmpty() && !Passwords::isHash(t)) {
            t = Passwords::hash(Passwords::normalise(t));
            if (t.isEmpty()) {
                return refuse(QStringLiteral("不能加密保存操作口令"));
            }
            ++counts.passwords;
        }
        ++counts.texts;
        *out = t;
        return true;
    }
    case FieldKind::Money: {
        std::optional<Money> m;
        bool fromReal = false;
        if (f.from == Source::Real) {
            bool ok = false;
            const double d = text.toDouble(&ok);
            m = ok ? Money::fromReal(d) : std::nullopt;
            fromReal = m && m->toReal() != d;
        } else if (f.from != Source::DateTime) {
            m = Money::parse(text);
        }
        if (!m) {
            ++counts.unreadableAmounts;
            return refuse(isNumberText(text)
                              ? QStringLiteral("%1 %2 超出本系统能保存的金额范围").arg(f.name, text.trimmed())
                              : QStringLiteral("%1的值%2不是金额").arg(f.name, quotedValue(text)));
        }
        counts.rounded += fromReal;
        *amount = m;
        *out = m->raw();
        return true;
    }
    case FieldKind::Number: {
        bool ok = f.from != Source::DateTime;
        const double d = ok ? text.trimmed().toDouble(&ok) : 0;
        if (!ok || !std::isfinite(d)) {
            return refuse(QStringLiteral("%1的值%2不是数字").arg(f.name, quotedValue(text)));
        }
        *out = d;
        return true;
    }
    case FieldKind::Integer: {
        const Money::Reading n = f.from == Source::DateTime ? Money::Reading {{}, Money::Problem::Malformed}
                                                             : Money::read(text.trimmed(), 0);
        if (!n.ok()) {
            return refuse(QStringLiteral("%1的值%2不是整数").arg(f.name, quotedValue(text)));
        }
        *out = n.value.toUnits();
        return true;
    }
    case FieldKind::Date:
    case FieldKind::DateTime: {
        // mdbtools prints a day it cannot place (before 1899-12-30) as day 0 of 1900.
        if (text.startsWith(QLatin1String("1900-01-00"))) {
            return refuse(QStringLiteral("%1读不出来（早于 1899-12-30 或超出范围）").arg(f.name));
        }
        const StoredDate::Value d =
            f.from == Source::DateTime || f.from == Source::Text ? StoredDate::parse(text) : StoredDate::Value {};
        if (!d.isValid()) {
            return refuse(QStringLiteral("%1的值%2不是日期").arg(f.name, quotedValue(text)));
        }
        // As the reader prints every date, the text is often in the stored form already.
        const bool stored = d.exact && text.size() == 19 && text.at(10) == QLatin1Char(' ');
        *out = stored ? text : StoredDate::format(d.date, d.seconds);
        return true;
    }
    case FieldKind::YesNo: {
        static const QStringList yes {QStringLiteral("1"), QStringLiteral("-1"), QStringLiteral("true"),
                                      QStringLiteral("yes"), QStringLiteral("是")};
        static const QStringList no {QStringLiteral("0"), QStringLiteral("false"), QStringLiteral("no"),
                                     QStringLiteral("否"), QString()};
        const QString t = text.trimmed().toLower();
        if (!yes.contains(t) && !no.contains(t)) {
            return refuse(QStringLiteral("%1的值%2不是“是/否”").arg(f.name, quotedValue(text)));
        }
        *out = yes.contains(t) ? 1 : 0;
        return true;
    }
    }
    return refuse(QStringLiteral("%1的值%2不能导入").arg(f.name, quotedValue(text)));
}
