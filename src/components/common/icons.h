#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// Button pictures drawn by the program itself: a rounded tile in the command's colour with a
// pictogram character, so every button carries a picture above its caption.
namespace Icons {
QIcon tile(const QString &glyph, const QColor &colour, int size = 32);
}
