#pragma once

#include "components/report/core/reportdata.h"

#include <QByteArray>
#include <QString>
#include <memory>

// The templates the program installs into a home's report folder: each has a default installed
// in share/parvell/report beside the program and built into the program too.
namespace HomeTemplate {
// "report/<fileName>" in a home folder.
QString pathIn(const QString &home, const QString &fileName);
// The default template of that name: the installed one when it is there and sound, else the
// built-in one; empty when neither reads.
QByteArray defaultOf(const QString &fileName);
// Writes the default into the home (replacing the file there); false with the reason.
bool write(const QString &home, const QString &fileName, QString *error = nullptr);
// Gives the home the default when it has no file of that name; one already there is never
// replaced.
bool install(const QString &home, const QString &fileName, QString *error = nullptr);
}

// The payment notice's files: its template in the home folder, the default template installed
// with the program, and sample rows to preview it with.
namespace NoticeTemplate {
// The data set of the bill lines the notice prints, and of the organisation's one row.
inline const QString LinesName = QStringLiteral("frDS_HT");
inline const QString OrganisationName = QStringLiteral("公司信息");

// "report/缴费通知单.frf", and that file in a home folder.
QString relativePath();
QString pathIn(const QString &home);
// The default template: the one installed in share/parvell/report beside the program when it
// is there and sound, else the one built into the program.
QByteArray defaultTemplate();
// Gives the home the default template when it has none, or when it holds an earlier version's
// default exactly as it was given. A template the operator edited is never replaced. False,
// with the reason, when the file could not be written.
bool install(const QString &home, QString *error = nullptr);
// A house's bill lines and an organisation, for previewing the template in the designer.
std::unique_ptr<MemoryRows> sampleLines();
std::unique_ptr<MemoryRows> sampleOrganisation();
}
