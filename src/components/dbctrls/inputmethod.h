#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The operator's preferred input method for fields that take Chinese text. On this platform
// the input methods are the engines of IBus or Fcitx 5 when one of them runs; switching to the
// preferred engine happens when such a field receives the focus. Where neither exists the
// value is only stored and shown.
namespace InputMethod {
// The installed input methods by name (empty when the platform offers none).
QStringList installed();
// Gives the fields the input method: focusing one of them switches to it. An empty name leaves
// the system default (and removes an earlier setting).
void apply(const QList<QWidget *> &fields, const QString &name);
// The input method a field was given (empty for none).
QString of(const QWidget *field);
}
