#include "components/dbctrls/enterring.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

EnterRing::EnterRing(const QList<QWidget *> &ring, std::function<void()> onLastEnter)
    : QObject(ring.value(0))
    , m_onLastEnter(std::move(onLastEnter))
{
    for (QWidget *w : ring) {
        m_ring << w;
        watch(w);
    }
}

EnterRing *EnterRing::install(const QList<QWidget *> &ring, std::function<void()> onLastEnter)
{
    if (ring.isEmpty()) {
        return nullptr;
    }
    return new EnterRing(ring, std::move(onLastEnter));
}

void EnterRing::watch(QWidget *w)
{
    // The key reaches the inner editor of a drop-down or spin box first.
    w->installEventFilter(this);
    for (QWidget *child : w->findChildren<QWidget *>()) {
        child->installEventFilter(this);
    }
}

int EnterRing::indexOf(QObject *watched) const
{
    for (int i = 0; i < m_ring.size(); ++i) {
        for (QObject *o = watched; o; o = o->parent()) {
            if (o == m_ring[i]) {
                return i;
            }
        }
    }
    return -1;
}

QWidget *EnterRing::fieldOf(QObject *watched) const
{
    for (const auto &jump : m_jumps) {
        for (QObject *o = watched; o && jump.first; o = o->parent()) {
            if (o == jump.first) {
                return jump.first;
            }
        }
    }
    const int at = indexOf(watched);
    return at < 0 ? nullptr : m_ring[at].data();
}

void EnterRing::setNext(QWidget *from, QWidget *to)
{
    if (indexOf(from) < 0) {
        watch(from);
    }
    m_jumps << qMakePair(QPointer<QWidget>(from), QPointer<QWidget>(to));
}

bool EnterRing::canTakeFocus(const QWidget *w)
{
    return w && w->isEnabled() && w->isVisibleTo(w->window()) && w->focusPolicy() != Qt::NoFocus;
}

QWidget *EnterRing::nextAfter(QWidget *from) const
{
    for (const auto &jump : m_jumps) {
        if (jump.first == from && jump.second) {
            if (canTakeFocus(jump.second)) {
                return jump.second;
            }
            from = jump.second;
            break;
        }
    }
    const int at = indexOf(from);
    if (at < 0) {
        return nullptr;
    }
    for (int step = 1; step <= m_ring.size(); ++step) {
        const int i = at + step;
        if (i >= m_ring.size() && m_onLastEnter) {
            return nullptr;
        }
        QWidget *w = m_ring[i % m_ring.size()];
        if (canTakeFocus(w)) {
            return w;
        }
    }
    return nullptr;
}

bool EnterRing::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildAdded) {
        // An editor made later (a drop-down turned editable) is watched as well.
        if (auto *w = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child())) {
            w->installEventFilter(this);
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
        return false;
    }
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) {
        return false;
    }
    // A drop-down whose list is open takes Enter as the choice of an item; a field of several
    // lines (remarks) takes it as a line break, so the ring does not lead on from it.
    for (QObject *o = watched; o; o = o->parent()) {
        if (auto *combo = qobject_cast<QComboBox *>(o); combo && combo->view() && combo->view()->isVisible()) {
            return false;
        }
        if (auto *memo = qobject_cast<QPlainTextEdit *>(o); memo && !memo->isReadOnly()) {
            return false;
        }
        if (auto *memo = qobject_cast<QTextEdit *>(o); memo && !memo->isReadOnly()) {
            return false;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Claim the key so that no default button or shortcut takes it.
        event->accept();
        return true;
    }
    QWidget *from = fieldOf(watched);
    if (!from) {
        return false;
    }
    if (QWidget *next = nextAfter(from)) {
        next->setFocus(Qt::TabFocusReason);
        if (auto *edit = next->findChild<QLineEdit *>(); edit && !qobject_cast<QLineEdit *>(next)) {
            edit->selectAll();
        }
    } else if (m_onLastEnter) {
        m_onLastEnter();
    }
    return true;
}
