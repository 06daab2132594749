#pragma once

#include <QString>

class QWidget;

// Types text into a widget key by key, as an operator would; characters outside ASCII
// (Chinese text) arrive as key events carrying the character.
void typeText(QWidget *widget, const QString &text);
