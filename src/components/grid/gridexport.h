#pragma once

#include <QString>

class DBGridEh;
class QWidget;

// The shared "导出" dialog of every window with a grid: the file name offered is the window's
// export name, the six file types are offered in a fixed order, and the type chosen last is
// offered again for the rest of the run (the fifth, Excel 97-2003, the first time).
namespace GridExport {
// Asks for a file and writes every row of the grid to it; a failure is shown in a message.
void exportGrid(QWidget *parent, DBGridEh *grid, const QString &exportName);
// The file types of the dialog, in order; 1-based index of the one offered next.
QStringList fileTypes();
int chosenType();
}
