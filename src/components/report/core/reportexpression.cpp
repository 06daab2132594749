#include "components/report/core/reportexpression.h"

#include "data/clock.h"

#include <QDate>
#include <QVector>

namespace {

struct Function
{
    const char *name;
    int minArgs;
    int maxArgs;
    const char *help;
};

// Every function an expression may call. Calls without arguments may leave out the brackets.
const Function Functions[] = {
    {"SUM", 1, 1, "SUM([字段])：主数据各行该数值字段之和（页眉、页脚中为本页各行之和）"},
    {"COUNT", 0, 1, "COUNT()：主数据的行数；COUNT([字段])：该字段不为空的行数"},
    {"MONEY", 1, 2, "MONEY(数值, 小数位)：金额保留 0 到 4 位小数，默认 2 位，四舍六入五成双"},
    {"AMOUNT", 1, 1, "AMOUNT(数值)：给业主看的金额，至少 2 位小数，有几位写几位（57.42、8.915、120.00）"},
    {"PAGE", 0, 0, "PAGE：当前页码"},
    {"PAGES", 0, 0, "PAGES：总页数"},
    {"LINE", 0, 0, "LINE：主数据的行号，从 1 开始"},
    {"DATE", 0, 1, "DATE：今天的日期；DATE(\"yyyy年M月d日\")：按格式写出"},
};

const Function *function(const QString &upperName)
{
    for (const Function &f : Functions) {
        if (upperName == QLatin1String(f.name)) {
            return &f;
        }
    }
    return nullptr;
}

bool isNameChar(QChar c)
{
    static const QString stops = QStringLiteral("[](),\"");
    return !c.isSpace() && !stops.contains(c);
}

class Parser
{
public:
    explicit Parser(const QString &text)
        : s(text)
    { }

    // Parses the expression that starts after the '[' at pos and its closing ']'.
    std::optional<ExprNode> bracketed(int *position, QString *error)
    {
        pos = *position;
        std::optional<ExprNode> node = expression(0);
        if (node) {
            skipSpace();
            if (pos >= s.size()) {
                fail(QStringLiteral("缺少结尾的“]”"));
                node.reset();
            } else if (s[pos] != QLatin1Char(']')) {
                fail(QStringLiteral("“%1”处多出了内容").arg(s.mid(pos, 8)));
                node.reset();
            } else {
                ++pos;
            }
        }
        *position = pos;
        if (!node && error) {
            *error = m_error;
        }
        return node;
    }

private:
    void skipSpace()
    {
        while (pos < s.size() && s[pos].isSpace()) {
            ++pos;
        }
    }

    void fail(const QString &why)
    {
        if (m_error.isEmpty()) {
            m_error = why;
        }
    }

    static ExprNode field(const QString &name)
    {
        ExprNode n;
        n.kind = ExprNode::Kind::Field;
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot > 0 && dot < name.size() - 1) {
            n.source = name.left(dot);
            n.name = name.mid(dot + 1);
        } else {
            n.name = name;
        }
        return n;
    }

