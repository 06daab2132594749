#pragma once

#include "data/dataset.h"
#include "data/entryrule.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <optional>
class QWidget;

// What every data-bound editor shares: it is bound to one field of a DataSet, shows the
// current row's value and follows the data set as it moves, opens and closes, and takes part
// in the browse/edit rule: text editors are read-only while browsing, number, date, drop-down
// and check-box editors are disabled while browsing. A dialog whose fields are always editable
// turns that off with setFollowState(false).
//
// Typed text reaches the row only through commit(), which the window calls when it saves. What
// is typed stays as typed until then: numbers and amounts are judged by the field's EntryRule
// when they are committed, and a text that cannot be taken is refused naming the field's label
// ("“楼宇层数”只能是整数！"); the text shown for the stored value and left as it was is never
// refused (a stored value is the database's, not the operator's).
class DBControl
{
public:
    virtual ~DBControl();

    void bind(DataSet *dataSet, const QString &field);
    DataSet *dataSet() const { return m_dataSet; }
    QString field() const { return m_field; }

    void setFollowState(bool follow);
    bool followsState() const { return m_followState; }
    // Shows the field and never changes it (an occupant copied in by another window): a text
    // or date box stays read-only in every state, other editors stay disabled, and commit()
    // writes nothing.
    void setDisplayOnly();
    bool isDisplayOnly() const { return m_displayOnly; }

    // Shows the current row's value (blank when there is no current row).
    void refresh();
    // Copies the shown value into the current row, putting the row into edit state first when
    // the data set is browsing. False when there is no current row or the shown text is not a
    // value of the field (a date that does not exist, a number that cannot be read); the row
    // is then left as it was.
    bool commit();
    // Whether the shown value differs from the current row's (text that cannot be read as a
    // value counts as a change).
    bool isModified() const;
    // Why the shown text cannot be taken into the field, naming it by its label ("“单价”最多四位
    // 小数！"; "输入的内容不正确,请重新输入!" for a date that does not exist); empty when it can.
    QString refusal() const;

    // The rule typed text keeps: the rule of the bound data set's table and field.
    const EntryRule &rule() const { return m_rule; }
    // The field's name as the operator reads it beside the editor: the editor's accessible name
    // (which the window gives it from the label), else the field's name.
    QString label() const;

    // The editor's own widget.
    QWidget *widget() const { return m_widget; }
    static DBControl *of(QWidget *w);

    // Every data-bound editor inside container, in creation order.
    static QList<DBControl *> all(QWidget *container);
    // Commits every editor inside container; the first editor whose text could not be taken,
    // or nullptr when all were.
    static QWidget *commitAll(QWidget *container);
    // Commits every editor inside container; when one cannot take its text, says why (the
    // editor's refusal(), captioned "提示"), puts the focus on it and returns false.
    static bool commitAllOrRefuse(QWidget *container);
    static bool anyModified(QWidget *container);
    static void refreshAll(QWidget *container);

protected:
    // Gives the editor a readable colour for its text while it is disabled (browsing).
    explicit DBControl(QWidget *self);

    // The value to store for the shown text; ok false when the text is not a value.
    // A null QVariant stores NULL.
    virtual QVariant shownValue(bool *ok) const = 0;
    virtual void showValue(const QVariant &stored) = 0;
    // Text editors become read-only, the others disabled.
    virtual void applyEditable(bool editable);

    // Whether stored and shown mean the same value of the field (so nothing needs writing).
    virtual bool sameValue(const QVariant &stored, const QVariant &shown) const;

    // The text the editor shows for typing (nothing for a check box).
    virtual std::optional<QString> typedText() const { return std::nullopt; }
    // The stored value of typed text by the field's kind and rule: text as typed, numbers and
    // amounts read by the rule. Empty text over an empty field stays empty (NULL); the text
    // shown for the stored value and left as it was gives that value back.
    QVariant fromText(const QString &text, bool *ok) const;
    // The rule was set (bind()): an editor of text takes its length and its line breaks here.
    virtual void ruleChanged() { }
    EntryRule &editableRule() { return m_rule; }

private:
    void disconnectAll();
    bool untouchedSinceRefresh(const QVariant &shown) const;
    void applyState();

    QWidget *m_widget;
    QPointer<DataSet> m_dataSet;
    QString m_field;
    bool m_followState = true;
    bool m_displayOnly = false;
    bool m_committing = false;
    // What refresh() showed: the stored value and the value its text reads back as. An editor
    // showing fewer decimals than the field holds writes nothing until the text is changed.
    QVariant m_refreshedStored;
    QVariant m_refreshedShown;
    bool m_refreshedValid = false;
    std::optional<QString> m_refreshedText; // the text refresh() showed
    EntryRule m_rule;
    QList<QMetaObject::Connection> m_connections;
};
