#pragma once

#include "components/dbctrls/dbcontrol.h"

#include <QLineEdit>
#include <QPlainTextEdit>

// One line of text. Bound to a money or number field it takes the typed text as that kind;
// an empty box leaves an empty field empty.
class DBEdit : public QLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    void applyEditable(bool editable) override { setReadOnly(!editable); }
};

// Several lines of text (remarks).
class DBMemo : public QPlainTextEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBMemo(QWidget *parent = nullptr);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    void applyEditable(bool editable) override { setReadOnly(!editable); }
};

// The stored value of a field for typed text, by the field's kind: text as typed, money and
// numbers read from the text. Empty text over an empty field stays empty (NULL).
QVariant storedFromText(const DataSet *dataSet, const QString &field, const QString &text, bool *ok);
