#pragma once

#include "components/dbctrls/dbcontrol.h"

#include <QLineEdit>
#include <QPlainTextEdit>

// One line of text. Bound to a money or number field it takes the typed text as that kind;
// an empty box leaves an empty field empty. A text field takes at most its rule's length.
class DBEdit : public QLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    void applyEditable(bool editable) override { setReadOnly(!editable); }
    std::optional<QString> typedText() const override { return text(); }
    void ruleChanged() override;
};

// Several lines of text (remarks): line breaks stay, other control characters go, and no more
// than the rule's length can be typed or pasted.
class DBMemo : public QPlainTextEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    void applyEditable(bool editable) override { setReadOnly(!editable); }
    std::optional<QString> typedText() const override { return toPlainText(); }
    void ruleChanged() override;

private:
    // Takes out what the operator typed or pasted beyond the rule: control characters, and
    // the characters past the greatest length just before the cursor.
    void keepToRule();

    int m_limit = 0;
    bool m_keeping = false;
};

// Keeps a box of one line within a text rule: at most its length, and nothing typed or pasted
// leaves a control character in it (a tab or line break becomes a blank). Text set by the
// program is left as it is; a longer stored text is shown whole with showWhole().
void applyTextRule(QLineEdit *edit, const EntryRule &rule);
// Shows text in the box, raising its greatest length when the text is longer, so a stored
// text is never cut.
void showWhole(QLineEdit *edit, const QString &text, const EntryRule &rule);
