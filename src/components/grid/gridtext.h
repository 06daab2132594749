#pragma once

#include "data/money.h"
#include "data/schema.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// The text rules of the grid's titles and sort markers, kept apart from the widgets.
namespace GridText {

// The levels of a title, top first: "面积|房屋面积" gives {"面积", "房屋面积"}.
QStringList levels(const QString &title);

// The most levels a title keeps; the windows use at most three.
constexpr int MaxLevels = 4;
// A title with more levels keeps its first ones and its own caption (the last level).
QString cappedTitle(const QString &title);

// The caption a hidden column gets in the drop-down list: the text after the title's
// second-last "|" (the whole title when it has fewer than two), remaining "|" as tabs.
QString hiddenCaption(const QString &title);

// A field name as it goes into an ordering line: as it stands when it is a plain identifier
// (Chinese letters included), double-quoted otherwise ("面积/数量").
QString orderingName(const QString &field);

struct SortKey
{
    QString field;
    bool descending = false;
};
// " ORDER BY 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin DESC " for the marked columns in
// their order (text in pinyin order); empty for none. kindOf tells a field's kind (computed
// columns); without it, the data model's.
QString orderingLine(const QList<SortKey> &keys, const std::function<FieldKind(const QString &)> &kindOf = {});

}

namespace GridText {

// One box of a multi-level title: an upper level spans the adjacent columns that share it
// (the levels above included); a column's last level reaches down to the bottom.
struct TitleCell
{
    int first = 0; // first and last column it spans (positions among the given titles)
    int last = 0;
    int topLevel = 0; // the title lines it covers: [topLevel, bottomLevel)
    int bottomLevel = 1;
    QString text;
    bool own = false; // the column's own (last) level, the part that is a sort button
};
int levelCount(const QStringList &titles);
QList<TitleCell> titleCells(const QStringList &titles);

}