    std::optional<ExprNode> expression(int depth)
    {
        if (depth >= ReportText::MaxDepth) {
            fail(QStringLiteral("表达式嵌套超过 %1 层").arg(ReportText::MaxDepth));
            return std::nullopt;
        }
        skipSpace();
        if (pos >= s.size()) {
            fail(QStringLiteral("表达式不完整"));
            return std::nullopt;
        }
        const QChar c = s[pos];
        if (c == QLatin1Char('"')) {
            return string();
        }
        if (c == QLatin1Char('[')) {
            const qsizetype close = s.indexOf(QLatin1Char(']'), pos + 1);
            const QString name = s.mid(pos + 1, close < 0 ? -1 : close - pos - 1).trimmed();
            if (close < 0) {
                fail(QStringLiteral("字段名缺少结尾的“]”"));
                return std::nullopt;
            }
            if (name.isEmpty() || name.contains(QLatin1Char('['))) {
                fail(name.isEmpty() ? QStringLiteral("字段名是空的")
                                    : QStringLiteral("字段名“%1”中不能有“[”").arg(name.left(20)));
                return std::nullopt;
            }
            pos = int(close) + 1;
            return field(name);
        }
        if (c.isDigit()) {
            ExprNode n;
            n.kind = ExprNode::Kind::Number;
            const int start = pos;
            while (pos < s.size() && (s[pos].isDigit() || s[pos] == QLatin1Char('.'))) {
                ++pos;
            }
            n.text = s.mid(start, pos - start);
            if (!Money::parse(n.text)) {
                fail(QStringLiteral("“%1”不是数").arg(n.text));
                return std::nullopt;
            }
            return n;
        }
        if (!isNameChar(c)) {
            fail(QStringLiteral("“%1”处不能开始一个表达式").arg(s.mid(pos, 8)));
            return std::nullopt;
        }
        const int start = pos;
        while (pos < s.size() && isNameChar(s[pos])) {
            ++pos;
        }
        const QString name = s.mid(start, pos - start);
        skipSpace();
        const bool call = pos < s.size() && s[pos] == QLatin1Char('(');
        const Function *f = function(name.toUpper());
        if (!call) {
            if (f && f->minArgs == 0) {
                ExprNode n;
                n.kind = ExprNode::Kind::Call;
                n.name = name.toUpper();
                return n;
            }
            return field(name);
        }
        if (!f) {
            fail(QStringLiteral("没有函数“%1”").arg(name));
            return std::nullopt;
        }
        ++pos; // '('
        ExprNode n;
        n.kind = ExprNode::Kind::Call;
        n.name = name.toUpper();
        skipSpace();
        if (pos < s.size() && s[pos] == QLatin1Char(')')) {
            ++pos;
        } else {
            for (;;) {
                std::optional<ExprNode> arg = expression(depth + 1);
                if (!arg) {
                    return std::nullopt;
                }
                n.args << *arg;
                skipSpace();
                if (pos < s.size() && s[pos] == QLatin1Char(',')) {
                    ++pos;
                    continue;
                }
                if (pos < s.size() && s[pos] == QLatin1Char(')')) {
                    ++pos;
                    break;
                }
                fail(QStringLiteral("%1( 缺少结尾的“)”").arg(n.name));
                return std::nullopt;
            }
        }
        if (n.args.size() < f->minArgs || n.args.size() > f->maxArgs) {
            fail(QStringLiteral("%1 的参数个数不对（%2）").arg(n.name, QString::fromUtf8(f->help)));
            return std::nullopt;
        }
        return checkArguments(n) ? std::optional<ExprNode>(n) : std::nullopt;
    }

    bool checkArguments(const ExprNode &n)
    {
        using K = ExprNode::Kind;
        if ((n.name == QLatin1String("SUM") || n.name == QLatin1String("COUNT")) && !n.args.isEmpty()
            && n.args[0].kind != K::Field) {
            fail(QStringLiteral("%1 的参数必须是一个字段，如 %1([收费金额])").arg(n.name));
            return false;
        }
        if (n.name == QLatin1String("MONEY") && n.args.size() == 2) {
            const ExprNode &d = n.args[1];
            if (d.kind != K::Number || d.text.contains(QLatin1Char('.')) || d.text.toInt() > 4) {
                fail(QStringLiteral("MONEY 的小数位必须是 0 到 4"));
                return false;
            }
        }
        if (n.name == QLatin1String("DATE") && !n.args.isEmpty() && n.args[0].kind != K::String) {
            fail(QStringLiteral("DATE 的参数必须是带引号的日期格式，如 DATE(\"yyyy年M月d日\")"));
            return false;
        }
        return true;
    }

    std::optional<ExprNode> string()
    {
        ExprNode n;
        n.kind = ExprNode::Kind::String;
        ++pos;
        for (;;) {
            if (pos >= s.size()) {
                fail(QStringLiteral("字符串缺少结尾的引号"));
                return std::nullopt;
            }
            if (s[pos] == QLatin1Char('"')) {
                if (pos + 1 < s.size() && s[pos + 1] == QLatin1Char('"')) {
                    n.text += QLatin1Char('"');
                    pos += 2;
                    continue;
                }
                ++pos;
                return n;
            }
            n.text += s[pos++];
        }
    }

    const QString &s;
    int pos = 0;
    QString m_error;
};

// A compiled expression: one node of a flat list, its arguments by index.
struct Node
{
    enum class Op { Text, Amount, Field, Lookup, Sum, Count, CountField, Money, Page, Pages, Line, Date };
    Op op = Op::Text;
    QString text; // Text: the text; Date: the format
    std::optional<Money> amount; // Amount: the number
    const ReportData *data = nullptr;
    int column = -1;
    bool numeric = false;
    int decimals = 2;
    int arg = -1;
    // The last aggregate worked out, so that a total printed on many rows is added up once.
    mutable int cachedFirst = -1;
    mutable int cachedEnd = -1;
    mutable Money cached;
};

struct Value
{
    QString text;
    std::optional<Money> amount;
};

} // namespace

