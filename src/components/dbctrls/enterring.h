#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

// Enter in an entry field never types: it moves the focus to the next field of a fixed ring.
// A field of several lines (remarks) is the exception: there Enter starts a new line, and Tab
// leads on.
// The last field leads back to the first, or, when onLastEnter is given, runs it instead (a
// dialog where Enter in its last field saves). Fields that are disabled or hidden are passed
// over. A field may lead somewhere else than to its neighbour (setNext): a branch of the ring,
// or a field outside it that leads back in. The ring lives as long as its first field.
class EnterRing : public QObject
{
    Q_OBJECT
public:
    static EnterRing *install(const QList<QWidget *> &ring, std::function<void()> onLastEnter = {});

    // The field that Enter in `from` moves to (nullptr when Enter runs the last-field action).
    QWidget *nextAfter(QWidget *from) const;
    // Enter in `from` moves to `to` (or, when `to` cannot take the focus, on round the ring
    // from there). `from` is watched even when it is not in the ring.
    void setNext(QWidget *from, QWidget *to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EnterRing(const QList<QWidget *> &ring, std::function<void()> onLastEnter);
    int indexOf(QObject *watched) const;
    // The ring field or jump source that watched is, or is inside of.
    QWidget *fieldOf(QObject *watched) const;
    static bool canTakeFocus(const QWidget *w);
    void watch(QWidget *w);

    QList<QPointer<QWidget>> m_ring;
    QList<QPair<QPointer<QWidget>, QPointer<QWidget>>> m_jumps; // from, to
    std::function<void()> m_onLastEnter;
};
