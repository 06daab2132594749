// import-readings FILE --month: the meter reader's spreadsheet brought into a month's bills as
// "导入抄表" brings it, unattended: only the readings the preview finds ready are written and
// priced; every other one is listed and left for the office to look at.
#include "billing/core/readingimport.h"
#include "cli/command.h"
#include "cli/commandtable.h"
#include "data/clock.h"
#include "data/dm1.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

namespace {

// An item of --items: its name, and the title of its column when given as TITLE=NAME.
struct ItemChoice
{
    QString title;
    QString item;
};

QJsonObject lineOf(int fileLine, const QString &house, const QString &item)
{
    return {{QStringLiteral("line"), fileLine}, {QStringLiteral("house"), house}, {QStringLiteral("item"), item}};
}

class ReadingsCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("import-readings"); }
    QString summary() const override
    {
        return QStringLiteral("从抄表员的 .xlsx 或 .csv 文件导入一个月份的抄表读数，写入本月表数并计算收费金额；"
                              "有问题的读数不导入，逐条列出。");
    }
    void define(QCommandLineParser &p) override
    {
        p.addPositionalArgument(
            QStringLiteral("FILE"),
            QStringLiteral(".xlsx 或 .csv 文件：第一行为标题，一行一户（房屋代码），一列一个抄表项目。"));
        p.addOption({QStringLiteral("month"), QStringLiteral("收费月份，如 2004-08。"), QStringLiteral("YYYY-MM")});
        p.addOption({QStringLiteral("items"),
                     QStringLiteral("只导入这些抄表项目（逗号分隔）；标题与收费名称不同的列写作 标题=收费名称。"
                                    "不给出时按标题与收费名称相同的列（或在“导入抄表”中为这种文件选定的列）。"),
                     QStringLiteral("LIST")});
        p.addOption({QStringLiteral("generate"),
                     QStringLiteral("先为本月应缴费用尚未生成的房屋生成应缴费用（否则跳过这些房屋的读数）。")});
        p.addOption({QStringLiteral("dry-run"), QStringLiteral("只列出预览的结果，不写入。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        const QStringList args = p.positionalArguments();
        if (args.size() != 1) {
            return report.fail(Exit::Usage, QStringLiteral("请给出一个抄表文件。\n") + help());
        }
        if (const int code = CommandTable::billMonth(p, &m_month, report)) {
            return code;
        }
        m_choices.clear();
        if (p.isSet(QStringLiteral("items"))) {
            static const QRegularExpression separators(QStringLiteral("[,，、]"));
            for (const QString &part : p.value(QStringLiteral("items")).split(separators)) {
                const qsizetype equals = part.indexOf(QLatin1Char('='));
                const ItemChoice choice {equals < 0 ? QString() : part.left(equals).trimmed(),
                                         part.mid(equals + 1).trimmed()};
                if (choice.item.isEmpty() || (equals >= 0 && choice.title.isEmpty())) {
                    return report.fail(Exit::Usage,
                                       QStringLiteral("--items 应写作 收费名称 或 标题=收费名称，以逗号分隔，如 "
                                                      "--items 水费,电表读数=电费。"));
                }
                m_choices << choice;
            }
        }
        m_path = QFileInfo(args.first()).absoluteFilePath();
        const QFileInfo file(m_path);
        if (!file.isFile() || !file.isReadable()) {
            return report.fail(Exit::NoInput,
                               file.isFile()
                                   ? QStringLiteral("文件 %1 不能读取。").arg(QDir::toNativeSeparators(m_path))
                                   : QStringLiteral("文件 %1 不存在。").arg(QDir::toNativeSeparators(m_path)));
        }
        return Exit::Done;
    }
    int run(const QCommandLineParser &p, Context &c) override
    {
        Report &report = *c.report;
        const QSqlDatabase db = c.dm->database();
        const bool dryRun = p.isSet(QStringLiteral("dry-run"));
        const bool generate = p.isSet(QStringLiteral("generate"));
        report.set(QStringLiteral("file"), m_path);
        report.set(QStringLiteral("month"), CommandTable::monthText(m_month));
        report.set(QStringLiteral("dry_run"), dryRun);

        QList<SheetRow> rows;
        QString error;
        if (!SheetReader::read(m_path, &rows, &error)) {
            return report.fail(Exit::BadData, error);
        }
        const QStringList meterItems = ReadingImport::meterItems(db, &error);
        if (!error.isEmpty()) {
            return CommandTable::databaseFailure(report, error);
        }
        ReadingLayout layout;
        if (const int code = chooseLayout(c, rows, meterItems, &layout)) {
            return code;
        }
        ReadingPreview preview;
        if (!ReadingImport::preview(db, rows, layout, m_month, &preview, &error)) {
            return CommandTable::databaseFailure(report, error);
        }
        if (preview.lines.isEmpty()) {
            return report.fail(Exit::BadData,
                               QStringLiteral("文件 %1 中没有抄表读数。").arg(QDir::toNativeSeparators(m_path)));
        }

        // Every reading the preview does not find ready is told, and never written unattended.
        QJsonArray problems;
        QStringList duplicated;
        int ready = 0;
        for (const ReadingLine &l : std::as_const(preview.lines)) {
            if (l.ticked) {
                ++ready;
                continue;
            }
            QJsonObject o = lineOf(l.fileLine, l.houseCode, l.item);
            o.insert(QStringLiteral("state"), l.stateText());
            o.insert(QStringLiteral("reading"), l.readingText);
            problems.append(o);
            report.say(QStringLiteral("第%1行 %2 %3：%4（读数 %5）")
                           .arg(l.fileLine)
                           .arg(l.houseCode, l.item, l.stateText(), l.readingText));
            if (l.state == ReadingLine::State::Duplicate && !duplicated.contains(l.houseCode)) {
                duplicated << l.houseCode;
            }
        }
        report.set(QStringLiteral("readings"), int(preview.lines.size()));
        report.set(QStringLiteral("ready"), ready);
        report.set(QStringLiteral("problems"), problems);
        if (!duplicated.isEmpty()) {
            // Two rows of one house: which is right is for the meter reader to say.
            return report.fail(Exit::BadData,
                               QStringLiteral("文件中房屋 %1 有不止一行，一条读数也没有导入。")
                                   .arg(duplicated.join(QStringLiteral("、"))));
        }
        const int toGenerate = preview.housesToGenerate();
        report.set(QStringLiteral("houses_to_generate"), toGenerate);
        if (dryRun) {
            QString text = QStringLiteral("共 %1 条读数：%2 条可导入，%3 条有问题不导入。")
                               .arg(preview.lines.size())
                               .arg(ready)
                               .arg(problems.size());
            if (toGenerate > 0) {
                text += generate
                    ? QStringLiteral("导入时将先为 %1 户生成%2的应缴费用。").arg(toGenerate).arg(m_month.caption())
                    : QStringLiteral("其中 %1 户%2的应缴费用尚未生成，这些读数将被跳过（加 --generate 先生成）。")
                          .arg(toGenerate)
                          .arg(m_month.caption());
            }
            report.say(text);
            return Exit::Done;
        }

        ReadingImport::Outcome out;
        const ReadingImport::Writer by {c.dm->session().currentOperator, Clock::now()};
        if (!ReadingImport::write(db, preview.lines, m_month, generate, &out, &error, by)) {
            return CommandTable::databaseFailure(report, error);
        }
        QJsonArray skipped;
        for (const ReadingImport::Outcome::Skipped &s : std::as_const(out.skipped)) {
            QJsonObject o = lineOf(s.fileLine, s.houseCode, s.item);
            o.insert(QStringLiteral("reason"), s.reason);
            skipped.append(o);
            report.say(s.text());
        }
        for (const QString &d : std::as_const(out.doubtful)) {
            report.say(d);
        }
        report.set(QStringLiteral("written"), out.written);
        report.set(QStringLiteral("generated"), out.housesGenerated);
        report.set(QStringLiteral("skipped"), skipped);
        report.set(QStringLiteral("doubtful"), QJsonArray::fromStringList(out.doubtful));
        QString text = QStringLiteral("已导入 %1 条抄表数据").arg(out.written);
        if (out.housesGenerated > 0) {
            text += QStringLiteral("（先为 %1 户生成了%2的应缴费用）").arg(out.housesGenerated).arg(m_month.caption());
        }
        text += QStringLiteral("，跳过 %1 条，%2 条有问题没有导入").arg(out.skipped.size()).arg(problems.size());
        if (!out.doubtful.isEmpty()) {
            text += QStringLiteral("；这些房屋有 %1 个表的本月表数小于上月表数（换表或尚未抄表），请核对")
                        .arg(out.doubtful.size());
        }
        report.say(text + QStringLiteral("。"));
        return Exit::Done;
    }

private:
    // The columns read: the layout chosen for files of these titles in "导入抄表", else the
    // columns titled 房屋代码 and with a meter item's name; --items keeps to its items and
    // names the columns whose titles differ. Exit::Done, or the code with the message told.
    int chooseLayout(Context &c, const QList<SheetRow> &rows, const QStringList &meterItems, ReadingLayout *layout)
    {
        Report &report = *c.report;
        const QStringList titles = ReadingImport::titles(rows);
        *layout = ReadingImport::recall(c.dm->homePath(ReadingImport::ColumnsFile), titles)
                      .value_or(ReadingImport::guess(titles, meterItems));
        if (!m_choices.isEmpty()) {
            QHash<int, QString> chosen;
            for (const ItemChoice &choice : std::as_const(m_choices)) {
                if (const int code = checkItem(c, choice.item, meterItems)) {
                    return code;
                }
                int column = choice.title.isEmpty() ? layout->items.key(choice.item, -1) : -1;
                column =
                    column >= 0 ? column : int(titles.indexOf(choice.title.isEmpty() ? choice.item : choice.title));
                if (column < 0) {
                    return report.fail(
                        Exit::BadData,
                        choice.title.isEmpty()
                            ? QStringLiteral("文件第一行没有标题为“%1”的列：请用 --items 标题=%1 指明它的列。")
                                  .arg(choice.item)
                            : QStringLiteral("文件第一行没有标题为“%1”的列。").arg(choice.title));
                }
                if (column == layout->houseColumn || chosen.contains(column)) {
                    return report.fail(Exit::Usage,
                                       QStringLiteral("“%1”列不能同时是%2。")
                                           .arg(titles[column],
                                                column == layout->houseColumn
                                                    ? QStringLiteral("房屋代码和%1").arg(choice.item)
                                                    : chosen.value(column) + QStringLiteral("和") + choice.item));
                }
                chosen.insert(column, choice.item);
            }
            layout->items = chosen;
        }
        if (layout->houseColumn < 0) {
            return report.fail(Exit::BadData, QStringLiteral("文件第一行没有标题为“房屋代码”的列。"));
        }
        if (layout->items.isEmpty()) {
            return report.fail(Exit::BadData,
                               meterItems.isEmpty()
                                   ? QStringLiteral("没有抄表项目（计算公式为 单价*(本月数-上月数) 的收费项目）。")
                                   : QStringLiteral("文件中没有一列的标题是抄表项目的名称（%1）：请用 --items "
                                                    "标题=收费名称 指明读数所在的列。")
                                         .arg(meterItems.join(QStringLiteral("、"))));
        }
        QList<int> columns = layout->items.keys();
        std::sort(columns.begin(), columns.end());
        QStringList read;
        for (int column : std::as_const(columns)) {
            read << layout->items.value(column);
        }
        report.set(QStringLiteral("items"), QJsonArray::fromStringList(read));
        return Exit::Done;
    }

    // An item of --items must be a meter item: one priced by 单价*(本月数-上月数).
    int checkItem(Context &c, const QString &item, const QStringList &meterItems)
    {
        if (meterItems.contains(item)) {
            return Exit::Done;
        }
        QString error;
        const bool known =
            c.dm->scalar(QStringLiteral("select count(*) from 收费项目 where 收费名称=?"), {item}, &error).toInt() > 0;
        if (!error.isEmpty()) {
            return CommandTable::databaseFailure(*c.report, error);
        }
        return c.report->fail(
            Exit::Usage,
            known ? QStringLiteral("收费项目“%1”不是抄表项目（它的计算公式不是 单价*(本月数-上月数)）。").arg(item)
                  : QStringLiteral("没有收费项目“%1”。").arg(item));
    }

    BillMonth m_month;
    QList<ItemChoice> m_choices;
    QString m_path;
};

}

std::unique_ptr<Command> CommandTable::importReadings()
{
    return std::make_unique<ReadingsCommand>();
}
