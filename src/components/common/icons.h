#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

class QToolButton;
class QWidget;

// Button pictures drawn by the program itself: a rounded tile in the command's colour with a
// pictogram character, so every button carries a picture above its caption.
namespace Icons {
QIcon tile(const QString &glyph, const QColor &colour, int size = 32);
// A tool button with its tile above its caption, as on the windows' button bars; the caption
// is also its accessible name.
QToolButton *button(QWidget *parent, const QString &objectName, const QString &caption, const QString &glyph,
                    const QColor &colour, int size = 22);
}
