#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// A bound value that goes to the database as NULL, as QSqlQuery binds it: a null variant, a
// null text or null bytes (an empty text is a text).
inline bool isNullBinding(const QVariant &v)
{
    if (v.isNull()) {
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(v.constData())->isNull();
    default:
        return false;
    }
}
