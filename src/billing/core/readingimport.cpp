#include "billing/core/readingimport.h"

#include "billing/core/billcomputation.h"
#include "billing/core/billgeneration.h"
#include "data/boundquery.h"
#include "data/dialect.h"
#include "data/formulas.h"
#include "data/storeddate.h"
#include "data/transaction.h"

#include <QCryptographicHash>
#include <QSet>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

using State = ReadingLine::State;

// A house and item, the key of a bill line within a month.
QString keyOf(const QString &house, const QString &item)
{
    return house + QChar(0x1F) + item;
}

std::optional<Money> stored(const QVariant &real)
{
    return real.isNull() ? std::optional<Money>(Money()) : Money::fromReal(real.toDouble());
}

struct House
{
    QString owner;
    bool occupied = false;
};

struct Bill
{
    qint64 id = -1;
    QVariant reading; // 本月表数 as stored
    std::optional<Money> last;
    std::optional<Money> price;
    bool paid = false;
};

// What the database holds for the month, read by a few set-wide statements rather than a
// statement a house.
struct MonthData
{
    QHash<QString, House> houses;
    QSet<QString> billed; // houses with any line in the month
    QHash<QString, Bill> bills; // the month's meter lines by house and item
    QHash<QString, std::optional<Money>> itemPrices; // house fee items (meter) by house and item
    QHash<QString, std::optional<Money>> lastReadings; // the month before's 本月表数 by house and item
    QHash<QString, QPair<Money, int>> usages; // the six months before: sum and count by house and item

    bool read(const QSqlDatabase &db, BillMonth month, QString *error);
};

bool MonthData::read(const QSqlDatabase &db, BillMonth month, QString *error)
{
    QSqlQuery q(db);
    if (!runBound(q, QStringLiteral("select 房屋代码, 业主名称, 使用状况 from 房屋资料"), {}, error))
        return false;
    while (q.next())
        houses.insert(q.value(0).toString(), {q.value(1).toString(), q.value(2).toString() == u"入住"});

    const QVariantList thisMonth {month.yearText(), month.monthText()};
    if (!runBound(q, QStringLiteral("select distinct 房屋代码 from 收费明细表 where 年度=? and 月份=?"), thisMonth,
                  error))
        return false;
    while (q.next())
        billed.insert(q.value(0).toString());

    if (!runBound(q,
                  QStringLiteral("select id, 房屋代码, 收费名称, 本月表数, 上月表数, 单价, 缴费状态 from 收费明细表 "
                                 "where 年度=? and 月份=? and 计算公式=?"),
                  thisMonth + QVariantList {Formula::ByMeter}, error))
        return false;
    while (q.next())
        bills.insert(keyOf(q.value(1).toString(), q.value(2).toString()),
                     {q.value(0).toLongLong(), q.value(3), stored(q.value(4)), Money::fromStored(q.value(5)),
                      BillComputation::isPaid(q.value(6).toString())});

    if (!runBound(q, QStringLiteral("select 房屋代码, 收费名称, 单价 from 房屋收费项目 where 计算公式=?"),
                  {Formula::ByMeter}, error))
        return false;
    while (q.next())
        itemPrices.insert(keyOf(q.value(0).toString(), q.value(1).toString()), Money::fromStored(q.value(2)));

    // The six months before, as (年度=? and 月份=?) pairs; the first is the month before.
    QStringList pairs;
    QVariantList before;
    BillMonth m = month;
    for (int i = 0; i < 6; ++i) {
        m = m.previous();
        pairs << QStringLiteral("(年度=? and 月份=?)");
        before << m.yearText() << m.monthText();
    }
    if (!runBound(q,
                  QStringLiteral("select 房屋代码, 收费名称, 本月表数, 上月表数, 年度, 月份 from 收费明细表 "
                                 "where 计算公式=? and (")
                      + pairs.join(QStringLiteral(" or ")) + u')',
                  QVariantList {Formula::ByMeter} + before, error))
        return false;
    const BillMonth previous = month.previous();
    while (q.next()) {
        const QString key = keyOf(q.value(0).toString(), q.value(1).toString());
        const auto now = stored(q.value(2));
        const auto last = stored(q.value(3));
        if (q.value(4).toString() == previous.yearText() && q.value(5).toString() == previous.monthText())
            lastReadings.insert(key, now);
        // A month counts when a reading was taken and the meter went forward.
        if (now && last && *now > Money() && *now >= *last) {
            auto &sum = usages[key];
            sum.first += *now - *last;
            ++sum.second;
        }
    }
    return true;
}

