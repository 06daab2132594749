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
// over. The ring lives as long as its first field.
class EnterRing : public QObject
{
    Q_OBJECT
public:
    static EnterRing *install(const QList<QWidget *> &ring, std::function<void()> onLastEnter = {});

    // The field that Enter in `from` moves to (nullptr when Enter runs the last-field action).
    QWidget *nextAfter(QWidget *from) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    EnterRing(const QList<QWidget *> &ring, std::function<void()> onLastEnter);
    int indexOf(QObject *watched) const;
    void watch(QWidget *w);

    QList<QPointer<QWidget>> m_ring;
    std::function<void()> m_onLastEnter;
};
