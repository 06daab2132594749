#include "app/windowregistry.h"

#include <QHash>

namespace {
QHash<QString, WindowRegistry::Factory> &factories()
{
    static QHash<QString, WindowRegistry::Factory> map;
    return map;
}
}

void WindowRegistry::add(const QString &className, Factory factory)
{
    factories().insert(className, std::move(factory));
}

bool WindowRegistry::has(const QString &className)
{
    return factories().contains(className);
}

QDialog *WindowRegistry::create(const QString &className, QWidget *parent)
{
    const auto it = factories().constFind(className);
    return it == factories().constEnd() ? nullptr : (*it)(parent);
}

QStringList WindowRegistry::classNames()
{
    QStringList names = factories().keys();
    names.sort();
    return names;
}
