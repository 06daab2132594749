#pragma once

#include "components/dbctrls/dbcontrol.h"

#include <QCheckBox>
#include <QComboBox>

// A drop-down of choices for a text field. Editable by default (any text can be typed, the
// items are suggestions); a non-editable one stores only its items' texts.
class DBComboBoxEh : public QComboBox, public DBControl
{
    Q_OBJECT
public:
    explicit DBComboBoxEh(QWidget *parent = nullptr);

    // Replaces the items, keeping the shown text.
    void setItems(const QStringList &items);
    QString value() const { return currentText(); }

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    std::optional<QString> typedText() const override;
    void ruleChanged() override;
};

// A yes/no field as a tick. By default the field is a yes/no field (1/0); with
// setValues("是", "否") it is a text field holding one of the two words.
class DBCheckBox : public QCheckBox, public DBControl
{
    Q_OBJECT
public:
    explicit DBCheckBox(const QString &text = {}, QWidget *parent = nullptr);

    void setValues(const QString &checked, const QString &unchecked);
    QString checkedValue() const { return m_checked; }
    QString uncheckedValue() const { return m_unchecked; }

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;

private:
    bool textValues() const { return !m_checked.isNull(); }

    QString m_checked;
    QString m_unchecked;
};
