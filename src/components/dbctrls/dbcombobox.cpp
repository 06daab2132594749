#include "components/dbctrls/dbcombobox.h"

#include "components/dbctrls/dbedit.h"
#include "data/dataset.h"

#include <QLineEdit>

DBComboBoxEh::DBComboBoxEh(QWidget *parent)
    : QComboBox(parent)
    , DBControl(this)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(8);
    ruleChanged();
}

void DBComboBoxEh::setItems(const QStringList &items)
{
    const QString shown = currentText();
    clear();
    addItems(items);
    if (isEditable()) {
        setEditText(shown);
    } else {
        setCurrentIndex(findText(shown));
    }
}

QVariant DBComboBoxEh::shownValue(bool *ok) const
{
    if (!isEditable() && currentIndex() < 0) {
        // A stored value that is not one of the choices is kept as it is.
        *ok = true;
        return dataSet() && dataSet()->currentRow() >= 0 ? dataSet()->value(field()) : QVariant();
    }
    return fromText(currentText(), ok);
}

std::optional<QString> DBComboBoxEh::typedText() const
{
    return isEditable() ? std::optional<QString>(currentText()) : std::nullopt;
}

void DBComboBoxEh::ruleChanged()
{
    if (lineEdit()) {
        applyTextRule(lineEdit(), rule());
    }
}

void DBComboBoxEh::showValue(const QVariant &stored)
{
    const QString text = stored.isNull() ? QString() : stored.toString();
    const int i = findText(text);
    if (isEditable()) {
        if (i >= 0) {
            setCurrentIndex(i);
        }
        showWhole(lineEdit(), text, rule());
        lineEdit()->setCursorPosition(0);
    } else {
        setCurrentIndex(i);
    }
}

DBCheckBox::DBCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
    , DBControl(this)
{ }

void DBCheckBox::setValues(const QString &checked, const QString &unchecked)
{
    m_checked = checked.isNull() ? QStringLiteral("") : checked;
    m_unchecked = unchecked.isNull() ? QStringLiteral("") : unchecked;
    refresh();
}

QVariant DBCheckBox::shownValue(bool *ok) const
{
    *ok = true;
    if (textValues()) {
        return isChecked() ? m_checked : m_unchecked;
    }
    return isChecked() ? 1 : 0;
}

void DBCheckBox::showValue(const QVariant &stored)
{
    if (textValues()) {
        setChecked(!stored.isNull() && stored.toString() == m_checked);
    } else {
        setChecked(!stored.isNull() && stored.toInt() != 0);
    }
}
