#pragma once

#include <QString>

class Dm1;

// "备份": a copy of the open database under a name the operator chose.
namespace DatabaseBackup {

// Copies the database of dm's open connection to destination with the engine's online backup:
// the copy is one consistent state even while other copies of the program write. The copy is
// built beside destination and takes its name only when complete, so an existing file there is
// replaced by a whole copy or not at all. False with the reason (naming the file) otherwise.
bool backup(Dm1 *dm, const QString &destination, QString *error);

}
