#pragma once

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>

// The order in which the program sorts text, as Chinese office users expect and as spreadsheet
// programs on Chinese systems sort: digits, then Latin letters, then Chinese in pinyin order
// (12, A_B楼, O'Neil, 阿里楼, 二号楼, 一号楼, 张三). It is registered on a connection under Name and used only by the
// ordering lines (Dm1::orderTerm), never by the schema, so the database file stays readable by
// every SQLite program.
namespace Collation {

inline constexpr char Name[] = "pinyin";

// Registers the collation on an open SQLite connection; it must be registered again after the
// connection is reopened. Without ICU's data the name still sorts, by the text's bytes.
bool registerOn(const QSqlDatabase &db, QString *error = nullptr);

// Two UTF-8 texts in that order, as a connection's ORDER BY … COLLATE pinyin sorts them, for rows
// sorted apart and merged here: below 0 when a comes first, 0 for the same bytes, else above 0.
int compare(QByteArrayView a, QByteArrayView b);

}
