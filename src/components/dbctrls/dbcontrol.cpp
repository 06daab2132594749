#include "components/dbctrls/dbcontrol.h"

#include "components/common/prompt.h"
#include "data/dataset.h"

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QWidget>
#include <algorithm>

// Number, date and drop-down editors are disabled while browsing, and their values are read
// there: disabled text keeps the colour of enabled text (the grey panel still tells that the
// field cannot be changed) instead of a pale grey that is hard to read on it.
DBControl::DBControl(QWidget *self)
    : m_widget(self)
{
    QPalette p = self->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, p.color(QPalette::Active, role));
    }
    self->setPalette(p);
}

DBControl::~DBControl()
{
    disconnectAll();
}

void DBControl::disconnectAll()
{
    for (const auto &c : std::as_const(m_connections)) {
        QObject::disconnect(c);
    }
    m_connections.clear();
}

void DBControl::bind(DataSet *dataSet, const QString &field)
{
    disconnectAll();
    m_dataSet = dataSet;
    m_field = field;
    m_rule = EntryRule::of(dataSet ? dataSet->tableName() : QString(), field);
    ruleChanged();
    if (dataSet) {
        const auto reshow = [this] { refresh(); };
        m_connections << QObject::connect(dataSet, &DataSet::opened, m_widget, reshow)
                      << QObject::connect(dataSet, &DataSet::closed, m_widget, reshow)
                      << QObject::connect(dataSet, &DataSet::currentChanged, m_widget, reshow)
                      // A whole row changed (posted, cancelled): show it. While editing only the
                      // field's own change is shown, so text typed into the other editors stays.
                      << QObject::connect(dataSet, &DataSet::rowChanged, m_widget,
                                          [this](int row) {
                                              if (m_dataSet && !m_dataSet->isEditing()
                                                  && row == m_dataSet->currentRow()) {
                                                  refresh();
                                              }
                                          })
                      << QObject::connect(dataSet, &DataSet::fieldChanged, m_widget,
                                          [this](const QString &f) {
                                              if (f == m_field && !m_committing) {
                                                  refresh();
                                              }
                                          })
                      << QObject::connect(dataSet, &DataSet::stateChanged, m_widget, [this] { applyState(); });
    }
    refresh();
    applyState();
}

void DBControl::setFollowState(bool follow)
{
    m_followState = follow;
    if (!follow) {
        applyEditable(true);
    } else {
        applyState();
    }
}

void DBControl::setDisplayOnly()
{
    m_displayOnly = true;
    m_followState = false;
    if (auto *line = qobject_cast<QLineEdit *>(m_widget)) {
        line->setReadOnly(true);
        line->setEnabled(true);
        // No clear button or calendar on a value that cannot be changed.
        line->setClearButtonEnabled(false);
        for (QAction *a : line->actions()) {
            a->setVisible(false);
        }
    } else if (auto *text = qobject_cast<QPlainTextEdit *>(m_widget)) {
        text->setReadOnly(true);
        text->setEnabled(true);
    } else {
        m_widget->setEnabled(false);
    }
}

void DBControl::applyState()
{
    if (m_followState) {
        applyEditable(m_dataSet && m_dataSet->isEditing());
    }
}

void DBControl::applyEditable(bool editable)
{
    m_widget->setEnabled(editable);
}

void DBControl::refresh()
{
    m_refreshedValid = false;
    m_refreshedText.reset();
    if (!m_dataSet || !m_dataSet->isOpen() || m_dataSet->currentRow() < 0 || !m_dataSet->hasField(m_field)) {
        showValue(QVariant());
        return;
    }
    m_refreshedStored = m_dataSet->value(m_field);
    showValue(m_refreshedStored);
    m_refreshedText = typedText();
    m_refreshedShown = shownValue(&m_refreshedValid);
}

