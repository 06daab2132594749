#pragma once

#include "billing/core/billmonth.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Makes the bill lines (收费明细表) of a month from the fee items each house carries
// (房屋收费项目), one line per item in 收费名称 order: name, price, formula and charged area
// copied from the item, 面积/数量 from its 预付金额, the house's name, owner, building and unit
// from the house, the month's first and last day, 本月表数 0, 上月表数 the previous month's
// 本月表数 of the same item for the meter formula (0 for the others and when there is none),
// 收费金额 0 and "未缴费". A house's lines are made in one transaction, which takes the write
// lock (on a server: the house's row) first and then looks whether the house already has lines
// in the month: a second workstation making the same house and month at the same moment waits,
// then finds them and makes none. Every item of the house is billed, stopped or not.
//
//     BillGeneration g(dm->database());
//     const auto one = g.generateHouse("A-101", {2004, 8});
//     const auto all = g.generateEstate({2004, 8}, [&](int done, int total) { return !cancelled; });
//     Prompt::notice(this, all.message());
class BillGeneration
{
public:
    enum class Result {
        Generated, // the house's lines were made
        AlreadyBilled, // the house had lines in the month: none were made
        NoHouse, // no house has this code (deleted meanwhile)
        NoFeeItems, // the house carries no fee items
        Failed, // the database refused or an item is there twice; nothing was made
    };
    struct HouseOutcome
    {
        Result result = Result::Failed;
        int lines = 0; // lines made
        QString error; // why, for Failed
    };

    struct EstateOutcome
    {
        int generated = 0; // houses whose lines were made
        int skipped = 0; // houses with fee items that already had lines in the month
        int lines = 0;
        QStringList failed; // "房屋代码：reason" of each house left without lines
        bool cancelled = false; // stopped by the operator; the houses done are kept
        QString error; // a batch the database did not take: the run stopped there
        // "已生成 N 户，跳过 M 户", followed by a line each for a cancel, the houses that
        // failed and a stop.
        QString message() const;
    };
    // Called before each house with the houses done and the houses in all; false stops the run.
    using Progress = std::function<bool(int done, int total)>;

    explicit BillGeneration(const QSqlDatabase &db);
    ~BillGeneration();
    BillGeneration(const BillGeneration &) = delete;
    BillGeneration &operator=(const BillGeneration &) = delete;

    // The lines of one house for the month, in one transaction (a savepoint when one is open).
    HouseOutcome generateHouse(const QString &houseCode, BillMonth month);

    // The lines of every house that carries fee items and has none in the month yet, each house
    // exactly as generateHouse makes it, in 房屋代码 order. Committed in batches of whole houses,
    // so a cancel, a refusal or a crash leaves whole houses billed and the others without a
    // line; a house the database refuses is rolled back alone and listed in failed.
    EstateOutcome generateEstate(BillMonth month, const Progress &progress = {}, int housesPerBatch = 500);
    // The same for the houses given (codes of houses with fee items, in 房屋代码 order, such as a
    // part of housesWithItems()).
    EstateOutcome generateHouses(const QStringList &houses, BillMonth month, const Progress &progress = {},
                                 int housesPerBatch = 500);

    // Every house with fee items, in 房屋代码 order; empty with error set when the database refuses.
    QStringList housesWithItems(QString *error);

    // Whether the house has lines in the month; false with error set when the database refuses.
    bool hasLines(const QString &houseCode, BillMonth month, QString *error);

    // The statements a generation reads and writes with, for a check of their query plans.
    static QStringList statements();

    // The notice for a house that has its lines already ("该房屋2004年08月的应缴费用已经生成，…").
    static QString alreadyBilledMessage(BillMonth month);

private:
    struct Statements;
    HouseOutcome generateHouseOnce(const QString &houseCode, BillMonth month);
    // The house's lines, by one statement that makes all or none, when it has none in the month.
    HouseOutcome insertLines(const QString &houseCode, BillMonth month);
    // The highest line id now: the lines made after it are the new ones.
    bool lastLineId(qint64 *id, QString *error);
    // 上月表数 of the lines made after afterId, rounded to four places.
    bool roundReadings(qint64 afterId, QString *error);

    QSqlDatabase m_db;
    std::unique_ptr<Statements> m_sql;
};
