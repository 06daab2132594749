// Several counters at one estate (two connections in one process, so every interleaving is
// fixed): what one counter's transaction holds, the other waits for and is told about; what one
// wrote, the other sees before it writes. And two program processes paying and billing the same
// houses at once.
#include "backend.h"
#include "billing/core/billgeneration.h"
#include "billing/core/deposits.h"
#include "billing/core/payment.h"
#include "data/dm1.h"
#include "data/refusal.h"
#include "data/transaction.h"
#include "estatechecks.h"
#include "paymentfixture.h"
#include "temphome.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTest>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace PaymentFixture;

namespace {
const QString House = u"A-101"_s;
const QString Cash = u"现金"_s;
constexpr int StressHouses = 50;
constexpr int StressMonths = 10; // January to October 2004
constexpr int StressPayments = 500;

PaymentDesk::Outcome payAt(const QSqlDatabase &db, const QString &code, const QString &paid, const QString &receipt,
                           int month = 8)
{
    PaymentDesk desk(db);
    PaymentDesk::Outcome why;
    const auto draft = desk.open(key(code, 2004, month), u"一单元"_s, &why);
    return draft ? desk.confirm(*draft, entry(Cash, paid, receipt)) : why;
}

// One counter of the two-process run: StressPayments payments over the estate's houses and
// months, every tenth step a house's lines of November made as well. Prints what it did.
int runCounter(const QString &home, int n)
{
    Dm1 dm(home);
    if (!dm.openConnection()) {
        std::fprintf(stderr, "counter %d: %s\n", n, qPrintable(dm.lastError()));
        return 2;
    }
    BillGeneration generation(dm.database());
    int paid = 0, refused = 0;
    for (int i = 0; i < StressPayments; ++i) {
        const QString code = u"H%1"_s.arg((i * 7 + n * 3) % StressHouses, 2, 10, QLatin1Char('0'));
        if (i % 10 == 0) {
            generation.generateHouse(code, {2004, 11});
        }
        const auto done = payAt(dm.database(), code, u"%1.5"_s.arg(i % 90), u"P%1-%2"_s.arg(n).arg(i),
                                1 + (i * 3 + n) % StressMonths);
        ++(done.result == PaymentDesk::Result::Paid ? paid : refused);
    }
    std::printf("paid %d refused %d\n", paid, refused);
    return 0;
}
}

