#pragma once

#include "billing/core/billmonth.h"
#include "cli/command.h"

#include <QDate>
#include <memory>

// The commands of parvell-cli and the small rules they share.
namespace CommandTable {
std::unique_ptr<Command> generate();
std::unique_ptr<Command> report();
std::unique_ptr<Command> backup();
std::unique_ptr<Command> verify();
std::unique_ptr<Command> restore();
std::unique_ptr<Command> import();
std::unique_ptr<Command> importReadings();

// "2004-08": a month of a year from 1 to 9999; false for anything else ("2004-13", "2004-8").
bool month(const QString &text, int *year, int *month);
// The --month a command needs: Exit::Done with month set, or Exit::Usage with the message told.
int billMonth(const QCommandLineParser &parser, BillMonth *month, Report &report);
// "2004-08", as --month is written.
QString monthText(BillMonth month);
// "2004-08-15"; "2004-08" as its first day (or its last with lastDay).
QDate day(const QString &text, bool lastDay);
// A statement the database refused: busy (retry later) or an I/O error, with the reason told.
int databaseFailure(Report &report, const QString &reason);
}
