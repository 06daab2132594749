#include "shell/windowregistry.h"

#include "shell/about.h"

// Every window the menus and toolbar open. Add a line here when a window is built.
void WindowRegistry::registerAll()
{
    add(QStringLiteral("Tform_About"), [](QWidget *parent) { return new Tform_About(parent); });
}
