#pragma once

#include "components/grid/core/sheetreader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Dm1;

// What the house and owner registers check before a row is saved, for their windows and for
// an import alike: the field a refusal is about (empty: none to go back to) and its message.
namespace RegisterRules {

struct Refused
{
    QString field;
    QString message;
};

// A house: a building chosen, then a code; the code is kept without surrounding blanks
// (trimmed in place). "楼宇名称不能为空,请重新输入!", "房屋代码不能为空,请重新输入!".
std::optional<Refused> house(const QString &building, QString *code);
// An owner: a name, kept without surrounding blanks. "业主名称不能为空,请重新输入!".
std::optional<Refused> owner(QString *name);
// The code or name another row has already.
QString duplicateHouse(); // "房屋代码重复,请重新输入!"
QString duplicateOwner(); // "业主名称重复,请重新输入!"

}

// Houses or owners read from a spreadsheet (SheetReader) into their register: the first row
// names the fields, each further row is one house or owner, checked by the register's own rules
// (RegisterRules, EntryRule, a code or name used twice in the file or already in the register,
// a building that does not exist, an identity or account number a spreadsheet kept as a number
// and so lost digits of). Every row is checked before anything is written; then all rows are
// written in one transaction, stamped with the operator and the time, or none.
namespace RegisterImport {

enum class Register { Houses, Owners };

// The fields a file may name for a register, the required ones first.
QStringList fields(Register kind);

struct RowRefusal
{
    int line = 0; // the row's line in the file
    QString message;
};

struct Outcome
{
    int rows = 0; // data rows read
    int imported = 0; // rows written (0 on a dry run or when any row was refused)
    QString fileError; // the header itself is refused: nothing was checked further
    QList<RowRefusal> refused;
    QString databaseError; // the database refused the rows: none was written
};

// Checks rows and, unless dryRun or a row is refused, writes them all.
Outcome import(Dm1 *dm, Register kind, const QList<SheetRow> &rows, bool dryRun);

}
