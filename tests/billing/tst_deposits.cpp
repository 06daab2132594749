// Deposit movements and balances without the window: the balance change of each type, edits,
// type and house changes taken back from the stored row, deletions, refusals, a movement deleted
// elsewhere, and all-or-nothing writing.
#include "backend.h"
#include "billing/core/deposits.h"
#include "data/dm1.h"
#include "estatechecks.h"
#include "temphome.h"

#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString A = u"A-101"_s;
const QString B = u"B-202"_s;
const Money Start = Money::fromUnits(1000);

std::optional<Money> amountOf(const QString &text)
{
    return text.isEmpty() ? std::nullopt : Money::parse(text);
}

Money yuan(const QString &text)
{
    return *Money::parse(text);
}
}

class TestDeposits : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    Dm1 *dm() const { return m_home->dm(); }
    DepositLedger ledger() const { return DepositLedger(dm()->database()); }

    static DepositMovement movement(const QString &house, const QString &type, const QString &amount)
    {
        DepositMovement m;
        m.date = QDate(2004, 8, 15);
        m.building = u"一号楼"_s;
        m.unit = u"一单元"_s;
        m.houseCode = house;
        m.owner = u"张三"_s;
        m.type = type;
        m.amount = amountOf(amount);
        m.method = u"现金"_s;
        m.operatorName = Dm1::defaultOperator();
        m.operatedAt = QDateTime(QDate(2004, 8, 15), QTime(9, 30));
        return m;
    }

    qint64 saved(const DepositMovement &m, qint64 id = 0)
    {
        const DepositLedger::Outcome done = ledger().save(m, id);
        if (done.result != DepositLedger::Result::Saved) {
            qWarning("save refused: %s", qPrintable(done.error));
        }
        return done.result == DepositLedger::Result::Saved ? done.id : 0;
    }

    Money balance(const QString &house) const { return ledger().balance(house).value(); }
    int movements() const { return dm()->scalar(u"select count(*) from 押金明细表"_s).toInt(); }
    QVariant storedAmount(qint64 id) const { return dm()->scalar(u"select 金额 from 押金明细表 where id=?"_s, {id}); }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        for (const QString &code : {A, B}) {
            QVERIFY(dm()->exec(u"insert into 房屋资料 (房屋代码,楼宇名称,业主名称,押金) values (?,'一号楼','张三',0)"_s,
                               {code}));
            // Each house holds a deposit already, so refunds in the cases stay above zero.
            QVERIFY(saved(movement(code, DepositWords::Received, u"1000"_s)) > 0);
        }
    }
    void cleanup() { m_home.reset(); }

    // A new movement moves its house's balance by its effect; an edit by the new effect minus the
    // stored one, on the old house and the new one when the house changed.
    void saveAndEdit_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("afterSave"); // A's change from Start
        QTest::addColumn<QString>("editType");
        QTest::addColumn<QString>("editAmount");
        QTest::addColumn<QString>("editHouse");
        QTest::addColumn<QString>("afterEditA");
        QTest::addColumn<QString>("afterEditB");
        const QString in = DepositWords::Received, back = DepositWords::Refunded, off = DepositWords::Offset;

        QTest::newRow("收取 500, then 450") << in << u"500"_s << u"500"_s << in << u"450"_s << A << u"450"_s << u"0"_s;
        QTest::newRow("退还 200, then 150")
            << back << u"200"_s << u"-200"_s << back << u"150"_s << A << u"-150"_s << u"0"_s;
        QTest::newRow("冲抵费用 80, then 100")
            << off << u"80"_s << u"-80"_s << off << u"100"_s << A << u"-100"_s << u"0"_s;
        QTest::newRow("no amount counts as 0")
            << in << QString() << u"0"_s << in << u"100"_s << A << u"100"_s << u"0"_s;
        QTest::newRow("收取 300 becomes 退还 300")
            << in << u"300"_s << u"300"_s << back << u"300"_s << A << u"-300"_s << u"0"_s;
        QTest::newRow("冲抵费用 80 becomes 收取 80")
            << off << u"80"_s << u"-80"_s << in << u"80"_s << A << u"80"_s << u"0"_s;
        QTest::newRow("收取 500 moved to another house")
            << in << u"500"_s << u"500"_s << in << u"500"_s << B << u"0"_s << u"500"_s;
        QTest::newRow("退还 200 moved and made 100")
            << back << u"200"_s << u"-200"_s << back << u"100"_s << B << u"0"_s << u"-100"_s;
        QTest::newRow("amount to four places")
            << in << u"12.3456"_s << u"12.3456"_s << in << u"0.0001"_s << A << u"0.0001"_s << u"0"_s;
    }
    void saveAndEdit()
    {
        QFETCH(QString, type);
        QFETCH(QString, amount);
        QFETCH(QString, afterSave);
        QFETCH(QString, editType);
        QFETCH(QString, editAmount);
        QFETCH(QString, editHouse);
        QFETCH(QString, afterEditA);
        QFETCH(QString, afterEditB);

        const qint64 id = saved(movement(A, type, amount));
        QVERIFY(id > 0);
        QCOMPARE(balance(A), Start + yuan(afterSave));
        QCOMPARE(storedAmount(id).isNull(), amount.isEmpty());

        const DepositMovement edited = movement(editHouse, editType, editAmount);
        QCOMPARE(saved(edited, id), id);
        QCOMPARE(balance(A), Start + yuan(afterEditA));
        QCOMPARE(balance(B), Start + yuan(afterEditB));
        // The same edit saved again (the window re-activated and saved once more) changes nothing.
        QCOMPARE(saved(edited, id), id);
        QCOMPARE(balance(A), Start + yuan(afterEditA));
        QCOMPARE(balance(B), Start + yuan(afterEditB));
        QCOMPARE(dm()->scalar(u"select 操作类型 from 押金明细表 where id=?"_s, {id}).toString(), editType);
        QCOMPARE(movements(), 3);
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // Deleting takes the stored movement's effect off its house.
    void remove_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::newRow("收取 300 lowers by 300") << DepositWords::Received << u"300"_s;
        QTest::newRow("冲抵费用 80 raises by 80") << DepositWords::Offset << u"80"_s;
        QTest::newRow("退还 50 raises by 50") << DepositWords::Refunded << u"50"_s;
        QTest::newRow("no amount changes nothing") << DepositWords::Received << QString();
    }
    void remove()
    {
        QFETCH(QString, type);
        QFETCH(QString, amount);
        const qint64 id = saved(movement(A, type, amount));
        QVERIFY(id > 0);
        QVERIFY(balance(A) != Start || amount.isEmpty());
        QCOMPARE(ledger().remove(id).result, DepositLedger::Result::Deleted);
        QCOMPARE(balance(A), Start);
        QCOMPARE(movements(), 2);
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // A refused movement writes nothing; the first failing field is named.
    void refusals_data()
    {
        QTest::addColumn<QString>("house");
        QTest::addColumn<bool>("dated");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        const int invalid = int(DepositLedger::Result::Invalid);
        QTest::newRow("no house") << QString() << true << DepositWords::Received << u"5"_s << invalid
                                  << u"房屋代码不能为空,请重新输入!"_s;
        QTest::newRow("no house before no date")
            << u"  "_s << false << u"x"_s << u"5"_s << invalid << u"房屋代码不能为空,请重新输入!"_s;
        QTest::newRow("no date") << A << false << DepositWords::Received << u"5"_s << invalid
                                 << u"日期不能为空,请重新输入!"_s;
        QTest::newRow("type typed into the drop-down")
            << A << true << u"收款"_s << u"5"_s << invalid << u"操作类型应该为(收取、退还、冲抵费用),请重新输入!"_s;
        QTest::newRow("negative amount") << A << true << DepositWords::Refunded << u"-5"_s << invalid
                                         << u"金额不能为负数,请重新输入!"_s;
        QTest::newRow("house deleted since it was chosen")
            << u"C-303"_s << true << DepositWords::Received << u"5"_s << int(DepositLedger::Result::NoHouse)
            << u"房屋代码为“C-303”的房屋已经不存在,请重新选择房屋!"_s;
    }
    void refusals()
    {
        QFETCH(QString, house);
        QFETCH(bool, dated);
        QFETCH(QString, type);
        QFETCH(QString, amount);
        QFETCH(int, result);
        QFETCH(QString, message);
        DepositMovement m = movement(house, type, amount);
        if (!dated) {
            m.date = QDate();
        }
        const DepositLedger::Outcome done = ledger().save(m);
        QCOMPARE(int(done.result), result);
        QCOMPARE(done.error, message);
        QCOMPARE(movements(), 2);
        QCOMPARE(balance(A), Start);

        // The same refusal when an existing movement is edited into it: the stored row stays.
        const qint64 id = saved(movement(A, DepositWords::Received, u"7"_s));
        QCOMPARE(int(ledger().save(m, id).result), result);
        QCOMPARE(Money::fromStored(storedAmount(id)), yuan(u"7"_s));
        QCOMPARE(balance(A), Start + yuan(u"7"_s));
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // Another workstation deleted the movement: neither deleting nor editing it touches a balance.
    void deletedElsewhere()
    {
        const qint64 id = saved(movement(A, DepositWords::Received, u"300"_s));
        QVERIFY(ledger().remove(id).ok());
        QCOMPARE(balance(A), Start);

        const DepositLedger::Outcome again = ledger().remove(id);
        QCOMPARE(again.result, DepositLedger::Result::Gone);
        QCOMPARE(again.error, u"这条押金记录已经被其他工作站删除,押金余额没有改变!"_s);
        QCOMPARE(ledger().save(movement(A, DepositWords::Received, u"450"_s), id).result, DepositLedger::Result::Gone);
        QCOMPARE(balance(A), Start);
        QCOMPARE(movements(), 2);
    }

    // A movement of a house deleted since goes without a balance to correct; a refund may take a
    // balance below zero, and a house without a balance yet starts from 0.
    void housesWithoutBalance()
    {
        const qint64 id = saved(movement(B, DepositWords::Received, u"40"_s));
        QVERIFY(dm()->exec(u"delete from 房屋资料 where 房屋代码=?"_s, {B}));
        QCOMPARE(ledger().remove(id).result, DepositLedger::Result::Deleted);

        QVERIFY(dm()->exec(u"insert into 房屋资料 (房屋代码,楼宇名称) values ('N-1','一号楼')"_s));
        QVERIFY(saved(movement(u"N-1"_s, DepositWords::Refunded, u"200"_s)) > 0);
        QCOMPARE(balance(u"N-1"_s), -Money::fromUnits(200));
    }

    // A stored amount that is no amount (a damaged row): neither an edit nor a deletion can take
    // its effect back, so both are refused and the balance stays as it is.
    void unreadableStoredAmount()
    {
        const qint64 id = saved(movement(A, DepositWords::Received, u"300"_s));
        if (Backend::onServer()) {
            QSKIP("a server's money column holds whole numbers only");
        }
        QVERIFY(dm()->exec(u"update 押金明细表 set 金额='三百' where id=?"_s, {id}));
        DepositLedger::Outcome done = ledger().save(movement(A, DepositWords::Received, u"200"_s), id);
        QCOMPARE(done.result, DepositLedger::Result::Failed);
        QVERIFY(done.error.contains(u"金额有误"_s));
        QCOMPARE(ledger().remove(id).result, DepositLedger::Result::Failed);
        QCOMPARE(movements(), 3);
        QCOMPARE(balance(A), Start + Money::fromUnits(300));
    }

    // The balance update fails after the movement was written: the movement is not kept either.
    void failureAfterTheMovementIsWritten()
    {
        const qint64 id = saved(movement(A, DepositWords::Received, u"300"_s));
        Fault fault(dm(), u"update of 押金"_s, u"房屋资料"_s, u"injected failure"_s);
        QVERIFY(fault.ok());

        DepositLedger::Outcome done = ledger().save(movement(A, DepositWords::Received, u"500"_s));
        QCOMPARE(done.result, DepositLedger::Result::Failed);
        QVERIFY2(done.error.contains(u"injected failure"_s), qPrintable(done.error));
        QCOMPARE(movements(), 3);

        done = ledger().save(movement(B, DepositWords::Refunded, u"10"_s), id);
        QCOMPARE(done.result, DepositLedger::Result::Failed);
        QCOMPARE(dm()->scalar(u"select 房屋代码 from 押金明细表 where id=?"_s, {id}).toString(), A);
        QCOMPARE(Money::fromStored(storedAmount(id)), Money::fromUnits(300));

        QCOMPARE(ledger().remove(id).result, DepositLedger::Result::Failed);
        QCOMPARE(movements(), 3);
        QCOMPARE(balance(A), Start + Money::fromUnits(300));
        QCOMPARE(balance(B), Start);

        fault.remove();
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestDeposits)
#include "tst_deposits.moc"
