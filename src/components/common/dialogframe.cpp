#include "components/common/dialogframe.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <xcb/xcb.h>

namespace DialogFrame {

MotifHints hints(bool closeBox)
{
    return {HintFunctions | HintDecorations, FunctionMove | (closeBox ? FunctionClose : 0u),
            DecorationBorder | DecorationTitle | (closeBox ? DecorationMenu : 0u), 0, 0};
}

void apply(QWidget *dialog)
{
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || !dialog->windowHandle()) {
        return;
    }
    static const char name[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof(name) - 1, name), nullptr);
    if (!atom) {
        return;
    }
    const MotifHints h = hints(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(dialog->winId()), atom->atom, atom->atom, 32,
                        uint32_t(h.size()), h.data());
    xcb_flush(connection);
    std::free(atom);
}

}
