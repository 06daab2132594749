#pragma once

#include <QtGlobal>
#include <array>

class QWidget;

// The frame a window manager gives a dialog of a fixed size: a title (with the window menu and
// a close box where the dialog has one), and never a minimise or maximise button. The windowing
// layer says which functions a window offers but leaves its decorations to the window manager,
// which then draws every button; these are the decorations too, as X11's Motif hints
// (_MOTIF_WM_HINTS) hold them.
namespace DialogFrame {

// flags, functions, decorations, input mode, status.
using MotifHints = std::array<quint32, 5>;
enum : quint32 {
    HintFunctions = 1,
    HintDecorations = 2,
    FunctionResize = 2,
    FunctionMove = 4,
    FunctionMinimize = 8,
    FunctionMaximize = 16,
    FunctionClose = 32,
    DecorationBorder = 2,
    DecorationResizeHandle = 4,
    DecorationTitle = 8,
    DecorationMenu = 16,
    DecorationMinimize = 32,
    DecorationMaximize = 64,
};

// The hints of a dialog with or without a close box.
MotifHints hints(bool closeBox);
// Gives the shown dialog its frame on X11 (elsewhere its window flags are all there is).
void apply(QWidget *dialog);

}
