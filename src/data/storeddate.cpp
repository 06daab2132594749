#include "data/storeddate.h"

#include <QTime>

namespace {

// The number written by `count` ASCII digits at p, or -1.
int digits(const QChar *p, int count)
{
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = p[i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        n = n * 10 + (c - u'0');
    }
    return n;
}

// "HH:MM:SS" or "HH:MM": seconds of the day, or -1. As in ISO 8601, 24:00:00 is the end of the
// day (86400); a fraction of a second or a zone after the time is passed over.
int timeOfDay(QStringView t, bool *exact)
{
    *exact = t.size() == 5 || t.size() == 8;
    if (t.size() > 8 && (t[8] == u'.' || t[8] == u',' || t[8] == u'Z' || t[8] == u'+' || t[8] == u'-')) {
        t = t.left(8);
    }
    if (t.size() != 8 && t.size() != 5) {
        return -1;
    }
    const QChar *p = t.data();
    const int h = digits(p, 2);
    const int m = digits(p + 3, 2);
    const int s = t.size() == 8 ? digits(p + 6, 2) : 0;
    if (p[2] != u':' || (t.size() == 8 && p[5] != u':') || h < 0 || m < 0 || m > 59 || s < 0 || s > 59) {
        return -1;
    }
    if (h == 24 && m == 0 && s == 0) {
        return 86400;
    }
    return h > 23 ? -1 : h * 3600 + m * 60 + s;
}

void put(char16_t *&out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

void putDate(char16_t *&out, QDate date)
{
    int y = 0, m = 0, d = 0;
    date.getDate(&y, &m, &d);
    put(out, y, 4);
    *out++ = u'-';
    put(out, m, 2);
    *out++ = u'-';
    put(out, d, 2);
}

}

namespace StoredDate {

Value parse(QStringView text)
{
    text = text.trimmed();
    Value v;
    if (text.size() < 10) {
        return v;
    }
    const QChar *p = text.data();
    const int y = digits(p, 4);
    const int m = digits(p + 5, 2);
    const int d = digits(p + 8, 2);
    if (y < 1 || m < 0 || d < 0 || p[4] != u'-' || p[7] != u'-' || !QDate::isValid(y, m, d)) {
        return v;
    }
    v.date = QDate(y, m, d);
    v.exact = text.size() == 10;
    if (text.size() > 11 && (p[10] == u' ' || p[10] == u'T')) {
        bool exact = false;
        const int seconds = timeOfDay(text.mid(11), &exact);
        if (seconds == 86400) {
            v.date = v.date.addDays(1);
        } else if (seconds > 0) {
            v.seconds = seconds;
        }
        v.exact = exact && seconds >= 0 && seconds < 86400;
    }
    return v;
}

QString format(QDate date, int seconds)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        return {};
    }
    QString s(19, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(s.data());
    putDate(out, date);
    *out++ = u' ';
    put(out, seconds / 3600, 2);
    *out++ = u':';
    put(out, seconds / 60 % 60, 2);
    *out++ = u':';
    put(out, seconds % 60, 2);
    return s;
}

QString format(const QDateTime &dateTime)
{
    if (!dateTime.isValid()) {
        return {};
    }
    const QTime t = dateTime.time();
    return format(dateTime.date(), t.hour() * 3600 + t.minute() * 60 + t.second());
}

QString formatDate(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        return {};
    }
    QString s(10, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(s.data());
    putDate(out, date);
    return s;
}

QDateTime toDateTime(const Value &value)
{
    if (!value.isValid()) {
        return {};
    }
    return QDateTime(value.date, QTime::fromMSecsSinceStartOfDay(value.seconds * 1000));
}

}
