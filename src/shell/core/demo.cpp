#include "shell/core/demo.h"

#include <QString>

bool Demo::fill(Dm1 *, QString *error)
{
    *error = QStringLiteral("demo estate not built yet");
    return false;
}