ReadingImport::Outcome::Skipped skippedLine(const ReadingLine &line, const QString &why)
{
    return {line.fileLine, line.houseCode, line.item, why};
}

} // namespace

QString ReadingLine::stateText() const
{
    switch (state) {
    case State::Ready:
        return QStringLiteral("可导入");
    case State::BelowLast:
        return QStringLiteral("读数小于上月");
    case State::Unusual:
        return QStringLiteral("用量异常");
    case State::NoHouse:
        return QStringLiteral("没有该房屋");
    case State::NoItem:
        return QStringLiteral("该房屋本月没有该项目");
    case State::Paid:
        return QStringLiteral("已经缴费");
    case State::NotNumber:
        return QStringLiteral("读数不是数字");
    case State::Duplicate:
        return QStringLiteral("房屋代码重复");
    }
    return {};
}

int ReadingPreview::housesToGenerate() const
{
    QSet<QString> houses;
    for (const ReadingLine &line : lines)
        if (line.ticked && line.toGenerate)
            houses.insert(line.houseCode);
    return int(houses.size());
}

QStringList ReadingImport::titles(const QList<SheetRow> &rows)
{
    QStringList out;
    if (!rows.isEmpty())
        for (const SheetCell &cell : rows.first().cells)
            out << cell.text.trimmed();
    return out;
}

QString ReadingImport::layoutKey(const QStringList &titles)
{
    const QByteArray hash = QCryptographicHash::hash(titles.join(u'\t').toUtf8(), QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.toHex().left(16));
}

ReadingLayout ReadingImport::guess(const QStringList &titles, const QStringList &meterItems)
{
    ReadingLayout layout;
    for (int c = 0; c < titles.size(); ++c) {
        if (titles[c] == u"房屋代码" && layout.houseColumn < 0)
            layout.houseColumn = c;
        else if (meterItems.contains(titles[c]))
            layout.items.insert(c, titles[c]);
    }
    return layout;
}

std::optional<ReadingLayout> ReadingImport::recall(const QString &path, const QStringList &titles)
{
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("columns"));
    const QStringList kept = ini.value(layoutKey(titles)).toStringList();
    if (kept.isEmpty())
        return std::nullopt;
    // "0=房屋代码", "2=水费": the house column first, then each item's.
    ReadingLayout layout;
    for (const QString &pair : kept) {
        bool ok = false;
        const int column = pair.section(u'=', 0, 0).toInt(&ok);
        if (!ok || column < 0 || column >= titles.size())
            return std::nullopt;
        if (layout.houseColumn < 0)
            layout.houseColumn = column;
        else
            layout.items.insert(column, pair.section(u'=', 1));
    }
    return layout;
}

void ReadingImport::remember(const QString &path, const QStringList &titles, const ReadingLayout &layout)
{
    if (layout.houseColumn < 0)
        return;
    QStringList kept {QString::number(layout.houseColumn) + QStringLiteral("=房屋代码")};
    QList<int> columns = layout.items.keys();
    std::sort(columns.begin(), columns.end());
    for (int c : std::as_const(columns))
        kept << QString::number(c) + u'=' + layout.items.value(c);
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("columns"));
    ini.setValue(layoutKey(titles), kept);
}

QStringList ReadingImport::meterItems(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    QStringList out;
    if (!runBound(q, QStringLiteral("select 收费名称 from 收费项目 where 计算公式=? order by 收费名称"),
                  {Formula::ByMeter}, error))
        return out;
    while (q.next())
        out << q.value(0).toString();
    error->clear();
    return out;
}

std::optional<Money> ReadingImport::readingOf(const SheetCell &cell)
{
    // Full-width digits, points and commas as their ASCII forms.
    QString text = cell.text.normalized(QString::NormalizationForm_KC);
    text.removeIf([](QChar c) { return c.isSpace(); });
    const Money::Reading r = Money::read(text, 4);
    if (r.ok())
        return r.value;
    // A workbook number written with an exponent ("1.5E+3"), or with more than four decimals.
    bool ok = false;
    const double value = cell.number ? cell.text.toDouble(&ok) : 0;
    if (ok)
        return Money::fromReal(value);
    return r.problem == Money::Problem::Decimals ? Money::parse(text) : std::nullopt;
}

