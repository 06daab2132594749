#pragma once

#include <QString>
#include <functional>
#include <memory>

class JetLines;
struct ImportReport;

// Writes what an old Jet database holds into a new database file of this system, table by
// table and field by field under their names, and fills the report as it goes:
//
// - Tables and fields of this system are taken by name; the scratch table 通用 and tables of
//   other programs are skipped, fields only the old table has are listed and left out, fields it
//   lacks are left empty and listed.
// - Currency is taken exactly; an amount held in a real-number field is rounded to 0.0001 (ties
//   to even) and counted; an amount beyond what Money holds refuses its row. Dates become
//   "YYYY-MM-DD HH:MM:SS"; a date mdbtools cannot read (before 1899-12-30) refuses its row.
//   Yes/no becomes 0/1; 年度 and 月份 lose leading zeros ("08" → "8"), counted; an operator's
//   password is stored as the hash this program checks at login.
// - A row repeating a unique key of an earlier row (楼宇名称, 房屋代码, 业主名称, 收费名称,
//   姓名, a house's fee item, a bill line) is refused and listed in full; so is every row of
//   公司信息 after the first. Without an organisation row or an operator the new database gets
//   the ones a new database starts with.
// - For each money field, the sum read equals the sum imported plus the sum refused.
class JetMapping
{
public:
    // Told how many rows of how many were read; false when the operator cancelled.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    explicit JetMapping(ImportReport &report);
    ~JetMapping();
    JetMapping(const JetMapping &) = delete;
    JetMapping &operator=(const JetMapping &) = delete;

    // Reads every line and writes the rows into file, a new empty database, in one
    // transaction. False with the reason in error (in Chinese): the reading failed or stopped
    // early, the file holds none of this system's tables, or the new file could not be written;
    // the file then holds nothing of use.
    bool build(JetLines &lines, const QString &file, const Progress &progress, QString *error);

private:
    struct Run;
    ImportReport &m_report;
};
