#include "app/windowregistry.h"

#include <QHash>
#include <algorithm>

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
    std::sort(names.begin(), names.end());
    return names;
}

WindowRegistry::Override::Override(const QString &className, Factory factory)
    : m_className(className)
{
    const auto it = factories().constFind(className);
    if (it != factories().constEnd()) {
        m_previous = *it;
    }
    add(className, std::move(factory));
}

WindowRegistry::Override::~Override()
{
    if (m_previous) {
        factories().insert(m_className, *m_previous);
    } else {
        factories().remove(m_className);
    }
}
