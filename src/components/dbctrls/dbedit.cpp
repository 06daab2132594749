#include "components/dbctrls/dbedit.h"

#include "data/dataset.h"

QVariant storedFromText(const DataSet *ds, const QString &field, const QString &text, bool *ok)
{
    *ok = true;
    const bool wasNull = !ds || ds->isNull(field);
    const FieldKind kind = ds ? ds->fieldKind(field) : FieldKind::Text;
    switch (kind) {
    case FieldKind::Money:
    case FieldKind::Number:
    case FieldKind::Integer: {
        if (text.trimmed().isEmpty()) {
            return {};
        }
        // Read exactly and refused beyond ±10¹², like amounts: nothing typed wraps around.
        if (kind == FieldKind::Integer) {
            const auto whole = Money::parseWhole(text);
            *ok = whole.has_value();
            return whole ? QVariant(*whole) : QVariant();
        }
        const auto m = Money::parse(text);
        if (!m) {
            *ok = false;
            return {};
        }
        if (kind == FieldKind::Money) {
            return m->raw();
        }
        return text.trimmed().remove(QLatin1Char(',')).toDouble();
    }
    default:
        if (text.isEmpty() && wasNull) {
            return {};
        }
        return text.isNull() ? QStringLiteral("") : text;
    }
}

DBEdit::DBEdit(QWidget *parent)
    : QLineEdit(parent)
    , DBControl(this)
{ }

QVariant DBEdit::shownValue(bool *ok) const
{
    return storedFromText(dataSet(), field(), text(), ok);
}

void DBEdit::showValue(const QVariant &stored)
{
    if (stored.isNull()) {
        clear();
    } else if (dataSet() && dataSet()->fieldKind(field()) == FieldKind::Money) {
        setText(Money::storedText(stored));
    } else {
        setText(stored.toString());
    }
    setCursorPosition(0);
}

DBMemo::DBMemo(QWidget *parent)
    : QPlainTextEdit(parent)
    , DBControl(this)
{
    setTabChangesFocus(true);
}

QVariant DBMemo::shownValue(bool *ok) const
{
    return storedFromText(dataSet(), field(), toPlainText(), ok);
}

void DBMemo::showValue(const QVariant &stored)
{
    setPlainText(stored.isNull() ? QString() : stored.toString());
}