QVariant DBControl::fromText(const QString &text, bool *ok) const
{
    *ok = true;
    if (m_refreshedText && text == *m_refreshedText) {
        return m_refreshedStored;
    }
    const bool wasNull = !m_dataSet || m_dataSet->currentRow() < 0 || m_dataSet->isNull(m_field);
    if (!m_rule.isNumber()) {
        if (text.isEmpty() && wasNull) {
            return {};
        }
        return text.isNull() ? QStringLiteral("") : text;
    }
    const Money::Reading r = m_rule.read(text);
    if (r.problem == Money::Problem::Empty) {
        return {};
    }
    *ok = r.ok();
    if (!r.ok()) {
        return {};
    }
    switch (m_rule.kind) {
    case FieldKind::Money:
        return r.value.raw();
    case FieldKind::Integer:
        return r.value.toUnits();
    default:
        // Read exactly and handed to the database as the real nearest to what was typed.
        return r.value.toReal();
    }
}

QString DBControl::label() const
{
    const QString name = m_widget->accessibleName();
    return name.isEmpty() ? m_field : name;
}

QString DBControl::refusal() const
{
    if (m_displayOnly) {
        return {};
    }
    const std::optional<QString> text = typedText();
    const bool untouched = text && m_refreshedText && *text == *m_refreshedText;
    if (text && !untouched) {
        const QString why = m_rule.refusal(label(), *text);
        if (!why.isEmpty()) {
            return why;
        }
    }
    bool ok = true;
    shownValue(&ok);
    return ok ? QString() : QStringLiteral("输入的内容不正确,请重新输入!");
}

bool DBControl::untouchedSinceRefresh(const QVariant &shown) const
{
    return m_refreshedValid && !m_refreshedStored.isNull() && sameValue(m_refreshedShown, shown)
        && sameValue(m_refreshedStored, m_dataSet->value(m_field));
}

bool DBControl::sameValue(const QVariant &stored, const QVariant &shown) const
{
    if (stored.isNull() || shown.isNull()) {
        return stored.isNull() && shown.isNull();
    }
    return stored.toString() == shown.toString();
}

bool DBControl::commit()
{
    if (m_displayOnly) {
        return true;
    }
    if (!m_dataSet || !m_dataSet->isOpen() || m_dataSet->currentRow() < 0 || !m_dataSet->hasField(m_field)) {
        return false;
    }
    bool ok = true;
    const QVariant v = shownValue(&ok);
    if (!ok) {
        return false;
    }
    if (!m_dataSet->isEditing() && !m_dataSet->edit()) {
        return false;
    }
    if (!untouchedSinceRefresh(v) && !sameValue(m_dataSet->value(m_field), v)) {
        m_committing = true;
        m_dataSet->setValue(m_field, v);
        m_committing = false;
    }
    return true;
}

bool DBControl::isModified() const
{
    if (m_displayOnly) {
        return false;
    }
    if (!m_dataSet || !m_dataSet->isOpen() || m_dataSet->currentRow() < 0 || !m_dataSet->hasField(m_field)) {
        return false;
    }
    bool ok = true;
    const QVariant v = shownValue(&ok);
    return !ok || (!untouchedSinceRefresh(v) && !sameValue(m_dataSet->value(m_field), v));
}

DBControl *DBControl::of(QWidget *w)
{
    return dynamic_cast<DBControl *>(w);
}

QList<DBControl *> DBControl::all(QWidget *container)
{
    QList<DBControl *> out;
    for (QWidget *w : container->findChildren<QWidget *>()) {
        if (DBControl *c = of(w)) {
            out << c;
        }
    }
    return out;
}

QWidget *DBControl::commitAll(QWidget *container)
{
    QWidget *failed = nullptr;
    for (DBControl *c : all(container)) {
        if (c->dataSet() && !c->commit() && !failed) {
            failed = c->widget();
        }
    }
    return failed;
}

bool DBControl::commitAllOrRefuse(QWidget *container)
{
    QWidget *bad = commitAll(container);
    if (!bad) {
        return true;
    }
    const QString why = of(bad)->refusal();
    Prompt::notice(container, why.isEmpty() ? QStringLiteral("输入的内容不正确,请重新输入!") : why);
    bad->setFocus();
    return false;
}

bool DBControl::anyModified(QWidget *container)
{
    const auto controls = all(container);
    return std::any_of(controls.begin(), controls.end(), [](const DBControl *c) { return c->isModified(); });
}

void DBControl::refreshAll(QWidget *container)
{
    for (DBControl *c : all(container)) {
        c->refresh();
    }
}
