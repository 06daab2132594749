#pragma once

#include "components/report/core/reporttemplate.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The template file: UTF-8 XML, root element <parvell-report version="1">; docs/report-format.md
// describes it.
namespace ReportFormat {
inline constexpr int Version = 1;
inline constexpr qint64 LargestFile = 16 * 1024 * 1024;

// Reads a template; nothing, with the reason in Chinese, for a file that is empty, cut short,
// binary, of another format, or whose template is unsound (ReportTemplate::fault).
std::optional<ReportTemplate> read(const QByteArray &bytes, QString *error);
std::optional<ReportTemplate> load(const QString &path, QString *error);
QByteArray write(const ReportTemplate &report);
// Replaces the file at once and whole (QSaveFile), and only with a template that reads back
// exactly as it is; false with the reason otherwise, the file untouched.
bool save(const ReportTemplate &report, const QString &path, QString *error);
}
