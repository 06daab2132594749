#pragma once

#include <QDate>
#include <QList>
#include <QSet>
#include <QString>

// A small random source with a fixed sequence, so that the demo estate comes out the same on
// every run (only the dates follow today).
class DemoRandom
{
public:
    explicit DemoRandom(quint64 seed)
        : m_state(seed)
    { }
    quint64 next();
    // 0 .. n-1 (n > 0).
    int below(int n);
    // lo .. hi, both included.
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    // A day from .. to, both included (from when to is earlier).
    QDate dateBetween(const QDate &from, const QDate &to)
    {
        return to <= from ? from : from.addDays(below(int(from.daysTo(to)) + 1));
    }
    template<class T> const T &pick(const QList<T> &list) { return list.at(below(int(list.size()))); }

private:
    quint64 m_state;
};

// An owner or tenant as the office registers them.
struct DemoPerson
{
    QString name;
    QString idNumber;
    QString phone;
    QString employer;
    QString bank;
    QString account;
};

namespace DemoPeople {
// A person whose name is not yet in use (the name is added to the set).
DemoPerson make(DemoRandom &rnd, QSet<QString> *used);
// A relative of someone: same family name, another given name.
QString relativeOf(DemoRandom &rnd, const QString &name);
// The 18th character of a resident identity number from its first 17 digits.
QChar idCheckDigit(const QString &first17);
}
