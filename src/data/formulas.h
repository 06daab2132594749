#pragma once

#include <QString>
#include <QStringList>

// The calculation formulas of the fee items, compared as stored: a text with a blank too many
// is none of them.
namespace Formula {
inline const QString ByArea = QStringLiteral("单价*面积");
inline const QString ByMeter = QStringLiteral("单价*(本月数-上月数)");
inline const QString Direct = QStringLiteral("直接输入金额");
inline const QString ByQuantity = QStringLiteral("单价*数量");
inline const QString ByRatio = QStringLiteral("比例*金额");

// The five in the order of the formula pages.
inline QStringList all()
{
    return {ByArea, ByMeter, Direct, ByQuantity, ByRatio};
}
}
