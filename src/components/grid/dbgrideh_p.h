#pragma once

#include "components/grid/dbgrideh.h"
#include "components/grid/dbgridmodel.h"
#include "components/grid/gridfooter.h"
#include "components/grid/gridheader.h"
#include "components/grid/gridtext.h"

#include <QPointer>

class DBGridEh::Private
{
public:
    DBGridModel *model = nullptr;
    GridTitleHeader *titles = nullptr;
    GridRowIndicator *indicator = nullptr;
    GridFooter *footer = nullptr;
    QPointer<DataSet> dataSet;

    QList<GridText::SortKey> sortKeys; // the marked columns in the order they were marked
    bool ctrlSortPending = false;
    QString tieBreak; // appended to a title-click ordering ("id")
    bool fitToWidth = false;
    bool syncingCurrent = false;
    bool applyingWidths = false;
    bool inGeometries = false;
};
