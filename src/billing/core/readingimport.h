#pragma once

#include "billing/core/billmonth.h"
#include "components/grid/core/sheetreader.h"
#include "data/money.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The month's meter readings brought in from the meter reader's spreadsheet: one row a house
// (its 房屋代码 in one column), one column a meter item. First a preview says, line by line,
// what each reading would make of the house's bill line; then the lines the operator keeps
// ticked get their 本月表数 and are priced by the same computation as "计算" in the bill window.
//
//     const ReadingLayout layout = ReadingImport::guess(ReadingImport::titles(rows), items);
//     ReadingPreview preview;
//     ReadingImport::preview(db, rows, layout, {2004, 8}, &preview, &error);
//     ... the operator unticks what looks wrong ...
//     ReadingImport::Outcome out;
//     ReadingImport::write(db, preview.lines, {2004, 8}, true, &out, &error);
//     Prompt::detailedNotice(this, out.summary(), out.skipped.join('\n'));

// What the columns of the file hold: the column of 房屋代码 and, by column, the fee item read
// there (from 0; other columns are not read).
struct ReadingLayout
{
    int houseColumn = -1;
    QHash<int, QString> items;

    bool isComplete() const { return houseColumn >= 0 && !items.isEmpty(); }
    friend bool operator==(const ReadingLayout &, const ReadingLayout &) = default;
};

// One reading of the file, as it would reach the bill line.
struct ReadingLine
{
    enum class State {
        Ready, // 可导入
        BelowLast, // 读数小于上月: a new meter; taken as it stands when ticked
        Unusual, // 用量异常: over three times the house's average, or nothing used in an occupied house
        NoHouse, // 没有该房屋
        NoItem, // 该房屋本月没有该项目
        Paid, // 已经缴费
        NotNumber, // 读数不是数字
        Duplicate, // 房屋代码重复: the house has more than one row in the file
    };

    int fileLine = 0; // the row's line in the file
    QString houseCode;
    QString owner;
    QString item;
    QString readingText; // as the file has it
    std::optional<Money> lastReading; // 上月表数 of the bill line (or the month before's reading)
    std::optional<Money> reading; // 本月表数 from the file
    std::optional<Money> usage; // 用量 = 本月表数 − 上月表数
    std::optional<Money> amount; // 收费金额 as the computation will make it
    State state = State::Ready;
    bool ticked = false;
    bool toGenerate = false; // the house has no bill lines in the month yet
    qint64 lineId = -1; // the bill line, when it exists
    QVariant storedReading; // its 本月表数 when the preview read it

    // "可导入", "读数小于上月" …, as the preview shows the state.
    QString stateText() const;
    // The states whose lines may be written (ticked); the problems among them start unticked.
    bool importable() const { return state == State::Ready || state == State::BelowLast || state == State::Unusual; }
};

struct ReadingPreview
{
    QList<ReadingLine> lines; // in the file's order, the items in the order of their columns
    int blankReadings = 0; // cells of an item column left empty: nothing to bring in
    int housesToGenerate() const;
};

namespace ReadingImport {

// The texts of the file's first row, its column titles, trimmed.
QStringList titles(const QList<SheetRow> &rows);
// The key under which the layout chosen for a file with these titles is remembered.
QString layoutKey(const QStringList &titles);
// The column titled "房屋代码" and the columns titled with an item's name.
ReadingLayout guess(const QStringList &titles, const QStringList &meterItems);

// The file in the program's home where the layouts chosen are kept.
inline const QString ColumnsFile = QStringLiteral("chaobiao_columns.ini");
// The layout chosen for files with these titles, kept in the ini file at path (one key a set
// of titles); nothing when none was kept.
std::optional<ReadingLayout> recall(const QString &path, const QStringList &titles);
void remember(const QString &path, const QStringList &titles, const ReadingLayout &layout);

// The fee items whose formula is 单价*(本月数-上月数), by name; empty with error set when the
// database refuses.
QStringList meterItems(const QSqlDatabase &db, QString *error);

// A reading as a meter reader writes it: blanks, thousands separators and full-width digits
// allowed; nothing for text that is no number.
std::optional<Money> readingOf(const SheetCell &cell);

// The lines of the file's rows (the first row holds the titles) for the month; false with
// error set when the database refuses.
bool preview(const QSqlDatabase &db, const QList<SheetRow> &rows, const ReadingLayout &layout, BillMonth month,
             ReadingPreview *out, QString *error);

struct Outcome
{
    // A ticked line not written, and why ("已经缴费", "本月应缴费用尚未生成" …).
    struct Skipped
    {
        int fileLine = 0;
        QString houseCode;
        QString item;
        QString reason;
        // "第 5 行 A-101 水费：已经缴费".
        QString text() const;
    };

    int written = 0; // bill lines given their reading and priced
    int housesGenerated = 0; // houses whose lines of the month were made first
    QList<Skipped> skipped;
    int unticked = 0; // lines of the preview the operator left unticked
    // "A-6 电费：本月表数 0，上月表数 500": unpaid meter lines of the houses written that the
    // computation priced below zero (a meter not read yet), as "计算" would have asked about.
    QStringList doubtful;
    // "已导入 N 条抄表数据，跳过 M 条……。" (the lines and why are in skipped and doubtful).
    QString summary() const;
    // Each skipped line's text, in order.
    QStringList skippedTexts() const;
};

// Who brought the readings in, for a caller that stamps the lines it writes (操作人员,
// 操作日期); without it the lines keep their stamps, as pressing "计算" leaves them.
struct Writer
{
    QString operatorName;
    QDateTime at;
};

// Writes the ticked lines in one transaction: houses without lines in the month are first
// generated (when generate; otherwise their lines are skipped), then each line still unpaid and
// unchanged since the preview gets its 本月表数 (and the stamp of by, when given), and every
// house written is priced as "计算" prices it. False with error set when the database refuses:
// nothing is then written.
bool write(const QSqlDatabase &db, const QList<ReadingLine> &lines, BillMonth month, bool generate, Outcome *out,
           QString *error, const std::optional<Writer> &by = std::nullopt);
}
