#include "components/grid/gridexport.h"

#include "components/common/prompt.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/dbgrideh.h"

namespace {
int &lastType()
{
    static int type = int(ExportFormat::Xls);
    return type;
}
}

QStringList GridExport::fileTypes()
{
    return {QStringLiteral("Text files (*.txt)"),
            QStringLiteral("Comma separated values (*.csv)"),
            QStringLiteral("HTML file (*.htm)"),
            QStringLiteral("Rich Text Format (*.rtf)"),
            QStringLiteral("Microsoft Excel Workbook (*.xls)"),
            QStringLiteral("Excel 2007 workbook (*.xlsx)")};
}

int GridExport::chosenType()
{
    return lastType();
}

void GridExport::exportGrid(QWidget *parent, DBGridEh *grid, const QString &exportName)
{
    int &type = lastType();
    QString path = Prompt::saveFile(parent, QStringLiteral("导出"), exportName, fileTypes(), &type);
    if (path.isEmpty() || type < 1 || type > int(ExportFormat::Xlsx)) {
        return;
    }
    const auto format = ExportFormat(type);
    path = Export::withExtension(path, format);
    QString error;
    QStringList warnings;
    if (!Export::writeFile(format, grid->exportTable(), path, &error, &warnings)) {
        Prompt::notice(parent, error);
    } else if (!warnings.isEmpty()) {
        Prompt::notice(parent, warnings.join(QLatin1Char('\n')));
    }
}
