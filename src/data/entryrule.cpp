#include "data/entryrule.h"

#include <QHash>

namespace {

// The longest text of a field, by its use: codes and numbers written as text 20 (an 18-digit
// identity card, a receipt number), telephones and bank accounts 30, names 50, addresses and
// descriptions 100, remarks and the scrolling text 2,000. Any other text field takes 50.
int longestText(const QString &field)
{
    static const QHash<QString, int> lengths = [] {
        QHash<QString, int> m;
        for (const char *f :
             {"房屋代码", "单据号码", "身份证号", "邮政编码", "年度",     "月份",     "楼宇单元", "房型",
              "产权状况", "使用状况", "计算公式", "收费面积", "收费范围", "收费周期", "收费类别", "停止收费",
              "租售情况", "缴费方式", "操作类型", "缴费状态", "开始使用", "是否使用"}) {
            m.insert(QString::fromUtf8(f), 20);
        }
        for (const char *f : {"联系电话", "银行帐号"}) {
            m.insert(QString::fromUtf8(f), 30);
        }
        for (const char *f : {"联系地址", "公司地址", "公司名称", "工作单位", "系统标题", "收费说明"}) {
            m.insert(QString::fromUtf8(f), 100);
        }
        for (const char *f : {"备注", "动态文字"}) {
            m.insert(QString::fromUtf8(f), 2000);
        }
        return m;
    }();
    return lengths.value(field, 50);
}

// Numbers and amounts that are zero or more wherever they are typed: areas, prices,
// quantities, readings, counts and days, and the amounts of payments and deposits. Balances
// (房屋资料.零头 and 押金) and a bill line's amount may be below zero.
bool zeroOrMore(const QString &table, const QString &field)
{
    static const QStringList fields = [] {
        QStringList l;
        for (const char *f : {"房屋面积", "公摊面积", "其它面积一", "其它面积二", "本月表数", "上月表数", "面积/数量",
                              "单价", "预付金额", "金额", "实收金额", "现金", "支票", "零头", "楼宇层数", "房屋数量",
                              "住户数量", "空置房数量", "提前提醒天数"}) {
            l << QString::fromUtf8(f);
        }
        return l;
    }();
    // A house's odd amount is a balance; a fee item's common amount is judged by its window,
    // with its own message, only where its category takes one.
    if ((table == QStringLiteral("房屋资料") && field == QStringLiteral("零头"))
        || (table == QStringLiteral("收费项目") && field == QStringLiteral("金额"))) {
        return false;
    }
    return fields.contains(field);
}

QString decimalsInWords(int decimals)
{
    static const char *const words[] = {"零", "一", "两", "三", "四"};
    return QString::fromUtf8(words[qBound(0, decimals, 4)]);
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

EntryRule EntryRule::of(const QString &table, const QString &field)
{
    EntryRule r;
    const TableDef *def = table.isEmpty() ? nullptr : Schema::table(table);
    r.kind = Schema::kindOf(field);
    if (def) {
        for (const FieldDef &f : def->fields) {
            if (f.name == field) {
                r.kind = f.kind;
            }
        }
    }
    r.minimumZero = zeroOrMore(table, field);
    switch (r.kind) {
    case FieldKind::Integer:
        // A count or a number of days: a long integer, as the estate's files have always held.
        r.decimals = 0;
        r.largest = Money::fromUnits(2147483647);
        break;
    default:
        r.maxLength = longestText(field);
        r.lineBreaks = r.kind == FieldKind::Memo;
        break;
    }
    return r;
}

bool EntryRule::isNumber() const
{
    return kind == FieldKind::Money || kind == FieldKind::Number || kind == FieldKind::Integer;
}

Money::Reading EntryRule::read(const QString &text) const
{
    return Money::read(text, decimals, minimumZero, largest);
}

QString EntryRule::refusal(const QString &label, const QString &text) const
{
    if (!isNumber()) {
        return {};
    }
    const QString named = QStringLiteral("“") + label + QStringLiteral("”");
    const Money::Problem problem = read(text).problem;
    switch (problem) {
    case Money::Problem::None:
    case Money::Problem::Empty:
        return {};
    case Money::Problem::Malformed:
    case Money::Problem::Decimals:
        if (decimals == 0) {
            return named + QStringLiteral("只能是整数！");
        }
        if (problem == Money::Problem::Malformed) {
            return named + QStringLiteral("只能是数字！");
        }
        return named + QStringLiteral("最多%1位小数！").arg(decimalsInWords(decimals));
    case Money::Problem::Negative:
        return named + QStringLiteral("不能小于零！");
    case Money::Problem::TooLarge:
        return named + QStringLiteral("太大，超出了可以保存的范围！");
    }
    return {};
}

bool EntryRule::hasControlCharacters(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            return true;
        }
    }
    return false;
}

QString EntryRule::cleaned(const QString &text) const
{
    if (!hasControlCharacters(text)) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isLineBreak(c)) {
            // A CR LF pair is one line break.
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            out += lineBreaks ? QChar(u'\n') : QChar(u' ');
        } else if (c == u'\t') {
            out += QChar(u' ');
        } else if (c.category() != QChar::Other_Control) {
            out += c;
        }
    }
    return out;
}
