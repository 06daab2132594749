#include "components/grid/gridtext.h"

#include "data/dm1.h"
#include "data/schema.h"

QStringList GridText::levels(const QString &title)
{
    return title.split(QLatin1Char('|'));
}

QString GridText::cappedTitle(const QString &title)
{
    QStringList lv = levels(title);
    if (lv.size() <= MaxLevels) {
        return title;
    }
    const QString caption = lv.last();
    lv.resize(MaxLevels - 1);
    lv << caption;
    return lv.join(QLatin1Char('|'));
}

QString GridText::hiddenCaption(const QString &title)
{
    QString caption = title;
    const int last = title.lastIndexOf(QLatin1Char('|'));
    if (last > 0) {
        const int secondLast = title.lastIndexOf(QLatin1Char('|'), last - 1);
        if (secondLast >= 0) {
            caption = title.mid(secondLast + 1);
        }
    }
    caption.replace(QLatin1Char('|'), QLatin1Char('\t'));
    return caption;
}

QString GridText::orderingName(const QString &field)
{
    return Schema::orderingName(field);
}

QString GridText::orderingLine(const QList<SortKey> &keys, const std::function<FieldKind(const QString &)> &kindOf)
{
    QString line;
    for (const SortKey &k : keys) {
        const FieldKind kind = kindOf ? kindOf(k.field) : Schema::kindOf(k.field);
        line += Dm1::orderTerm(k.field, kind) + (k.descending ? QStringLiteral(" DESC , ") : QStringLiteral(", "));
    }
    line.chop(2);
    if (!line.isEmpty()) {
        line.prepend(QStringLiteral(" ORDER BY "));
    }
    return line;
}

int GridText::levelCount(const QStringList &titles)
{
    int n = 1;
    for (const QString &t : titles) {
        n = qMax(n, int(t.count(QLatin1Char('|'))) + 1);
    }
    return n;
}

QList<GridText::TitleCell> GridText::titleCells(const QStringList &titles)
{
    const int n = levelCount(titles);
    QList<QStringList> lv;
    for (const QString &t : titles) {
        lv << levels(t);
    }
    // Columns i and j share levels 0..level when those texts are equal and both go deeper.
    auto shares = [&](int i, int j, int level) {
        if (level >= lv[i].size() - 1 || level >= lv[j].size() - 1) {
            return false;
        }
        for (int l = 0; l <= level; ++l) {
            if (lv[i][l] != lv[j][l]) {
                return false;
            }
        }
        return true;
    };
    QList<TitleCell> cells;
    for (int level = 0; level < n; ++level) {
        for (int i = 0; i < lv.size(); ++i) {
            const int own = int(lv[i].size()) - 1;
            if (level < own) {
                int j = i;
                while (j + 1 < lv.size() && shares(i, j + 1, level)) {
                    ++j;
                }
                cells << TitleCell {i, j, level, level + 1, lv[i][level], false};
                i = j;
            } else if (level == own) {
                cells << TitleCell {i, i, level, n, lv[i][level], true};
            }
        }
    }
    return cells;
}
