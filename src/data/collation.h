#pragma once

#include <QSqlDatabase>
#include <QString>

// The order in which the program sorts text: pinyin order, as Chinese office users expect and
// as spreadsheet programs on Chinese systems sort (ICU's Chinese collation: 阿 白 重庆 翠 ...
// 中, then Latin letters). It is registered on a connection under Name and used only by the
// ordering lines (Dm1::orderTerm), never by the schema, so the database file stays readable by
// every SQLite program.
namespace Collation {

inline constexpr char Name[] = "pinyin";

// Registers the collation on an open SQLite connection; it must be registered again after the
// connection is reopened. Without ICU's data the name still sorts, by the text's bytes.
bool registerOn(const QSqlDatabase &db, QString *error = nullptr);

}
