#pragma once

#include <QString>
#include <QStringList>

// What can be told about an old Access database file from the outside, before any of it is
// read: whether it is a Jet or ACE database at all, whether it is whole, whether it is
// encrypted the way no reader here can open, whether the old program may still have it open.
namespace JetFile {

struct Examined
{
    QString refusal; // why it cannot be imported, in Chinese; empty when it can be tried
    QStringList warnings; // what the operator should know before going on
    QString format; // "Jet 3", "Jet 4", "ACE"
    bool ace = false; // Access 2007 or later (.accdb)
};

Examined examine(const QString &file);

}