bool ReadingImport::preview(const QSqlDatabase &db, const QList<SheetRow> &rows, const ReadingLayout &layout,
                            BillMonth month, ReadingPreview *out, QString *error)
{
    *out = {};
    MonthData data;
    if (!data.read(db, month, error))
        return false;
    error->clear();

    QList<int> columns = layout.items.keys();
    std::sort(columns.begin(), columns.end());
    QHash<QString, int> rowsOfHouse;
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QList<SheetCell> &cells = rows[r].cells;
        const QString house = layout.houseColumn < cells.size() ? cells[layout.houseColumn].text.trimmed() : QString();
        if (!house.isEmpty())
            ++rowsOfHouse[house];
    }

    for (qsizetype r = 1; r < rows.size(); ++r) {
        const SheetRow &row = rows[r];
        const QString house =
            layout.houseColumn < row.cells.size() ? row.cells[layout.houseColumn].text.trimmed() : QString();
        if (house.isEmpty())
            continue;
        for (int column : std::as_const(columns)) {
            const SheetCell cell = column < row.cells.size() ? row.cells[column] : SheetCell();
            if (cell.text.trimmed().isEmpty()) {
                ++out->blankReadings;
                continue;
            }
            ReadingLine line;
            line.fileLine = row.line;
            line.houseCode = house;
            line.item = layout.items.value(column);
            line.readingText = cell.text;
            line.reading = readingOf(cell);
            const QString key = keyOf(house, line.item);
            const auto houseIt = data.houses.constFind(house);
            const auto billIt = data.bills.constFind(key);
            line.toGenerate = houseIt != data.houses.cend() && !data.billed.contains(house);
            std::optional<Money> price;
            if (houseIt != data.houses.cend())
                line.owner = houseIt->owner;
            if (billIt != data.bills.cend()) {
                line.lineId = billIt->id;
                line.storedReading = billIt->reading;
                line.lastReading = billIt->last;
                price = billIt->price;
            } else if (line.toGenerate && data.itemPrices.contains(key)) {
                // Generation takes the month before's reading, rounded to four places.
                line.lastReading = data.lastReadings.value(key, Money());
                price = data.itemPrices.value(key);
            }
            if (line.reading && line.lastReading) {
                line.usage = BillComputation::quantity(Formula::ByMeter, Money(), *line.reading, *line.lastReading);
                if (price)
                    line.amount = BillComputation::amount(*price, *line.usage);
            }

            const auto average = data.usages.value(key);
            const bool known = line.lineId >= 0 || (line.toGenerate && data.itemPrices.contains(key));
            if (rowsOfHouse.value(house) > 1)
                line.state = State::Duplicate;
            else if (houseIt == data.houses.cend())
                line.state = State::NoHouse;
            else if (!known)
                line.state = State::NoItem;
            else if (billIt != data.bills.cend() && billIt->paid)
                line.state = State::Paid;
            else if (!line.reading || !line.lastReading || !price || *line.reading < Money())
                line.state = State::NotNumber;
            else if (*line.reading < *line.lastReading)
                line.state = State::BelowLast;
            else if ((average.second > 0
                      && *line.usage * Money::fromUnits(average.second) > average.first * Money::fromUnits(3))
                     || (*line.usage == Money() && houseIt->occupied))
                line.state = State::Unusual;
            else
                line.state = State::Ready;
            line.ticked = line.state == State::Ready;
            out->lines.append(line);
        }
    }
    return true;
}

QString ReadingImport::Outcome::Skipped::text() const
{
    return QStringLiteral("第 %1 行 %2 %3：%4").arg(fileLine).arg(houseCode, item, reason);
}

QStringList ReadingImport::Outcome::skippedTexts() const
{
    QStringList out;
    for (const Skipped &s : skipped)
        out << s.text();
    return out;
}

QString ReadingImport::Outcome::summary() const
{
    QString text = QStringLiteral("已导入 %1 条抄表数据").arg(written);
    if (housesGenerated > 0)
        text += QStringLiteral("（先为 %1 户生成了本月应缴费用）").arg(housesGenerated);
    text += QStringLiteral("，跳过 %1 条").arg(skipped.size() + unticked);
    if (unticked > 0)
        text += QStringLiteral("（其中 %1 条没有勾选）").arg(unticked);
    if (!doubtful.isEmpty())
        text +=
            QStringLiteral("；这些房屋有 %1 个表的本月表数小于上月表数（换表或尚未抄表），请核对").arg(doubtful.size());
    return text + QStringLiteral("。");
}

