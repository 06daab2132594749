#include "components/dbctrls/dbedit.h"

#include "data/dataset.h"

#include <QTextCursor>

namespace {
const char *const Cleaned = "parvellCleaned";

int lengthFor(const EntryRule &rule)
{
    // Numbers and amounts are judged when they are taken, not cut while typed.
    return rule.isNumber() ? 32767 : rule.maxLength;
}
}

void applyTextRule(QLineEdit *edit, const EntryRule &rule)
{
    edit->setMaxLength(qMax(lengthFor(rule), int(edit->text().size())));
    if (edit->property(Cleaned).toBool()) {
        return;
    }
    edit->setProperty(Cleaned, true);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        if (!EntryRule::hasControlCharacters(text)) {
            return;
        }
        const EntryRule oneLine;
        const QString before = oneLine.cleaned(text.left(edit->cursorPosition()));
        edit->setText(before + oneLine.cleaned(text.mid(edit->cursorPosition())));
        edit->setCursorPosition(int(before.size()));
    });
}

void showWhole(QLineEdit *edit, const QString &text, const EntryRule &rule)
{
    edit->setMaxLength(qMax(lengthFor(rule), int(text.size())));
    edit->setText(text);
}

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
    , DBControl(this)
{
    applyTextRule(this, rule());
}

void DBEdit::ruleChanged()
{
    applyTextRule(this, rule());
}

QVariant DBEdit::shownValue(bool *ok) const
{
    return fromText(text(), ok);
}

void DBEdit::showValue(const QVariant &stored)
{
    if (stored.isNull()) {
        showWhole(this, QString(), rule());
    } else if (dataSet() && dataSet()->fieldKind(field()) == FieldKind::Money) {
        setText(Money::storedText(stored));
    } else {
        showWhole(this, stored.toString(), rule());
    }
    setCursorPosition(0);
}

DBMemo::DBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , DBControl(this)
{
    setTabChangesFocus(true);
    ruleChanged();
    connect(this, &QPlainTextEdit::textChanged, this, &DBMemo::keepToRule);
}

void DBMemo::ruleChanged()
{
    editableRule().lineBreaks = true;
    m_limit = qMax(rule().maxLength, int(toPlainText().size()));
}

QVariant DBMemo::shownValue(bool *ok) const
{
    return fromText(toPlainText(), ok);
}

void DBMemo::showValue(const QVariant &stored)
{
    const QString text = stored.isNull() ? QString() : stored.toString();
    // A stored text is shown whole, whatever it holds.
    m_limit = qMax(rule().maxLength, int(text.size()));
    m_keeping = true;
    setPlainText(text);
    m_keeping = false;
}

void DBMemo::keepToRule()
{
    if (m_keeping) {
        return;
    }
    const QString text = toPlainText();
    QTextCursor cursor = textCursor();
    const int at = cursor.position();
    QString before = rule().cleaned(text.left(at));
    const QString after = rule().cleaned(text.mid(at));
    const qsizetype excess = before.size() + after.size() - m_limit;
    if (excess > 0) {
        before.chop(qMin(excess, before.size()));
    }
    if (before.size() + after.size() == text.size() && before + after == text) {
        return;
    }
    m_keeping = true;
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.insertText(before + after);
    cursor.setPosition(int(before.size()));
    setTextCursor(cursor);
    m_keeping = false;
}
