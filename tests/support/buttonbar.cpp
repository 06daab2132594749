#include "buttonbar.h"

#include <QFrame>
#include <QLayout>
#include <QStringList>
#include <QToolButton>

QString buttonBar(QWidget *window)
{
    auto *bar = window->findChild<QWidget *>(QStringLiteral("Panel2"));
    if (!bar || !bar->layout()) {
        return {};
    }
    QStringList shown;
    for (int i = 0; i < bar->layout()->count(); ++i) {
        QWidget *w = bar->layout()->itemAt(i)->widget();
        if (!w || !w->isVisible()) {
            continue;
        }
        if (auto *b = qobject_cast<QToolButton *>(w)) {
            shown << b->text();
        } else if (qobject_cast<QFrame *>(w)) {
            shown << QStringLiteral("|");
        }
    }
    return shown.join(QLatin1Char(' '));
}