bool ReadingImport::write(const QSqlDatabase &db, const QList<ReadingLine> &lines, BillMonth month, bool generate,
                          Outcome *out, QString *error, const std::optional<Writer> &by)
{
    *out = {};
    QList<const ReadingLine *> ticked;
    QStringList houses;
    for (const ReadingLine &line : lines) {
        if (!line.ticked) {
            ++out->unticked;
        } else if (!line.importable()) {
            out->skipped << skippedLine(line, line.stateText());
        } else if (line.toGenerate && !generate) {
            out->skipped << skippedLine(line, QStringLiteral("本月应缴费用尚未生成"));
        } else {
            ticked << &line;
            houses << line.houseCode;
        }
    }
    std::sort(houses.begin(), houses.end());
    houses.erase(std::unique(houses.begin(), houses.end()), houses.end());

    // Made before the transaction, so they are freed after it has been rolled back (a server
    // refuses to free a statement inside a transaction that failed).
    BillGeneration generation(db);
    QSqlQuery q(db);
    QSqlQuery update(db);
    Transaction tx(db);
    if (!tx.begun()) {
        *error = tx.error();
        return false;
    }
    // Another counter's payment of these houses waits until the readings are in (on a server;
    // SQLite's transaction holds the whole file).
    if (!Dialect::of(db).lockHouses(db, houses, error))
        return false;

    QSet<QString> generated;
    for (const ReadingLine *line : std::as_const(ticked)) {
        if (!line->toGenerate || generated.contains(line->houseCode))
            continue;
        generated.insert(line->houseCode);
        const BillGeneration::HouseOutcome made = generation.generateHouse(line->houseCode, month);
        if (made.result == BillGeneration::Result::Failed) {
            *error = made.error;
            return false;
        }
        if (made.result == BillGeneration::Result::Generated)
            ++out->housesGenerated;
    }

    // The lines as they are now, under the lock: a line paid, deleted or given a reading at
    // another counter since the preview is left as it is.
    if (!runBound(q,
                  QStringLiteral("select id, 房屋代码, 收费名称, 本月表数, 缴费状态 from 收费明细表 "
                                 "where 年度=? and 月份=? and 计算公式=?"),
                  {month.yearText(), month.monthText(), Formula::ByMeter}, error))
        return false;
    QHash<QString, Bill> now;
    while (q.next())
        now.insert(keyOf(q.value(1).toString(), q.value(2).toString()),
                   {q.value(0).toLongLong(), q.value(3), {}, {}, BillComputation::isPaid(q.value(4).toString())});
    q.finish();

    if (!update.prepare(QStringLiteral("update 收费明细表 set 本月表数=?")
                        + (by ? QStringLiteral(", 操作人员=?, 操作日期=?") : QString())
                        + QStringLiteral(" where id=? and 缴费状态=?"))) {
        *error = update.lastError().text();
        return false;
    }
    QStringList written;
    for (const ReadingLine *line : std::as_const(ticked)) {
        const auto it = now.constFind(keyOf(line->houseCode, line->item));
        QString why;
        if (it == now.cend())
            why = QStringLiteral("该房屋本月没有该项目");
        else if (it->paid)
            why = QStringLiteral("已经缴费");
        else if (line->lineId >= 0 && (it->id != line->lineId || stored(it->reading) != stored(line->storedReading)))
            why = QStringLiteral("预览之后本月表数已被修改");
        if (!why.isEmpty()) {
            out->skipped << skippedLine(*line, why);
            continue;
        }
        update.addBindValue(line->reading->toReal());
        if (by) {
            update.addBindValue(by->operatorName);
            update.addBindValue(StoredDate::format(by->at));
        }
        update.addBindValue(it->id);
        update.addBindValue(BillComputation::Unpaid);
        if (!update.exec()) {
            *error = update.lastError().text();
            return false;
        }
        ++out->written;
        written << line->houseCode;
    }
    QSet<QString> priced;
    for (const QString &house : std::as_const(written)) {
        if (priced.contains(house))
            continue;
        priced.insert(house);
        if (BillComputation::compute(db, house, month, nullptr, error) < 0)
            return false;
    }
    // What "计算" would have asked about: the houses' other meters not read yet.
    if (!runBound(q,
                  QStringLiteral("select 房屋代码, 收费名称, 本月表数, 上月表数 from 收费明细表 "
                                 "where 年度=? and 月份=? and 计算公式=? and 缴费状态=? order by 房屋代码, 收费名称"),
                  {month.yearText(), month.monthText(), Formula::ByMeter, BillComputation::Unpaid}, error))
        return false;
    while (q.next()) {
        const auto reading = stored(q.value(2));
        const auto last = stored(q.value(3));
        if (priced.contains(q.value(0).toString()) && reading && last && *reading < *last)
            out->doubtful << BillComputation::describe(
                {{q.value(0).toString() + u' ' + q.value(1).toString(), *reading, *last}});
    }
    q.finish();
    if (!tx.commit(error))
        return false;
    error->clear();
    return true;
}
