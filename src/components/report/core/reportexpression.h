#pragma once

#include "components/report/core/reportdata.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

// The text of a text object is literal text with expressions in square brackets:
//     "房屋代码：[房屋代码]  合计：[MONEY(SUM([收费金额]), 2)]  第[PAGE]页 共[PAGES]页"
// An expression is a field ([收费名称], or 公司信息.公司名称 for a field of another data set),
// a function call, a string in double quotes or a number. A field's value is never read as an
// expression again, whatever it holds.

struct ExprNode
{
    enum class Kind { Field, Call, String, Number };
    Kind kind = Kind::String;
    QString source; // Field: the data set named before the dot; empty for the master data
    QString name; // Field: the field; Call: the function, upper case
    QString text; // String: its text; Number: its digits
    QList<ExprNode> args;
};

// A piece of a text: literal text, or an expression with the text it was written as.
struct TextPart
{
    QString literal;
    std::optional<ExprNode> expression;
};

namespace ReportText {
// Expressions nest at most this deep.
inline constexpr int MaxDepth = 16;
// Splits a text into literal pieces and expressions; false, with the reason, when an
// expression is malformed or calls an unknown function.
bool parse(const QString &text, QList<TextPart> *parts, QString *error);
// The functions an expression may call, each with a line saying what it does.
QList<QPair<QString, QString>> functions();
}

// What an expression sees when it is evaluated.
struct ReportScope
{
    int row = -1; // the current row of the master data; -1 for none
    int first = 0; // SUM and COUNT run over the master rows [first, end)
    int end = 0;
    int page = 1;
    int pages = 1;
};

// A text whose expressions are bound to the data sets they read: fields found, kinds checked.
class CompiledText
{
public:
    CompiledText();
    ~CompiledText();
    CompiledText(const CompiledText &);
    CompiledText &operator=(const CompiledText &);
    CompiledText(CompiledText &&) noexcept;
    CompiledText &operator=(CompiledText &&) noexcept;

    // master names the data set of the master data band; empty when the template has none.
    static std::optional<CompiledText> compile(const QString &text, const ReportSources &sources, const QString &master,
                                               QString *error);
    // True when the text has no expression: the same wherever it is printed.
    bool isConstant() const;
    QString evaluate(const ReportScope &scope) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
