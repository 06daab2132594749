#pragma once

#include "components/dbctrls/checkedlineedit.h"
#include "components/dbctrls/dbcontrol.h"
#include "data/money.h"

#include <optional>

// A number: shown right-aligned in its shortest form with at most the given number of
// decimals (0, the default: a whole number). What is typed stays as typed; it is judged by the
// field's rule when it is committed. An empty box is an empty (NULL) field.
class DBNumberEditEh : public CheckedLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBNumberEditEh(QWidget *parent = nullptr);

    // Decimals shown; the decimals that can be typed are the field's rule's.
    void setDecimals(int decimals);
    int decimals() const { return m_decimals; }

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    std::optional<QString> typedText() const override { return text(); }

private:
    int m_decimals = 0;
};

// An amount of money, read by the field's rule (exact to 0.0001) and shown in its shortest
// form. An empty box is an empty (NULL) field.
class DBMoneyEdit : public CheckedLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBMoneyEdit(QWidget *parent = nullptr);

    // The typed amount (the stored one while the text is as it was shown); nothing when the box
    // is empty or the rule refuses what it holds.
    std::optional<Money> money() const;

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    std::optional<QString> typedText() const override { return text(); }
};
