#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

// The windows the main window can open, by class name (TForm_storeyinfo, ...). A command whose
// window is not registered does nothing.
namespace WindowRegistry {
using Factory = std::function<QDialog *(QWidget *parent)>;
void add(const QString &className, Factory factory);
bool has(const QString &className);
QDialog *create(const QString &className, QWidget *parent);
// Every registered class name, sorted.
QStringList classNames();
// Registers every window of the program (windows.cpp); called once at start-up.
void registerAll();
}
