#pragma once

#include "data/money.h"
#include "data/schema.h"

#include <QString>

// How a value typed into a field may look: one rule for every window, by the field (the
// estate's field names mean the same in every table). An amount or a number takes at most four
// decimals, an integer none; areas, prices, counts, readings and the amounts of payments and
// deposits are zero or more; a count stays within a long integer. A text has a greatest length
// fitting its use (names 50, codes 20, remarks 2,000) and no control characters; line breaks
// stay only in remarks of several lines.
//
//     const EntryRule rule = EntryRule::of("楼宇资料", "楼宇层数");
//     rule.refusal("楼宇层数", "3.5");   // "“楼宇层数”只能是整数！"
struct EntryRule
{
    FieldKind kind = FieldKind::Text;
    int decimals = 4; // numbers and amounts: the most decimals taken (0: whole numbers)
    bool minimumZero = false; // numbers and amounts: nothing below zero
    Money largest = Money::fromRaw(Money::MaxRaw); // numbers and amounts: the largest magnitude
    int maxLength = 50; // texts: the longest text taken
    bool lineBreaks = false; // texts: line breaks stay (remarks; an editor of one line takes none)

    // The rule of a field of a table; an empty table takes the field's rule in most tables.
    static EntryRule of(const QString &table, const QString &field);

    bool isNumber() const;
    // The typed text read by the rule (numbers and amounts).
    Money::Reading read(const QString &text) const;
    // What the operator is told when the text typed into the field labelled `label` cannot be
    // taken: "“楼宇层数”只能是整数！", "“单价”最多四位小数！", "“房屋面积”不能小于零！",
    // "“金额”太大，超出了可以保存的范围！". Empty when it can be taken; an empty text can (the
    // field stays empty: whether it may is the window's rule).
    QString refusal(const QString &label, const QString &text) const;
    // The text without control characters: tabs and, in a text of one line, line breaks become
    // a blank; every other control character goes.
    QString cleaned(const QString &text) const;
    static bool hasControlCharacters(const QString &text);
};
