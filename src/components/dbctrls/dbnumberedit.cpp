#include "components/dbctrls/dbnumberedit.h"

#include "data/dataset.h"

namespace {
// Rounded to the decimals shown, in the shortest form: 85.5, not 85.50.
QString shortest(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0'))) {
            s.chop(1);
        }
        if (s.endsWith(QLatin1Char('.'))) {
            s.chop(1);
        }
    }
    return s == QStringLiteral("-0") ? QStringLiteral("0") : s;
}
}

DBNumberEditEh::DBNumberEditEh(QWidget *parent)
    : CheckedLineEdit(parent)
    , DBControl(this)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editableRule().kind = FieldKind::Number;
}

void DBNumberEditEh::setDecimals(int decimals)
{
    m_decimals = qBound(0, decimals, 4);
}

QVariant DBNumberEditEh::shownValue(bool *ok) const
{
    return fromText(text(), ok);
}

void DBNumberEditEh::showValue(const QVariant &stored)
{
    if (stored.isNull()) {
        clear();
        return;
    }
    const FieldKind kind = dataSet() ? dataSet()->fieldKind(field()) : FieldKind::Number;
    if (kind == FieldKind::Money) {
        setText(Money::storedText(stored, m_decimals));
    } else if (kind == FieldKind::Integer) {
        setText(QString::number(stored.toLongLong()));
    } else {
        setText(shortest(stored.toDouble(), m_decimals));
    }
}

DBMoneyEdit::DBMoneyEdit(QWidget *parent)
    : CheckedLineEdit(parent)
    , DBControl(this)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    editableRule().kind = FieldKind::Money;
}

std::optional<Money> DBMoneyEdit::money() const
{
    bool ok = false;
    const QVariant v = fromText(text(), &ok);
    return ok && !v.isNull() ? Money::fromStored(v) : std::nullopt;
}

QVariant DBMoneyEdit::shownValue(bool *ok) const
{
    return fromText(text(), ok);
}

void DBMoneyEdit::showValue(const QVariant &stored)
{
    if (stored.isNull()) {
        clear();
    } else {
        setText(Money::storedText(stored));
    }
    setCursorPosition(0);
}
