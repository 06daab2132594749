#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

// The windows the main window can open, by class name (TForm_storeyinfo, ...). Every window
// registered here prepares itself (PreparedWindow, see components/common/preparation.h).
namespace WindowRegistry {
using Factory = std::function<QDialog *(QWidget *parent)>;
void add(const QString &className, Factory factory);
// The window class under its own name: WindowRegistry::add<TForm_storeyinfo>().
template<typename Window> void add()
{
    add(QString::fromLatin1(Window::staticMetaObject.className()),
        [](QWidget *parent) -> QDialog * { return new Window(parent); });
}
bool has(const QString &className);
QDialog *create(const QString &className, QWidget *parent);
// Every registered class, sorted.
QStringList classNames();
// Registers every window of the program (windows.cpp); called once at start-up.
void registerAll();
// The windows a menu item names that are not built yet (windows.cpp): their commands do
// nothing. A command naming a class that is neither registered nor planned is a fault.
const QStringList &planned();

// For tests: puts factory in place of a class's own for as long as it lives, then puts back
// what was registered before (or nothing).
class Override
{
public:
    Override(const QString &className, Factory factory);
    ~Override();
    Override(const Override &) = delete;
    Override &operator=(const Override &) = delete;

private:
    QString m_className;
    std::optional<Factory> m_previous;
};
}
