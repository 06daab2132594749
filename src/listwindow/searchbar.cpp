#include "listwindow/searchbar.h"

#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/enterring.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/schema.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QString likeContaining(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    t.replace(QLatin1Char('%'), QLatin1String("\\%"));
    t.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + t + QLatin1Char('%');
}

SearchBar::SearchBar(const QList<SearchField> &fields, const QString &findButtonName, QWidget *parent)
    : QWidget(parent)
    , m_fields(fields)
{
    setObjectName(QStringLiteral("SearchPanel"));
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(8, 4, 8, 4);
    for (const SearchField &f : std::as_const(m_fields)) {
        QWidget *box = nullptr;
        if (f.equality) {
            auto *combo = new QComboBox(this);
            combo->setEditable(true);
            combo->setMinimumWidth(120);
            box = combo;
        } else {
            // What is looked for is as long as what the column holds, without control characters.
            auto *edit = new QLineEdit(this);
            applyTextRule(edit, EntryRule::of({}, f.column));
            box = edit;
        }
        box->setObjectName(f.objectName);
        box->setAccessibleName(QString(f.label).remove(QStringLiteral("：")));
        auto *label = new QLabel(f.label, this);
        label->setBuddy(box);
        m_row->addWidget(label);
        m_row->addWidget(box);
        label->setVisible(!f.hidden);
        box->setVisible(!f.hidden);
        if (auto *edit = qobject_cast<QLineEdit *>(box)) {
            connect(edit, &QLineEdit::returnPressed, this, &SearchBar::findRequested);
        }
    }
    m_find = new QPushButton(QStringLiteral("查找"), this);
    m_find->setObjectName(findButtonName);
    m_find->setAccessibleName(QStringLiteral("查找"));
    m_find->setAutoDefault(false);
    connect(m_find, &QPushButton::clicked, this, &SearchBar::findRequested);
    m_row->addWidget(m_find);
    m_row->addStretch(1);
}

void SearchBar::setEnterRing(const QStringList &objectNames, bool lastFinds)
{
    QList<QWidget *> ring;
    for (const QString &name : objectNames) {
        if (auto *w = findChild<QWidget *>(name)) {
            ring << w;
        }
    }
    if (ring.isEmpty()) {
        return;
    }
    for (auto *edit : findChildren<QLineEdit *>()) {
        disconnect(edit, &QLineEdit::returnPressed, this, &SearchBar::findRequested);
    }
    EnterRing::install(ring,
                       lastFinds ? std::function<void()>([this] { emit findRequested(); }) : std::function<void()>());
    // A box outside the ring leads into it.
    QWidget *first = ring.constFirst();
    for (const SearchField &f : std::as_const(m_fields)) {
        QWidget *box = findChild<QWidget *>(f.objectName);
        if (box && !ring.contains(box)) {
            EnterRing::install({box}, [first] { first->setFocus(Qt::TabFocusReason); });
        }
    }
}

QString SearchBar::textOf(const SearchField &f) const
{
    QWidget *box = findChild<QWidget *>(f.objectName);
    if (auto *edit = qobject_cast<QLineEdit *>(box)) {
        return edit->text().trimmed();
    }
    if (auto *combo = qobject_cast<QComboBox *>(box)) {
        return combo->currentText().trimmed();
    }
    return {};
}

QStringList SearchBar::conditions(QVariantList *values) const
{
    QStringList out;
    for (const SearchField &f : std::as_const(m_fields)) {
        const QString text = textOf(f);
        if (text.isEmpty()) {
            continue;
        }
        if (f.equality) {
            out << QStringLiteral("(") + Schema::quoted(f.column) + QStringLiteral(" = ?)");
            *values << text;
        } else {
            out << QStringLiteral("(") + Dm1::instance()->dialect().like(Schema::quoted(f.column))
                    + QStringLiteral(")");
            *values << likeContaining(text);
        }
    }
    return out;
}

QString SearchBar::joined(const QStringList &conditions)
{
    return conditions.join(QStringLiteral("and"));
}

void SearchBar::insertAtStart(QWidget *label, QWidget *control)
{
    if (label) {
        m_row->insertWidget(m_startCount++, label);
    }
    m_row->insertWidget(m_startCount++, control);
    m_row->insertSpacing(m_startCount++, 12);
}

void SearchBar::addAtEnd(QWidget *control)
{
    m_row->insertWidget(m_row->indexOf(m_find) + 1 + m_endCount++, control);
}

void SearchBar::insertAfter(const QString &boxName, QWidget *label, QWidget *control)
{
    QWidget *box = findChild<QWidget *>(boxName);
    int at = box ? m_row->indexOf(box) + 1 : m_row->indexOf(m_find);
    if (label) {
        m_row->insertWidget(at++, label);
    }
    m_row->insertWidget(at, control);
}

QList<QWidget *> SearchBar::chineseBoxes() const
{
    QList<QWidget *> boxes;
    for (const SearchField &f : m_fields) {
        if (f.chinese) {
            boxes << findChild<QWidget *>(f.objectName);
        }
    }
    return boxes;
}

bool SearchBar::reopen(DataSet *rows, const QString &select, const QStringList &conditions, const QVariantList &values,
                       const QString &ordering, const QString &grouping)
{
    rows->cancel();
    rows->close();
    rows->clearSql();
    rows->addLine(select);
    if (!conditions.isEmpty()) {
        rows->addLine(QStringLiteral(" where ") + joined(conditions));
    }
    if (!grouping.isEmpty()) {
        rows->addLine(grouping);
    }
    rows->addLine(ordering);
    for (const QVariant &v : values) {
        rows->bindPositional(v);
    }
    return rows->open();
}
