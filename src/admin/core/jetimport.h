#pragma once

#include "admin/core/importreport.h"
#include "admin/core/jetlines.h"
#include "admin/core/jetmapping.h"

#include <QString>

class Dm1;
class QIODevice;

// The import of an office's old Jet database (.mdb) in place of the estate's database. The old
// file is read by parvell-jet-read in a process of its own; its rows are written into a new
// database file beside the database (JetMapping); that file then takes the database's place
// through the restore, with its checks and its atomic replacement, after a backup of the
// database as it was. Any failure leaves the database file exactly as it was. The report of
// what was read, imported and refused is written to 导入报告-YYYYMMDD-HHMMSS.txt in the home.
//
//     const JetImport::Result r = JetImport::importFile(Dm1::instance(), file);
//     if (!r.imported) tell(r.error);
//     show(r.report.text());
//
// dm's connection is closed and opened again around the replacement.
namespace JetImport {

struct Result
{
    bool imported = false;
    QString error; // why nothing changed, in Chinese; empty when imported
    ImportReport report; // what was read, imported and refused, and the outcome
    QString reportFile; // the report file in the home; empty when none was written
};

// Examines file (JetFile::examine: a refusal comes back as the error with nothing read), reads
// it and imports it.
Result importFile(Dm1 *dm, const QString &file, const JetMapping::Progress &progress = {},
                  const JetReaderProcess::Limits &limits = {});
// Imports what the reader printed, read from stream (a pipe from parvell-jet-read); source names
// the old file in the report.
Result importStream(Dm1 *dm, QIODevice &stream, const QString &source, const JetMapping::Progress &progress = {});

}
