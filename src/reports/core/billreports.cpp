#include "reports/core/billreports.h"

#include "data/boundquery.h"
#include "data/collation.h"
#include "data/dialect.h"
#include "data/dm1.h"
#include "data/money.h"
#include "data/rowstore.h"
#include "data/sidebyside.h"

#include <QHash>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// A statement that stopped half-way (interrupted, or a damaged page) says so only here.
bool finished(const QSqlQuery &q, QString *error)
{
    if (q.lastError().isValid()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool refused(QString *error)
{
    if (error->isEmpty()) {
        *error = QStringLiteral("统计已取消");
    }
    return false;
}

// The bill lines of the period's years with the other conditions, as a where clause.
QString withinYears(const BillReportFilter &f, Conditions *lines)
{
    ReportPeriod::addYears(f.from, f.to, QStringLiteral("b.年度"), lines);
    return lines->where();
}

// Reports over the whole estate (no house chosen) read enough lines to be worth reading in two
// parts side by side; a house's few lines are read at once.
bool wholeEstate(const BillReportFilter &f)
{
    return f.houseCode.trimmed().isEmpty();
}

// A report's two reads in one state of the database (see SideBySide).
bool inOneState(const QSqlDatabase &db, const BillReportFilter &f, const SideBySide::Read &here,
                const SideBySide::Read &beside, QString *error)
{
    return wholeEstate(f) ? SideBySide::run(db, here, beside, error)
                          : SideBySide::oneAfterOther(db, here, beside, error);
}

int stepInPeriod(const BillReportFilter &f, const QVariant &year, const QVariant &month)
{
    return ReportPeriod::stepWithin(f.from, f.to, year, month);
}

// The step of each line's month in the period, worked out again only where the month changes
// (the lines come month by month).
class MonthSteps
{
public:
    explicit MonthSteps(const BillReportFilter &f)
        : m_filter(f)
    { }
    int operator()(const QVariant &year, const QVariant &month)
    {
        const QString y = year.toString(), m = month.toString();
        if (!m_known || y != m_year || m != m_month) {
            m_year = y;
            m_month = m;
            m_step = stepInPeriod(m_filter, year, month);
            m_known = true;
        }
        return m_step;
    }

private:
    const BillReportFilter &m_filter;
    QString m_year, m_month;
    int m_step = -1;
    bool m_known = false;
};

// A cell's text as UTF-8 bytes, for a key made without a QString per row.
void appendText(const RowStore &rows, int r, int c, std::string *to)
{
    QByteArrayView bytes;
    if (rows.utf8(r, c, &bytes)) {
        to->append(bytes.data(), size_t(bytes.size()));
    } else {
        const QByteArray text = rows.value(r, c).toString().toUtf8();
        to->append(text.constData(), size_t(text.size()));
    }
}

// The rows in the order of their keys.
template<typename Key> bool appendAll(QMap<Key, ScratchRow> &rows, ScratchSink &out, QString *error)
{
    for (ScratchRow &row : rows) {
        if (!out.append(std::move(row))) {
            return refused(error);
        }
    }
    return true;
}

// The fields of a bill line each listing shows as they are, and the columns of 通用 it shows them
// in (besides the fee name and the amount).
QList<std::pair<QString, const char *>> listedTexts(BillReports::Listing kind)
{
    QList<std::pair<QString, const char *>> texts = {{QStringLiteral("楼宇名称"), "texth"},
                                                     {QStringLiteral("楼宇单元"), "texti"},
                                                     {QStringLiteral("房屋代码"), "texta"},
                                                     {QStringLiteral("业主名称"), "textb"}};
    if (kind == BillReports::Listing::All) {
        return texts << std::pair {QStringLiteral("年度"), "textf"} << std::pair {QStringLiteral("月份"), "textg"};
    }
    texts << std::pair {QStringLiteral("年度"), "texte"} << std::pair {QStringLiteral("月份"), "textf"}
          << std::pair {QStringLiteral("开始日期"), "dateb"} << std::pair {QStringLiteral("结束日期"), "datec"};
    if (kind == BillReports::Listing::Paid) {
        texts << std::pair {QStringLiteral("缴费时间"), "datea"};
    }
    return texts;
}

QString captionOf(const QString &text, const char *unit)
{
    return text + QString::fromUtf8(unit);
}

// A cell's place among the kinds of value, in SQLite's order: none, a number, a text, anything
// else; a text's bytes in *text.
int kindOf(const RowStore &rows, int r, int c, QByteArrayView *text)
{
    if (rows.isNull(r, c)) {
        return 0;
    }
    if (rows.utf8(r, c, text)) {
        return 2;
    }
    switch (rows.value(r, c).typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return 1;
    default:
        return 3;
    }
}

// Two byte strings in the order of their bytes (SQLite's BINARY): below 0, 0 or above 0.
int bytesOrder(QByteArrayView x, QByteArrayView y)
{
    return std::string_view(x.data(), size_t(x.size())).compare(std::string_view(y.data(), size_t(y.size())));
}

// Two cells in the order of an ORDER BY term: by kind, numbers by value, texts in the program's
// collation (inPinyin) or by their bytes.
int compareCells(const RowStore &a, int i, const RowStore &b, int j, int c, bool inPinyin)
{
    QByteArrayView x, y;
    const int kind = kindOf(a, i, c, &x), other = kindOf(b, j, c, &y);
    if (kind != other) {
        return kind < other ? -1 : 1;
    }
    switch (kind) {
    case 0:
        return 0;
    case 1: {
        const QVariant u = a.value(i, c), v = b.value(j, c);
        if (u.typeId() != QMetaType::Double && v.typeId() != QMetaType::Double) {
            const qint64 p = u.toLongLong(), q = v.toLongLong();
            return p < q ? -1 : (p > q ? 1 : 0);
        }
        const double p = u.toDouble(), q = v.toDouble();
        return p < q ? -1 : (p > q ? 1 : 0);
    }
    case 2:
        return inPinyin ? Collation::compare(x, y) : bytesOrder(x, y);
    default:
        return bytesOrder(a.value(i, c).toByteArray(), b.value(j, c).toByteArray());
    }
}

// The listings' order, over the columns that hold the house code, the start date, the fee name
// and the line's id: whether row i of a comes before row j of b.
struct RowOrder
{
    int houseCode, startDate, feeName, lineId;
    bool operator()(const RowStore &a, int i, const RowStore &b, int j) const
    {
        int c = compareCells(a, i, b, j, houseCode, true);
        if (c == 0) {
            c = compareCells(a, i, b, j, startDate, false);
        }
        if (c == 0) {
            c = compareCells(a, i, b, j, feeName, true);
        }
        if (c == 0) {
            c = compareCells(a, i, b, j, lineId, false);
        }
        return c < 0;
    }
};

// The lines the select finds under the conditions, in its order, read as the bill lines' two
// halves (by id) side by side, each sorted by the engine, when the engine sorts in this program's
// order and a second connection can read beside db; otherwise nothing in *halves.
bool readInHalves(const QSqlDatabase &db, const QString &select, const Conditions &c, const QString &order,
                  std::optional<std::pair<RowStore, RowStore>> *halves, QString *error)
{
    const Dialect &dialect = Dialect::of(db);
    if (!dialect.sortsInProgram() || !SideBySide::canReadBeside(db)) {
        return true;
    }
    QSqlQuery q(db);
    if (!runBound(q, QStringLiteral("SELECT (SELECT min(id) FROM 收费明细表), (SELECT max(id) FROM 收费明细表)"), {},
                  error)) {
        return false;
    }
    if (!q.next() || q.value(0).isNull()) {
        return true;
    }
    const qint64 low = q.value(0).toLongLong(), high = q.value(1).toLongLong();
    q.finish();
    const qint64 middle = low + (high - low) / 2;
    halves->emplace();
    const auto half = [&](const QString &range, RowStore *rows) {
        return [&, range, rows](const QSqlDatabase &on, QString *e) {
            Conditions part = c;
            part.add(range, {middle});
            Dialect::Rows read;
            switch (dialect.fetch(on, select + part.where() + order, {}, part.binds(), &read)) {
            case Dialect::Fetch::Done:
                *rows = std::move(read.store);
                return true;
            case Dialect::Fetch::Failed:
                *e = read.error;
                return false;
            case Dialect::Fetch::NotHandled:
                break;
            }
            *e = QStringLiteral("收费明细无法读取");
            return false;
        };
    };
    return SideBySide::run(db, half(QStringLiteral("(b.id <= ?)"), &(*halves)->first),
                           half(QStringLiteral("(b.id > ?)"), &(*halves)->second), error);
}
}

BillReports::Statement BillReports::houseMonthSums(const BillReportFilter &f, Lines which)
{
    // Grouped in the order of the index of all the lines, or of the unpaid lines' own.
    Conditions lines;
    if (which == Lines::Unpaid) {
        lines.add(BillState::unpaid(QStringLiteral("b")));
    }
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString sql = QStringLiteral("SELECT b.年度, b.月份, b.房屋代码, sum(b.收费金额), count(*) FROM 收费明细表 b")
        + withinYears(f, &lines) + QStringLiteral("\nGROUP BY b.年度, b.月份, b.房屋代码");
    return {sql, lines.binds()};
}

bool BillReports::arrears(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    // Each house's unpaid sums of the period's months; the houses then take theirs in code
    // order, all read in one state of the database. Over two years or more the earlier and the
    // later years' sums are read side by side.
    using Owed = QHash<QString, QList<QPair<int, Money>>>;
    const auto sumsOf = [&f](const BillReportFilter &years, Owed *owed) {
        return [&f, years, owed](const QSqlDatabase &c, QString *e) {
            const Statement st = houseMonthSums(years, Lines::Unpaid);
            StoredAmounts amount;
            MonthSteps stepOf(f);
            return forEachRow(
                       c, st.sql, st.binds,
                       [&](const RowStore &sums, int r) {
                           // Lines without a house code belong to no house; a month owes when its
                           // sum is above 0.
                           const int step = stepOf(sums.value(r, 0), sums.value(r, 1));
                           if (!sums.isNull(r, 2) && step >= 0) {
                               const Money sum = amount(sums.value(r, 3));
                               if (sum > Money()) {
                                   (*owed)[sums.value(r, 2).toString()] << qMakePair(step, sum);
                               }
                           }
                           return true;
                       },
                       e)
                && !amount.refused(e);
        };
    };
    struct House
    {
        QString code, building, owner;
    };
    std::vector<House> houses;
    const auto readHouses = [&f, &houses](const QSqlDatabase &c, QString *e) {
        Conditions which;
        which.equals(QStringLiteral("房屋代码"), f.houseCode).equals(QStringLiteral("楼宇名称"), f.building);
        QSqlQuery q(c);
        if (!runBound(q,
                      QStringLiteral("SELECT 房屋代码, 楼宇名称, 业主名称 FROM 房屋资料") + which.where()
                          + QStringLiteral("\nORDER BY ") + Dm1::orderTerm(QStringLiteral("房屋代码"))
                          + QStringLiteral(", id"),
                      which.binds(), e)) {
            return false;
        }
        while (q.next()) {
            if (!q.value(0).isNull()) {
                houses.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
            }
        }
        return finished(q, e);
    };
    Owed unpaidByHouse, later;
    bool read = false;
    if (f.to.year > f.from.year) {
        BillReportFilter earlyYears = f, lateYears = f;
        const int middle = (f.from.year + f.to.year) / 2;
        earlyYears.to = {middle, 12};
        lateYears.from = {middle + 1, 1};
        const SideBySide::Read early = sumsOf(earlyYears, &unpaidByHouse);
        read = inOneState(
            db, f, [&](const QSqlDatabase &c, QString *e) { return early(c, e) && readHouses(c, e); },
            sumsOf(lateYears, &later), error);
    } else {
        read = SideBySide::oneAfterOther(db, sumsOf(f, &unpaidByHouse), readHouses, error);
    }
    if (!read) {
        return false;
    }
    for (auto it = later.begin(); it != later.end(); ++it) {
        unpaidByHouse[it.key()] += std::move(*it);
    }
    for (QList<QPair<int, Money>> &months : unpaidByHouse) {
        std::sort(months.begin(), months.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    }
    // The running total restarts with every house; the separator and the house's details come
    // where the house code changes, and with the first row of all. The captions of a month are
    // made once for all its rows.
    QHash<int, std::pair<QVariant, QVariant>> captionsOf;
    const auto captions = [&](int step) -> const std::pair<QVariant, QVariant> & {
        auto it = captionsOf.find(step);
        if (it == captionsOf.end()) {
            const YearMonth ym = YearMonth::fromStep(step);
            it = captionsOf.insert(step, {ym.yearCaption(), ym.monthCaption()});
        }
        return *it;
    };
    bool any = false;
    QString previousCode;
    Money grandTotal;
    for (const House &house : houses) {
        const QString &code = house.code;
        const auto it = unpaidByHouse.constFind(code);
        if (it == unpaidByHouse.constEnd()) {
            continue;
        }
        Money houseTotal;
        for (const auto &[step, sum] : *it) {
            houseTotal += sum;
            grandTotal += sum;
            const bool newHouse = !any || code != previousCode;
            if (any && newHouse && !out.append({{"moneyc", QVariant::fromValue(Money())}})) {
                return refused(error);
            }
            const auto &[year, month] = captions(step);
            ScratchRow row {{"texta", year},
                            {"textb", month},
                            {"moneya", QVariant::fromValue(sum)},
                            {"moneyb", QVariant::fromValue(houseTotal)}};
            if (newHouse) {
                row << ScratchCell {"texte", house.building} << ScratchCell {"textc", code}
                    << ScratchCell {"textd", house.owner};
            }
            if (!out.append(std::move(row))) {
                return refused(error);
            }
            previousCode = code;
            any = true;
        }
    }
    if (any
        && (!out.append({{"moneyc", QVariant::fromValue(Money())}})
            || !out.append({{"textb", QStringLiteral("合   计")}, {"moneyb", QVariant::fromValue(grandTotal)}}))) {
        return refused(error);
    }
    return true;
}

bool BillReports::monthTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    // Each month's sum of the lines read and number of houses that have them.
    struct Side
    {
        Money sum;
        qint64 houses = 0;
    };
    // A house's key: its code's bytes, or none (the lines without a code count as one house, as
    // a list of the distinct codes would show them).
    using HouseLines = std::pair<std::string, qint64>;
    // Reads each house's sum and number of lines of each month, of all the lines or of the
    // unpaid ones, and hands each house's key and lines on.
    const auto read = [&f](const QSqlDatabase &c, Lines which, QMap<int, Side> *months, const auto &house, QString *e) {
        const Statement st = houseMonthSums(f, which);
        MonthSteps stepOf(f);
        StoredAmounts amount;
        std::string key; // made again in the same bytes for every row
        return forEachRow(
                   c, st.sql, st.binds,
                   [&](const RowStore &sums, int r) {
                       // Months of the period's years outside the period are not the report's.
                       const int step = stepOf(sums.value(r, 0), sums.value(r, 1));
                       if (step < 0) {
                           return true;
                       }
                       Side &m = (*months)[step];
                       m.sum += amount(sums.value(r, 3));
                       ++m.houses;
                       const bool none = sums.isNull(r, 2);
                       key.assign(1, none ? 'N' : 'T');
                       if (!none) {
                           appendText(sums, r, 2, &key);
                       }
                       house(step, key, sums.value(r, 4).toLongLong());
                       return true;
                   },
                   e)
            && !amount.refused(e);
    };
    // The unpaid lines and all the lines are read side by side, in one state of the database, or
    // the paid rest would count the lines another counter billed or removed in between.
    QMap<int, Side> unpaid, all;
    QHash<int, std::unordered_map<std::string, qint64>> unpaidLinesOf;
    QHash<int, std::vector<HouseLines>> housesOf;
    const bool ok = inOneState(
        db, f,
        [&](const QSqlDatabase &c, QString *e) {
            return read(
                c, Lines::All, &all,
                [&](int step, const std::string &key, qint64 lines) { housesOf[step].emplace_back(key, lines); }, e);
        },
        [&](const QSqlDatabase &c, QString *e) {
            return read(
                c, Lines::Unpaid, &unpaid,
                [&](int step, const std::string &key, qint64 lines) {
                    unpaidLinesOf[step].insert_or_assign(key, lines);
                },
                e);
        },
        error);
    if (!ok) {
        return false;
    }
    QList<int> steps = all.keys() + unpaid.keys();
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    for (const int step : std::as_const(steps)) {
        const Side billed = all.value(step), owed = unpaid.value(step);
        // A house counts as paid when it has a line that is not unpaid; the rest of the sum is paid.
        qint64 housesAllUnpaid = 0;
        const auto &unpaidLines = unpaidLinesOf[step];
        for (const auto &[key, lines] : housesOf.value(step)) {
            const auto it = unpaidLines.find(key);
            if (it != unpaidLines.end() && it->second >= lines) {
                ++housesAllUnpaid;
            }
        }
        const Money paid = billed.sum - owed.sum;
        const qint64 housesPaid = billed.houses - housesAllUnpaid;
        if (billed.sum <= Money() && paid <= Money() && owed.sum <= Money() && billed.houses <= 0 && housesPaid <= 0
            && owed.houses <= 0) {
            continue;
        }
        const YearMonth ym = YearMonth::fromStep(step);
        if (!out.append({{"texta", ym.yearCaption()},
                         {"textb", ym.monthCaption()},
                         {"numbera", billed.houses},
                         {"moneya", QVariant::fromValue(billed.sum)},
                         {"numberb", housesPaid},
                         {"moneyb", QVariant::fromValue(paid)},
                         {"numberc", owed.houses},
                         {"moneyc", QVariant::fromValue(owed.sum)}})) {
            return refused(error);
        }
    }
    return true;
}

bool BillReports::hasFeeItems(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    return runBound(q, QStringLiteral("SELECT count(*) FROM 收费项目"), {}, error) && q.next()
        && q.value(0).toLongLong() > 0;
}

BillReports::Statement BillReports::itemSums(const BillReportFilter &f)
{
    // Grouped in the order of the index led by the fee name, read whole (a range of years would
    // make the month's index the cheaper guess, and its lines be sorted). Each item takes the
    // lines of its name: an item is counted by its row, not its name.
    Conditions lines;
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString sql = QStringLiteral("SELECT t.y, t.m, i.收费名称, t.billed, i.id, t.name\n"
                                       "FROM (SELECT b.年度 AS y, b.月份 AS m, b.收费名称 AS name, "
                                       "sum(b.收费金额) AS billed FROM 收费明细表 b")
        + lines.where()
        + QStringLiteral(" GROUP BY b.收费名称, b.年度, b.月份) t\n"
                         "JOIN 收费项目 i ON i.收费名称 = t.name");
    return {sql, lines.binds()};
}

BillReports::Statement BillReports::unpaidItemLines(const BillReportFilter &f)
{
    // Read in the unpaid lines' own index; grouped by name they would be sorted, one by one.
    Conditions lines;
    lines.add(BillState::unpaid(QStringLiteral("b")));
    lines.equals(QStringLiteral("b.房屋代码"), f.houseCode);
    const QString sql =
        QStringLiteral("SELECT b.年度, b.月份, b.收费名称, b.收费金额 FROM 收费明细表 b") + withinYears(f, &lines);
    return {sql, lines.binds()};
}

bool BillReports::itemTotals(const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out, QString *error)
{
    // Each fee name's billed sum of a month, with its item.
    struct Billed
    {
        int step;
        qint64 item;
        QString year, month, feeName;
        std::string linesName;
        Money sum;
    };
    std::vector<Billed> billed;
    // The unpaid sum of each month and fee name (the name's bytes).
    QHash<int, std::unordered_map<std::string, Money>> unpaidOf;
    // The two read side by side, in one state of the database (see monthTotals).
    const bool ok = inOneState(
        db, f,
        [&](const QSqlDatabase &c, QString *e) {
            const auto [sql, binds] = itemSums(f);
            QSqlQuery q(c);
            if (!runBound(q, sql, binds, e)) {
                return false;
            }
            StoredAmounts amount;
            while (q.next()) {
                const int step = stepInPeriod(f, q.value(0), q.value(1));
                if (step >= 0) {
                    billed.push_back({step, q.value(4).toLongLong(), q.value(0).toString(), q.value(1).toString(),
                                      q.value(2).toString(), q.value(5).toString().toStdString(), amount(q.value(3))});
                }
            }
            return finished(q, e) && !amount.refused(e);
        },
        [&](const QSqlDatabase &c, QString *e) {
            StoredAmounts amount;
            const Statement lines = unpaidItemLines(f);
            MonthSteps stepOf(f);
            std::string name;
            return forEachRow(
                       c, lines.sql, lines.binds,
                       [&](const RowStore &rows, int r) {
                           const int step = stepOf(rows.value(r, 0), rows.value(r, 1));
                           if (step >= 0 && !rows.isNull(r, 2)) {
                               name.clear();
                               appendText(rows, r, 2, &name);
                               unpaidOf[step][name] += amount(rows.value(r, 3));
                           }
                           return true;
                       },
                       e)
                && !amount.refused(e);
        },
        error);
    if (!ok) {
        return false;
    }
    // By month in calendar order, and within it the items in the order they were entered.
    QMap<QPair<int, qint64>, ScratchRow> rows;
    for (const Billed &b : billed) {
        // The lines' own name, as the unpaid lines gave it.
        const auto &unpaidSums = unpaidOf[b.step];
        const auto it = unpaidSums.find(b.linesName);
        const Money unpaidSum = it == unpaidSums.end() ? Money() : it->second;
        const Money paidSum = b.sum - unpaidSum;
        if (b.sum <= Money() && paidSum <= Money() && unpaidSum <= Money()) {
            continue;
        }
        rows.insert({b.step, b.item},
                    {{"texta", captionOf(b.year, "年")},
                     {"textb", captionOf(b.month, "月")},
                     {"textc", b.feeName},
                     {"moneya", QVariant::fromValue(b.sum)},
                     {"moneyb", QVariant::fromValue(paidSum)},
                     {"moneyc", QVariant::fromValue(unpaidSum)}});
    }
    return appendAll(rows, out, error);
}

bool BillReports::listing(const QSqlDatabase &db, Listing kind, const BillReportFilter &f, ScratchSink &out,
                          QString *error)
{
    const QString paid = BillState::paid(QStringLiteral("b"));
    Conditions c;
    if (kind == Listing::Paid) {
        c.add(paid);
    } else if (kind == Listing::Unpaid) {
        c.add(BillState::unpaid(QStringLiteral("b")));
    }
    c.equals(QStringLiteral("b.房屋代码"), f.houseCode)
        .equals(QStringLiteral("b.楼宇名称"), f.building)
        .equals(QStringLiteral("b.楼宇单元"), f.unit)
        .equals(QStringLiteral("b.收费名称"), f.feeName)
        .add(QStringLiteral("(b.开始日期 BETWEEN ? AND ?)"), {f.from.firstDayStart(), f.to.firstDayEnd()});
    // Only what the listing shows is read (the sort carries every column read): the amount, the fee
    // name, for the full listing whether the line is paid, then the texts shown as they are, and
    // last the rest of the order (the start date and the line's id).
    const QList<std::pair<QString, const char *>> texts = listedTexts(kind);
    QString sql = QStringLiteral("SELECT b.收费金额, b.收费名称");
    if (kind == Listing::All) {
        sql += QStringLiteral(", CASE WHEN %1 THEN 1 ELSE 0 END").arg(paid);
    }
    const int firstText = kind == Listing::All ? 3 : 2;
    QList<std::pair<int, int>> copied; // (the statement's column, the column of 通用)
    int houseCode = -1;
    for (const auto &[field, column] : texts) {
        if (field == QStringLiteral("房屋代码")) {
            houseCode = firstText + int(copied.size());
        }
        copied.append({firstText + int(copied.size()), ScratchBatch::columnOf(column)});
        sql += QStringLiteral(", b.") + field;
    }
    const int startDate = firstText + int(copied.size()), lineId = startDate + 1;
    sql += QStringLiteral(", b.开始日期, b.id\nFROM 收费明细表 b");
    const QString order = QStringLiteral("\nORDER BY b.") + Dm1::orderTerm(QStringLiteral("房屋代码"))
        + QStringLiteral(", b.开始日期, b.") + Dm1::orderTerm(QStringLiteral("收费名称")) + QStringLiteral(", b.id");
    const auto column = [](const char *name) { return ScratchBatch::columnOf(name); };
    const int feeName = column("textc"), paidName = column("textd"), unpaidName = column("texte");
    const int billed = column("moneya"), paidAmount = column("moneyb"), unpaidAmount = column("moneyc");
    StoredAmounts amount;
    ScratchRowMaker make(out);
    bool cancelled = false;
    // Straight from the statement's cells into the row, without a QVariant between.
    const auto makeRow = [&](const RowStore &rows, int r) {
        const qint64 due = amount(rows.value(r, 0)).raw();
        if (amount.refused(error)) {
            return false;
        }
        ScratchBatch &row = make.row();
        for (const auto &[cell, to] : copied) {
            row.putText(to, rows, r, cell);
        }
        if (kind == Listing::All) {
            // A line's fee name and amount under 应缴, and under 已缴 or 未缴 by its state.
            const bool isPaid = rows.value(r, 2).toInt() == 1;
            row.putText(feeName, rows, r, 1);
            row.putText(isPaid ? paidName : unpaidName, rows, r, 1);
            row.putInteger(billed, due);
            row.putInteger(isPaid ? paidAmount : unpaidAmount, due);
        } else {
            row.putText(paidName, rows, r, 1);
            row.putInteger(paidAmount, due);
        }
        cancelled = !make.append();
        return !cancelled;
    };
    // Reading every line for its start date is most of the time: where the engine sorts in this
    // program's order, the table's two halves are read and sorted side by side and merged here.
    // Each half is then held whole until the merge, so only for the estate's lines of a year at
    // most; a house's few lines are read at once.
    const bool wide = wholeEstate(f) && f.to.step() - f.from.step() < 12;
    std::optional<std::pair<RowStore, RowStore>> halves;
    if (wide && !readInHalves(db, sql, c, order, &halves, error)) {
        return false;
    }
    if (halves) {
        const RowOrder before {houseCode, startDate, 1, lineId};
        const RowStore &a = halves->first, &b = halves->second;
        for (int i = 0, j = 0; i < a.rowCount() || j < b.rowCount();) {
            const bool fromA = j == b.rowCount() || (i < a.rowCount() && before(a, i, b, j));
            if (!(fromA ? makeRow(a, i++) : makeRow(b, j++))) {
                return cancelled ? refused(error) : false;
            }
        }
        return true;
    }
    const bool read = forEachRow(db, sql + c.where() + order, c.binds(), makeRow, error);
    if (!read && cancelled) {
        return refused(error);
    }
    return read;
}
