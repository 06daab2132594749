#pragma once

#include <QString>

class Report;

// Where a command writes its file: refused (Exit::CannotCreate) when the file exists and may
// not be replaced, or when its folder is missing. The writers themselves write under a
// temporary name and rename, so a failure leaves no half file.
namespace OutputFile {
int check(const QString &path, bool force, Report &report);
// "-": the standard output.
inline bool isStdout(const QString &path)
{
    return path == QLatin1String("-");
}
}
