#pragma once

#include <QList>
#include <QString>

// One command of the main window's menus and toolbar: which window the menu item opens. What the
// window needs before it is shown it prepares itself (Preparation); only what concerns the main
// window or the whole program is named here.
struct Command
{
    enum class MainWindowPart {
        None,
        Quit, // "退出系统": closes the main window
        Help, // "帮助系统": a message, no window
        Reconnect, // the connection is closed before the window and opened again after it
        ShowOperator, // the status bar shows the operator after the window
        ScrollingText, // the scrolling text is read again after the window
    };

    QString menu {}; // 【系统维护】, ...
    QString item {}; // the menu item's caption
    QString toolbar {}; // the toolbar button that runs it too; empty for none
    QString window {}; // the class of the window it opens (WindowRegistry); empty for none
    MainWindowPart mainWindow = MainWindowPart::None;
    bool separatorAfter = false;
    bool hidden = false;
};

namespace Commands {
// Every command in menu order.
const QList<Command> &all();
// The command of a menu item; null when there is none.
const Command *find(const QString &item);
}