bool ReportText::parse(const QString &text, QList<TextPart> *parts, QString *error)
{
    QList<TextPart> out;
    QString literal;
    Parser parser(text);
    int pos = 0;
    while (pos < text.size()) {
        if (text[pos] != QLatin1Char('[')) {
            literal += text[pos++];
            continue;
        }
        const int start = pos;
        ++pos;
        QString why;
        std::optional<ExprNode> node = parser.bracketed(&pos, &why);
        if (!node) {
            if (error) {
                *error = QStringLiteral("表达式“%1”有误：%2").arg(text.mid(start, qMin(40, pos - start + 1)), why);
            }
            return false;
        }
        if (!literal.isEmpty()) {
            out << TextPart {literal, std::nullopt};
            literal.clear();
        }
        out << TextPart {text.mid(start, pos - start), node};
    }
    if (!literal.isEmpty()) {
        out << TextPart {literal, std::nullopt};
    }
    if (parts) {
        *parts = out;
    }
    return true;
}

QList<QPair<QString, QString>> ReportText::functions()
{
    QList<QPair<QString, QString>> out;
    for (const Function &f : Functions) {
        out << qMakePair(QString::fromLatin1(f.name), QString::fromUtf8(f.help));
    }
    return out;
}

struct CompiledText::Impl
{
    QVector<Node> nodes;
    QVector<int> pieces; // index of the root node of each piece, in order

    int add(const Node &n)
    {
        nodes << n;
        return int(nodes.size() - 1);
    }

    Value eval(int index, const ReportScope &scope) const
    {
        const Node &n = nodes[index];
        switch (n.op) {
        case Node::Op::Text:
            return {n.text, std::nullopt};
        case Node::Op::Amount:
            return {n.amount->toString(), n.amount};
        case Node::Op::Field:
        case Node::Op::Lookup: {
            const int row = n.op == Node::Op::Lookup ? 0 : scope.row;
            if (row < 0 || row >= n.data->rowCount()) {
                return {};
            }
            return {n.data->text(row, n.column), n.numeric ? n.data->amount(row, n.column) : std::nullopt};
        }
        case Node::Op::Sum: {
            if (n.cachedFirst != scope.first || n.cachedEnd != scope.end) {
                Money total;
                for (int r = scope.first; r < scope.end; ++r) {
                    total += n.data->amount(r, n.column).value_or(Money());
                }
                n.cached = total;
                n.cachedFirst = scope.first;
                n.cachedEnd = scope.end;
            }
            return {n.cached.toString(), n.cached};
        }
        case Node::Op::Count: {
            const Money count = Money::fromUnits(qMax(0, scope.end - scope.first));
            return {count.toString(), count};
        }
        case Node::Op::CountField: {
            qint64 count = 0;
            for (int r = scope.first; r < scope.end; ++r) {
                count += n.data->text(r, n.column).isEmpty() ? 0 : 1;
            }
            return {QString::number(count), Money::fromUnits(count)};
        }
        case Node::Op::Money: {
            const Value v = eval(n.arg, scope);
            if (!v.amount) {
                return {};
            }
            return {n.decimals < 0 ? v.amount->toWritten() : v.amount->toString(n.decimals), std::nullopt};
        }
        case Node::Op::Page:
            return {QString::number(scope.page), Money::fromUnits(scope.page)};
        case Node::Op::Pages:
            return {QString::number(scope.pages), Money::fromUnits(scope.pages)};
        case Node::Op::Line:
            return scope.row < 0 ? Value() : Value {QString::number(scope.row + 1), Money::fromUnits(scope.row + 1)};
        case Node::Op::Date:
            return {Clock::today().toString(n.text), std::nullopt};
        }
        return {};
    }
};

namespace {

class Binder
{
public:
    Binder(const ReportSources &sources, const QString &master)
        : m_sources(sources)
        , m_master(master)
    { }

    // Adds the node's compiled form to nodes; its index, or -1 with error set.
    int bind(const ExprNode &e, QVector<Node> *nodes, QString *error)
    {
        Node n;
        switch (e.kind) {
        case ExprNode::Kind::String:
            n.text = e.text;
            break;
        case ExprNode::Kind::Number:
            n.op = Node::Op::Amount;
            n.amount = Money::parse(e.text);
            n.numeric = true;
            break;
        case ExprNode::Kind::Field:
            if (!field(e, &n, error)) {
                return -1;
            }
            break;
        case ExprNode::Kind::Call:
            if (!call(e, &n, nodes, error)) {
                return -1;
            }
            break;
        }
        nodes->append(n);
        return int(nodes->size() - 1);
    }

private:
    bool field(const ExprNode &e, Node *n, QString *error)
    {
        const QString source = e.source.isEmpty() ? m_master : e.source;
        if (source.isEmpty()) {
            *error = QStringLiteral("模板没有主数据栏，不能使用字段“%1”").arg(e.name);
            return false;
        }
        const ReportData *data = m_sources.value(source);
        if (!data) {
            *error = QStringLiteral("没有名为“%1”的数据集").arg(source);
            return false;
        }
        n->column = data->fieldIndex(e.name);
        if (n->column < 0) {
            *error = QStringLiteral("数据集“%1”中没有字段“%2”").arg(source, e.name);
            return false;
        }
        n->data = data;
        n->op = source == m_master ? Node::Op::Field : Node::Op::Lookup;
        n->numeric = ReportData::isNumeric(data->fieldKind(n->column));
        return true;
    }