class TestCounters : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    Dm1 *dm() const { return m_home->dm(); }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        addHouse(dm(), House);
        addLine(dm(), House, 2004, 8, u"水费"_s, yuan("40"));
        addLine(dm(), House, 2004, 8, u"物业费"_s, yuan("60"));
        QVERIFY(dm()->exec(u"insert into 房屋收费项目 (房屋代码,收费名称,计算公式,单价,预付金额,金额) "
                           "values (?,'物业费','直接输入金额',600000,10000,600000)"_s,
                           {House}));
    }
    void cleanup() { m_home.reset(); }

    // A holds the house (a payment, its deletion, a deposit, its move): B's payment meets the
    // lock, is told so and writes nothing; once A has committed, B sees what A did.
    void secondCounterWaitsForTheHouse_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("afterwards"); // B's payment once A committed
        QTest::newRow("a payment") << u"payment"_s << int(PaymentDesk::Result::Changed);
        QTest::newRow("the house's deletion") << u"deletion"_s << int(PaymentDesk::Result::NoHouse);
        QTest::newRow("a deposit") << u"deposit"_s << int(PaymentDesk::Result::Paid);
    }
    void secondCounterWaitsForTheHouse()
    {
        QFETCH(QString, held);
        QFETCH(int, afterwards);
        const Counter b(dm(), u"counter2"_s);
        QVERIFY2(b.ok(), qPrintable(b.error()));
        QVERIFY(Backend::shortenLockWait(b.database()));
        PaymentDesk::Outcome why;
        const auto draft = PaymentDesk(b.database()).open(key(House, 2004, 8), u"一单元"_s, &why);
        QVERIFY(draft);
        {
            Transaction a(dm()->database());
            QVERIFY(a.begun());
            if (held == u"payment"_s) {
                QCOMPARE(payAt(dm()->database(), House, u"100"_s, u"A1"_s).result, PaymentDesk::Result::Paid);
            } else if (held == u"deletion"_s) {
                QVERIFY(dm()->exec(u"delete from 房屋资料 where 房屋代码=?"_s, {House}));
            } else {
                DepositMovement m;
                m.date = QDate(2004, 8, 15);
                m.houseCode = House;
                m.type = DepositWords::Received;
                m.amount = yuan("500");
                QCOMPARE(DepositLedger(dm()->database()).save(m).result, DepositLedger::Result::Saved);
            }
            const auto refused = PaymentDesk(b.database()).confirm(*draft, entry(Cash, u"100"_s, u"B1"_s));
            QCOMPARE(refused.result, PaymentDesk::Result::Failed);
            QCOMPARE(Refusal::of(refused.error).message, Backend::lockedMessage());
            QVERIFY(a.commit());
        }
        const auto later = PaymentDesk(b.database()).confirm(*draft, entry(Cash, u"100"_s, u"B1"_s));
        QCOMPARE(int(later.result), afterwards);
        QCOMPARE(records(dm()), held == u"deletion"_s ? 0 : 1);
        if (held == u"payment"_s) {
            QCOMPARE(PaymentDesk(b.database()).open(key(House, 2004, 8), {}, &why), std::nullopt);
            QCOMPARE(why.result, PaymentDesk::Result::NothingToPay);
        }
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // Two counters making the same month: the second waits for the first, then finds its lines
    // made and makes none; a whole-estate run afterwards skips the house.
    void twoGenerationsOfOneMonthMakeOneSet()
    {
        const Counter b(dm(), u"counter2"_s);
        QVERIFY(b.ok() && Backend::shortenLockWait(b.database()));
        BillGeneration theirs(b.database());
        {
            Transaction a(dm()->database());
            QCOMPARE(BillGeneration(dm()->database()).generateHouse(House, {2004, 9}).result,
                     BillGeneration::Result::Generated);
            const auto waited = theirs.generateHouse(House, {2004, 9});
            QCOMPARE(waited.result, BillGeneration::Result::Failed);
            QCOMPARE(Refusal::of(waited.error).message, Backend::lockedMessage());
            QVERIFY(a.commit());
        }
        QCOMPARE(theirs.generateHouse(House, {2004, 9}).result, BillGeneration::Result::AlreadyBilled);
        const auto estate = theirs.generateEstate({2004, 9});
        QCOMPARE(estate.generated, 0);
        QCOMPARE(estate.skipped, 1);
        QCOMPARE(dm()->scalar(u"select count(*) from 收费明细表 where 年度='2004' and 月份='9'"_s).toInt(), 1);
    }

    // Amounts beyond 32 bits and their sums read back to the last ten-thousandth, through every
    // way the program reads them.
    void sumsAreExact_data()
    {
        QTest::addColumn<QList<qint64>>("amounts"); // ten-thousandths
        QTest::addColumn<qint64>("sum");
        QTest::newRow("2^31 ten-thousandths") << QList<qint64> {2147483648LL} << 2147483648LL;
        QTest::newRow("three of 123,456,789.0123")
            << QList<qint64> {1234567890123LL, 1234567890123LL, 1234567890123LL} << 3703703670369LL;
        QTest::newRow("a refund against them") << QList<qint64> {999999999999999LL, -999999999999998LL} << 1LL;
    }
    void sumsAreExact()
    {
        QFETCH(QList<qint64>, amounts);
        QFETCH(qint64, sum);
        QVERIFY(dm()->exec(u"delete from 收费明细表"_s));
        for (int i = 0; i < amounts.size(); ++i) {
            addLine(dm(), House, 2004, 8, u"项目%1"_s.arg(i), Money::fromRaw(amounts[i]));
        }
        QCOMPARE(Money::fromStored(dm()->scalar(u"select sum(收费金额) from 收费明细表"_s)), Money::fromRaw(sum));
        DataSet q;
        QVERIFY(q.openOn({u"select sum(收费金额) as zje, max(收费金额) as top from 收费明细表"_s}));
        QCOMPARE(q.money(u"zje"_s), Money::fromRaw(sum));
        QCOMPARE(q.money(u"top"_s), Money::fromRaw(*std::max_element(amounts.cbegin(), amounts.cend())));
        PaymentDesk::Outcome why;
        const auto draft = PaymentDesk(dm()->database()).open(key(House, 2004, 8), {}, &why);
        QVERIFY(draft);
        QCOMPARE(draft->due, Money::fromRaw(sum));
    }

    // A search text is taken as typed: %, _ and \ find themselves; ASCII letters match without
    // regard to case, as on every engine.
    void searchTextsAreLiteral_data()
    {
        QTest::addColumn<QString>("pattern"); // as the list windows bind it
        QTest::addColumn<QStringList>("found");
        QTest::newRow("%") << u"%\\%%"_s << QStringList {u"100%满意"_s};
        QTest::newRow("_") << u"%\\_%"_s << QStringList {u"a_b"_s};
        QTest::newRow("\\") << u"%\\\\%"_s << QStringList {u"c\\d"_s};
        QTest::newRow("letters") << u"%abc%"_s << QStringList {u"ABC"_s, u"xabc"_s};
    }
    void searchTextsAreLiteral()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, found);
        for (const QString &name : {u"100%满意"_s, u"a_b"_s, u"c\\d"_s, u"ABC"_s, u"xabc"_s, u"axb"_s}) {
            QVERIFY(dm()->exec(u"insert into 业主资料 (业主名称) values (?)"_s, {name}));
        }
        QCOMPARE(dm()->column(u"select 业主名称 from 业主资料 where "_s + dm()->dialect().like(u"业主名称"_s)
                                  + u" order by 业主名称"_s,
                              {pattern}),
                 found);
    }

    // A server gives up a transaction after a refused statement: its COMMIT is a failure and
    // nothing of it is kept.
    void commitAfterARefusedStatementFails()
    {
        if (!Backend::onServer()) {
            QSKIP("SQLite goes on with a transaction after a refused statement");
        }
        Transaction tx(dm()->database());
        QVERIFY(dm()->exec(u"insert into 楼宇资料 (楼宇名称) values ('一号楼')"_s));
        QVERIFY(!dm()->exec(u"insert into 楼宇资料 (楼宇名称) values ('一号楼')"_s));
        QString error;
        QVERIFY(!tx.commit(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(dm()->scalar(u"select count(*) from 楼宇资料"_s).toInt(), 0);
    }

    // The connection to the server breaks between opening a payment and confirming it, or before
    // a month's generation: nothing is written, and the operator is told why.
    void connectionLost_data()
    {
        QTest::addColumn<bool>("generation");
        QTest::newRow("mid-payment") << false;
        QTest::newRow("mid-generation") << true;
    }
    void connectionLost()
    {
        QFETCH(bool, generation);
        if (!Backend::onServer()) {
            QSKIP("a file has no connection to lose");
        }
        const Counter b(dm(), u"counter2"_s);
        QVERIFY(b.ok());
        PaymentDesk::Outcome why;
        const auto draft = PaymentDesk(b.database()).open(key(House, 2004, 8), {}, &why);
        QVERIFY(draft);
        QSqlQuery pid(b.database());
        QVERIFY(pid.exec(u"select pg_backend_pid()"_s) && pid.next());
        QVERIFY(dm()->exec(u"select pg_terminate_backend(?)"_s, {pid.value(0).toLongLong()}));
        pid.finish();
        const QString lost = u"与数据库服务器的连接已经断开"_s;
        if (generation) {
            const auto made = BillGeneration(b.database()).generateEstate({2004, 9});
            QVERIFY2(made.message().contains(lost), qPrintable(made.message()));
            QCOMPARE(dm()->scalar(u"select count(*) from 收费明细表 where 月份='9'"_s).toInt(), 0);
        } else {
            const auto refused = PaymentDesk(b.database()).confirm(*draft, entry(Cash, u"100"_s, u"B1"_s));
            QCOMPARE(refused.result, PaymentDesk::Result::Failed);
            QVERIFY2(Refusal::of(refused.error).message.startsWith(lost), qPrintable(refused.error));
        }
        QCOMPARE(records(dm()), 0);
        QCOMPARE(unpaidLines(dm(), House), 2);
    }

    // Two program processes, each StressPayments payments over the same houses with the next
    // month's lines made in between: every line paid once, every record's effect on its house's
    // balance kept, and one set of lines a house and month.
    void twoProcessesPayEachLineOnce()
    {
        QVERIFY(dm()->exec(u"delete from 收费明细表"_s));
        QVERIFY(dm()->exec(u"delete from 房屋资料"_s));
        QVERIFY(dm()->exec(u"delete from 房屋收费项目"_s));
        for (int h = 0; h < StressHouses; ++h) {
            const QString code = u"H%1"_s.arg(h, 2, 10, QLatin1Char('0'));
            addHouse(dm(), code);
            for (int m = 1; m <= StressMonths; ++m) {
                addLine(dm(), code, 2004, m, u"水费"_s, Money::fromUnits(40 + h));
                addLine(dm(), code, 2004, m, u"物业费"_s, Money::fromUnits(60));
            }
            QVERIFY(dm()->exec(u"insert into 房屋收费项目 (房屋代码,收费名称,计算公式,单价,预付金额,金额) "
                               "values (?,'物业费','直接输入金额',600000,10000,600000)"_s,
                               {code}));
        }
        QList<QProcess *> counters;
        for (int n = 1; n <= 2; ++n) {
            auto *p = new QProcess(this);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"PARVELL_COUNTER"_s, QString::number(n));
            env.insert(u"PARVELL_COUNTER_HOME"_s, m_home->path());
            p->setProcessEnvironment(env);
            p->start(QCoreApplication::applicationFilePath(), {});
            counters << p;
        }
        int paid = 0;
        for (QProcess *p : std::as_const(counters)) {
            QVERIFY(p->waitForFinished(240000));
            const QString out = QString::fromUtf8(p->readAllStandardOutput());
            QVERIFY2(p->exitCode() == 0, qPrintable(out + QString::fromUtf8(p->readAllStandardError())));
            paid += out.section(u' ', 1, 1).toInt();
        }
        qDeleteAll(counters);
        QVERIFY(paid > 0);
        QCOMPARE(records(dm()), paid);
        // Each payment marked its month's two lines, and no line twice.
        QCOMPARE(dm()->scalar(u"select count(*) from 收费明细表 where 缴费状态<>'未缴费'"_s).toInt(), 2 * paid);
        // Σ 实收 = Σ the lines marked + Σ what moved the balances.
        const auto total = [this](const QString &sql) { return Money::fromStored(dm()->scalar(sql)).value(); };
        QCOMPARE(total(u"select sum(实收金额) from 收费汇总表"_s),
                 total(u"select sum(收费金额) from 收费明细表 where 缴费状态<>'未缴费'"_s)
                     + total(u"select sum(零头) from 房屋资料"_s));
        QCOMPARE(
            dm()->scalar(u"select count(*) from 收费明细表 where 年度='2004' and 月份='11'"_s).toInt(),
            dm()->scalar(u"select count(distinct 房屋代码) from 收费明细表 where 年度='2004' and 月份='11'"_s).toInt());
        ESTATE_HOLDS(EstateChecks::paidLines(dm()));
        ESTATE_HOLDS(EstateChecks::oddAmounts(dm()));
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (const QString n = qEnvironmentVariable("PARVELL_COUNTER"); !n.isEmpty()) {
        return runCounter(qEnvironmentVariable("PARVELL_COUNTER_HOME"), n.toInt());
    }
    TestCounters tc;
    return Backend::runOnEach(&tc, argc, argv);
}

#include "tst_counters.moc"
