#pragma once

#include "components/dbctrls/checkedlineedit.h"
#include "components/dbctrls/dbcontrol.h"
#include "data/money.h"

#include <optional>

// A number: a whole number (decimals 0, the default) or one with up to the given number of
// decimals. An empty box is an empty (NULL) field. Only digits, one point and a leading minus
// can be typed; another key is refused with a tip. Shown right-aligned in its shortest form.
class DBNumberEditEh : public CheckedLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBNumberEditEh(QWidget *parent = nullptr);

    // Decimals shown; typed (when more) lets the operator type a finer value than is shown.
    void setDecimals(int decimals, int typed = -1);
    int decimals() const { return m_decimals; }
    // The typed number; nothing when the box is empty, holds no number or one beyond ±10¹².
    std::optional<double> number() const;
    void setNumber(std::optional<double> value);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;

private:
    int m_decimals = 0;
};

// An amount of money, read with Money's own parsing (exact to 0.0001) and shown in its
// shortest form. An empty box is an empty (NULL) field.
class DBMoneyEdit : public CheckedLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBMoneyEdit(QWidget *parent = nullptr);

    std::optional<Money> money() const { return Money::parse(text()); }
    void setMoney(std::optional<Money> value);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
};