    bool call(const ExprNode &e, Node *n, QVector<Node> *nodes, QString *error)
    {
        const QString &f = e.name;
        if (f == QLatin1String("SUM") || f == QLatin1String("COUNT")) {
            if (e.args.isEmpty()) {
                n->op = Node::Op::Count;
            } else {
                Node target;
                if (!field(e.args[0], &target, error)) {
                    return false;
                }
                if (target.op != Node::Op::Field) {
                    *error = QStringLiteral("%1 只能用于主数据的字段").arg(f);
                    return false;
                }
                if (f == QLatin1String("SUM") && !target.numeric) {
                    *error = QStringLiteral("SUM 只能合计数值字段，“%1”不是").arg(e.args[0].name);
                    return false;
                }
                target.op = f == QLatin1String("SUM") ? Node::Op::Sum : Node::Op::CountField;
                *n = target;
            }
            n->numeric = true;
        } else if (f == QLatin1String("MONEY") || f == QLatin1String("AMOUNT")) {
            n->op = Node::Op::Money;
            n->arg = bind(e.args[0], nodes, error);
            if (n->arg < 0) {
                return false;
            }
            if (!(*nodes)[n->arg].numeric) {
                *error = QStringLiteral("%1 的参数必须是金额或数值").arg(f);
                return false;
            }
            // AMOUNT: as owners read amounts (Money::toWritten()).
            n->decimals = f == QLatin1String("AMOUNT") ? -1 : e.args.size() > 1 ? e.args[1].text.toInt() : 2;
        } else if (f == QLatin1String("PAGE") || f == QLatin1String("PAGES") || f == QLatin1String("LINE")) {
            n->op = f == QLatin1String("PAGE") ? Node::Op::Page
                : f == QLatin1String("PAGES")  ? Node::Op::Pages
                                               : Node::Op::Line;
            n->numeric = true;
        } else if (f == QLatin1String("DATE")) {
            n->op = Node::Op::Date;
            n->text = e.args.isEmpty() ? QStringLiteral("yyyy-MM-dd") : e.args[0].text;
        }
        return true;
    }

    const ReportSources &m_sources;
    QString m_master;
};

} // namespace

CompiledText::CompiledText()
    : d(std::make_unique<Impl>())
{ }
CompiledText::~CompiledText() = default;
CompiledText::CompiledText(const CompiledText &o)
    : d(std::make_unique<Impl>(*o.d))
{ }
CompiledText &CompiledText::operator=(const CompiledText &o)
{
    d = std::make_unique<Impl>(*o.d);
    return *this;
}
CompiledText::CompiledText(CompiledText &&) noexcept = default;
CompiledText &CompiledText::operator=(CompiledText &&) noexcept = default;

std::optional<CompiledText> CompiledText::compile(const QString &text, const ReportSources &sources,
                                                  const QString &master, QString *error)
{
    QList<TextPart> parts;
    QString why;
    if (!ReportText::parse(text, &parts, &why)) {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    }
    CompiledText out;
    Binder binder(sources, master);
    for (const TextPart &p : parts) {
        if (!p.expression) {
            Node n;
            n.text = p.literal;
            out.d->pieces << out.d->add(n);
            continue;
        }
        const int index = binder.bind(*p.expression, &out.d->nodes, &why);
        if (index < 0) {
            if (error) {
                *error = QStringLiteral("表达式“%1”：%2").arg(p.literal, why);
            }
            return std::nullopt;
        }
        out.d->pieces << index;
    }
    return out;
}

bool CompiledText::isConstant() const
{
    for (int i : d->pieces) {
        if (d->nodes[i].op != Node::Op::Text) {
            return false;
        }
    }
    return true;
}

QString CompiledText::evaluate(const ReportScope &scope) const
{
    if (d->pieces.size() == 1) {
        return d->eval(d->pieces[0], scope).text;
    }
    QString out;
    for (int i : d->pieces) {
        out += d->eval(i, scope).text;
    }
    return out;
}
