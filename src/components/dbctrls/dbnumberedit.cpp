#include "components/dbctrls/dbnumberedit.h"

#include "components/dbctrls/dbedit.h"
#include "data/dataset.h"

#include <QRegularExpressionValidator>
#include <cmath>

namespace {
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
    setDecimals(0);
}

void DBNumberEditEh::setDecimals(int decimals, int typed)
{
    m_decimals = qBound(0, decimals, 10);
    const int typable = qBound(m_decimals, typed, 10);
    const QString pattern =
        typable == 0 ? QStringLiteral("-?\\d*") : QStringLiteral("-?\\d*(\\.\\d{0,%1})?").arg(typable);
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
    setRefusalTip(m_decimals == 0 ? QStringLiteral("只能输入整数")
                                  : QStringLiteral("只能输入数字，最多%1位小数").arg(m_decimals));
}

std::optional<double> DBNumberEditEh::number() const
{
    bool ok = false;
    const double v = text().trimmed().toDouble(&ok);
    // The same limit as amounts: beyond it a real has lost digits the operator typed.
    constexpr double Limit = double(Money::MaxRaw / Money::Scale);
    return ok && std::isfinite(v) && std::fabs(v) <= Limit ? std::optional<double>(v) : std::nullopt;
}

void DBNumberEditEh::setNumber(std::optional<double> value)
{
    setText(value ? shortest(*value, m_decimals) : QString());
}

QVariant DBNumberEditEh::shownValue(bool *ok) const
{
    *ok = true;
    if (text().trimmed().isEmpty()) {
        return {};
    }
    const FieldKind kind = dataSet() ? dataSet()->fieldKind(field()) : FieldKind::Number;
    if (kind == FieldKind::Money || kind == FieldKind::Integer) {
        // Read exactly, the way a text editor on the field reads it: nothing wraps around.
        return storedFromText(dataSet(), field(), text(), ok);
    }
    const auto v = number();
    *ok = v.has_value();
    return v ? QVariant(*v) : QVariant();
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
        setNumber(stored.toDouble());
    }
}

DBMoneyEdit::DBMoneyEdit(QWidget *parent)
    : CheckedLineEdit(parent)
    , DBControl(this)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\s*-?[\\d,]*(\\.\\d*)?\\s*")), this));
    setRefusalTip(QStringLiteral("只能输入金额"));
}

void DBMoneyEdit::setMoney(std::optional<Money> value)
{
    setText(value ? value->toString() : QString());
}

QVariant DBMoneyEdit::shownValue(bool *ok) const
{
    *ok = true;
    if (text().trimmed().isEmpty()) {
        return {};
    }
    const auto m = money();
    *ok = m.has_value();
    return m ? QVariant(m->raw()) : QVariant();
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
