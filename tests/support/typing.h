#pragma once

#include <QString>

class QWidget;

// Types text into a widget key by key, as an operator would; characters outside ASCII
// (Chinese text) arrive as key events carrying the character.
void typeText(QWidget *widget, const QString &text);

// Replaces what a text box or a drop-down's box shows by text, typed as above (empty text
// just clears it); the box gets the focus first.
void retype(QWidget *widget, const QString &text);

// The object name of the control holding the focus (a drop-down's, when its line edit has it).
QString focusedControl();
