// Payments at the counter without the dialog: the odd-amount balance, the record per key and its
// reuse, all-or-nothing confirmation, and two workstations paying the same house.
#include "backend.h"
#include "billing/core/payment.h"
#include "data/dm1.h"
#include "estatechecks.h"
#include "paymentfixture.h"
#include "temphome.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <atomic>
#include <latch>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using namespace PaymentFixture;

namespace {
const QString Cash = u"现金"_s;
const QString Unpaid = PaymentWords::Unpaid;

// A second workstation: its own connection to the same estate.
class Workstation
{
public:
    Workstation(const Dm1 *dm, const QString &name)
        : m_counter(dm, name)
    { }
    bool ok() const { return m_counter.ok(); }
    PaymentDesk desk() const { return PaymentDesk(m_counter.database()); }

private:
    Counter m_counter;
};
}

class TestPayment : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    Dm1 *dm() const { return m_home->dm(); }
    PaymentDesk desk() const { return PaymentDesk(dm()->database()); }

    PaymentDesk::Outcome pay(const PaymentKey &key, const QString &method, const QString &paid, const QString &receipt)
    {
        PaymentDesk::Outcome why;
        const auto draft = desk().open(key, u"一单元"_s, &why);
        if (!draft) {
            return why;
        }
        return desk().confirm(*draft, entry(method, paid, receipt));
    }

    QVariant recordField(const QString &field, const QString &item = PaymentWords::WholeBill)
    {
        return dm()->scalar(u"select %1 from 收费汇总表 where 收费项目=?"_s.arg(field), {item});
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        addHouse(dm(), u"A-101"_s);
    }
    void cleanup() { m_home.reset(); }

    // 本次零头 = 实缴金额 + 上次零头 − 应缴费用; the balance before comes from last month's payment.
    void balance_data()
    {
        QTest::addColumn<QString>("lastDue");
        QTest::addColumn<QString>("lastPaid");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("paid");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("due 100 paid 100")
            << QString() << QString() << QStringList {u"60"_s, u"40"_s} << u"100"_s << u"0"_s << u"0"_s;
        QTest::newRow("due 98.5 paid 100")
            << QString() << QString() << QStringList {u"98.5"_s} << u"100"_s << u"0"_s << u"1.5"_s;
        QTest::newRow("due 120 paid 100 after 1.5")
            << u"98.5"_s << u"100"_s << QStringList {u"100.0001"_s, u"19.9999"_s} << u"100"_s << u"1.5"_s << u"-18.5"_s;
    }
    void balance()
    {
        QFETCH(QString, lastDue);
        QFETCH(QString, lastPaid);
        QFETCH(QStringList, lines);
        QFETCH(QString, paid);
        QFETCH(QString, before);
        QFETCH(QString, after);
        if (!lastDue.isEmpty()) {
            addLine(dm(), u"A-101"_s, 2004, 7, u"物业费"_s, yuan(lastDue));
            QCOMPARE(pay(key(u"A-101"_s, 2004, 7), Cash, lastPaid, u"R07"_s).result, PaymentDesk::Result::Paid);
        }
        for (int i = 0; i < lines.size(); ++i) {
            addLine(dm(), u"A-101"_s, 2004, 8, u"费用%1"_s.arg(i), yuan(lines[i]));
        }
        const PaymentDesk::Outcome done = pay(key(u"A-101"_s, 2004, 8), Cash, paid, u"R08"_s);
        QCOMPARE(done.result, PaymentDesk::Result::Paid);
        QCOMPARE(done.odd.toString(), after);
        QCOMPARE(done.message(), u"该业主本次零头是："_s + after);
        QCOMPARE(odd(dm(), u"A-101"_s).toString(), after);
        const QVariantList month {u"8"_s};
        QCOMPARE(Money::fromStored(dm()->scalar(u"select 上次零头 from 收费汇总表 where 月份=?"_s, month))->toString(),
                 before);
        QCOMPARE(dm()->scalar(u"select 缴费时间 from 收费明细表 where 月份=?"_s, month).toString(),
                 u"2004-08-15 00:00:00"_s);
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 0);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // A second payment of the same key reuses its record, whose earlier effect it replaces;
    // "未缴费" leaves the lines unpaid and moves the balance by what was received only.
    void reusedRecordReplacesItsEffect()
    {
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("200"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("100"));
        const PaymentKey bill = key(u"A-101"_s, 2004, 8);

        QCOMPARE(pay(bill, Unpaid, u"100"_s, u"R1"_s).odd, yuan("100"));
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 2);
        QCOMPARE(recordField(u"收费金额"_s).toLongLong(), 0); // no line was marked
        ESTATE_HOLDS(EstateChecks::all(dm()));

        PaymentDesk::Outcome why;
        auto draft = desk().open(bill, u"一单元"_s, &why);
        QVERIFY(draft);
        QVERIFY(draft->recordId != 0);
        QCOMPARE(draft->stored.paid, u"100"_s);
        QCOMPARE(draft->stored.method, Unpaid);
        QCOMPARE(draft->due, yuan("300"));
        QCOMPARE(draft->houseOdd, yuan("100"));

        QCOMPARE(desk().confirm(*draft, entry(Unpaid, u"50"_s, u"R1"_s)).odd, yuan("50"));
        QCOMPARE(pay(bill, Cash, u"300"_s, u"R1"_s).odd, Money());
        QCOMPARE(records(dm()), 1);
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 0);
        QCOMPARE(*Money::fromStored(recordField(u"收费金额"_s)), yuan("300"));
        QCOMPARE(*Money::fromStored(recordField(u"上次零头"_s)), Money());
        ESTATE_HOLDS(EstateChecks::all(dm()));

        // Paid: nothing is left, and a line found later is not paid on the settled record.
        QCOMPARE(pay(bill, Cash, u"300"_s, u"R2"_s).result, PaymentDesk::Result::NothingToPay);
        addLine(dm(), u"A-101"_s, 2004, 8, u"电费"_s, yuan("10"));
        QCOMPARE(pay(bill, Cash, u"10"_s, u"R2"_s).result, PaymentDesk::Result::Settled);
    }

    // One line paid alone leaves the others; the whole bill then covers what is left.
    void singleLineThenWholeBill()
    {
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("60"));
        QCOMPARE(pay(key(u"A-101"_s, 2004, 8, u"水费"_s), Cash, u"40"_s, u"R1"_s).result, PaymentDesk::Result::Paid);
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 1);
        QCOMPARE(dm()->scalar(u"select 缴费状态 from 收费明细表 where 收费名称='物业费'"_s).toString(), Unpaid);
        QCOMPARE(*Money::fromStored(recordField(u"收费金额"_s, u"水费"_s)), yuan("40"));

        PaymentDesk::Outcome why;
        const auto bill = desk().open(key(u"A-101"_s, 2004, 8), u"一单元"_s, &why);
        QVERIFY(bill);
        QCOMPARE(bill->due, yuan("60"));
        QCOMPARE(desk().confirm(*bill, entry(Cash, u"60"_s, u"R2"_s)).result, PaymentDesk::Result::Paid);
        QCOMPARE(records(dm()), 2);
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 0);
        QCOMPARE(desk().open(key(u"A-101"_s, 2004, 8), u"一单元"_s, &why), std::nullopt);
        QCOMPARE(why.result, PaymentDesk::Result::NothingToPay);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    void openRefusals()
    {
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        PaymentDesk::Outcome why;
        // The house moved to another building after it was billed.
        QVERIFY(dm()->exec(u"update 房屋资料 set 楼宇名称='二号楼'"_s));
        QCOMPARE(desk().open(key(u"A-101"_s, 2004, 8), {}, &why), std::nullopt);
        QCOMPARE(why.result, PaymentDesk::Result::NoHouse);
        QCOMPARE(why.message(), u"没有发现这个房屋代码，请确认后重试！"_s);
        QVERIFY(dm()->exec(u"update 房屋资料 set 楼宇名称=?"_s, {Building}));
        QCOMPARE(desk().open(key(u"A-101"_s, 2004, 9), {}, &why), std::nullopt);
        QCOMPARE(why.result, PaymentDesk::Result::NothingToPay);
    }

    void entryRefusals_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("payer");
        QTest::addColumn<QString>("collector");
        QTest::addColumn<QString>("paid");
        QTest::addColumn<QString>("message"); // empty: taken
        const QDate d(2004, 8, 15);
        QTest::newRow("typed way 转帐") << u"转帐"_s << d << u"张三"_s << u"李"_s << u"1"_s
                                        << u"缴费方式不正确，请重新选择！"_s;
        QTest::newRow("no date") << Cash << QDate() << u"张三"_s << u"李"_s << u"1"_s << u"请输入缴费时间！"_s;
        QTest::newRow("blank payer") << Cash << d << u"  "_s << u"李"_s << u"1"_s << u"请输入缴费人！"_s;
        QTest::newRow("no collector") << Cash << d << u"张三"_s << QString() << u"1"_s << u"请输入收款人！"_s;
        QTest::newRow("no amount") << Cash << d << u"张三"_s << u"李"_s << QString() << u"请输入实缴金额！"_s;
        // What was typed and cannot be taken is told for what it is, by the rule of typed amounts.
        QTest::newRow("letters") << Cash << d << u"张三"_s << u"李"_s << u"12a"_s << u"“实缴金额”只能是数字！"_s;
        QTest::newRow("exponent") << Cash << d << u"张三"_s << u"李"_s << u"1e5"_s << u"“实缴金额”只能是数字！"_s;
        QTest::newRow("negative") << Cash << d << u"张三"_s << u"李"_s << u"-5"_s << u"“实缴金额”不能小于零！"_s;
        QTest::newRow("five decimals") << Cash << d << u"张三"_s << u"李"_s << u"1.00001"_s
                                       << u"“实缴金额”最多四位小数！"_s;
        QTest::newRow("beyond the range")
            << Cash << d << u"张三"_s << u"李"_s << u"2000000000000"_s << u"“实缴金额”太大，超出了可以保存的范围！"_s;
        QTest::newRow("trailing zeros") << Cash << d << u"张三"_s << u"李"_s << u"1.500000"_s << QString();
        QTest::newRow("zero, 未缴费") << Unpaid << d << u"张三"_s << u"李"_s << u"0"_s << QString();
    }
    void entryRefusals()
    {
        QFETCH(QString, method);
        QFETCH(QDate, date);
        QFETCH(QString, payer);
        QFETCH(QString, collector);
        QFETCH(QString, paid);
        QFETCH(QString, message);
        PaymentEntry e = entry(method, paid, u"R1"_s);
        e.date = date;
        e.payer = payer;
        e.collector = collector;
        const auto refusal = PaymentDesk::check(e);
        QCOMPARE(refusal ? refusal->message : QString(), message);

        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        PaymentDesk::Outcome why;
        const auto draft = desk().open(key(u"A-101"_s, 2004, 8), {}, &why);
        QVERIFY(draft);
        const PaymentDesk::Outcome done = desk().confirm(*draft, e);
        QCOMPARE(done.result, message.isEmpty() ? PaymentDesk::Result::Paid : PaymentDesk::Result::Invalid);
        QCOMPARE(records(dm()), message.isEmpty() ? 1 : 0);
    }

    // The database refuses one of the writes: the record, the lines and the balance stay as
    // they were, the reason is told, and the same payment goes through afterwards.
    void failureBetweenWrites_data()
    {
        QTest::addColumn<bool>("reused");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("the record") << false << u"before insert on 收费汇总表"_s;
        QTest::newRow("the reused record") << true << u"before update on 收费汇总表"_s;
        QTest::newRow("the lines") << false << u"before update on 收费明细表"_s;
        QTest::newRow("the balance") << false << u"before update on 房屋资料"_s;
        QTest::newRow("the balance, reused") << true << u"before update on 房屋资料"_s;
    }
    void failureBetweenWrites()
    {
        QFETCH(bool, reused);
        QFETCH(QString, trigger);
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("60"));
        const PaymentKey bill = key(u"A-101"_s, 2004, 8);
        if (reused) {
            QCOMPARE(pay(bill, Unpaid, u"30"_s, u"R1"_s).result, PaymentDesk::Result::Paid);
        }
        const QList<EstateChecks::Row> before = EstateChecks::rows(dm(), u"select * from 收费汇总表"_s)
            + EstateChecks::rows(dm(), u"select * from 收费明细表"_s)
            + EstateChecks::rows(dm(), u"select * from 房屋资料"_s);

        PaymentDesk::Outcome why;
        const auto draft = desk().open(bill, u"一单元"_s, &why);
        QVERIFY(draft);
        const QStringList when = trigger.split(u' ');
        Fault fault(dm(), when[1], when[3], u"磁盘已满"_s);
        QVERIFY(fault.ok());
        const PaymentDesk::Outcome failed = desk().confirm(*draft, entry(Cash, u"100"_s, u"R2"_s));
        QCOMPARE(failed.result, PaymentDesk::Result::Failed);
        QVERIFY2(failed.message().contains(u"磁盘已满"_s), qPrintable(failed.message()));
        const QList<EstateChecks::Row> after = EstateChecks::rows(dm(), u"select * from 收费汇总表"_s)
            + EstateChecks::rows(dm(), u"select * from 收费明细表"_s)
            + EstateChecks::rows(dm(), u"select * from 房屋资料"_s);
        QCOMPARE(after, before);

        fault.remove();
        QCOMPARE(desk().confirm(*draft, entry(Cash, u"100"_s, u"R2"_s)).result, PaymentDesk::Result::Paid);
        QCOMPARE(odd(dm(), u"A-101"_s), Money());
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // Two counters open the same house; the second confirmation finds the lines paid or changed
    // (paid, or one line recomputed with as many lines as before) and writes nothing.
    void secondWorkstationRefused_data()
    {
        QTest::addColumn<QString>("first"); // what the first workstation pays; empty: nothing
        QTest::addColumn<QString>("recomputed"); // a line the first workstation recomputes instead
        QTest::addColumn<int>("recordsAfter");
        QTest::newRow("the whole bill") << PaymentWords::WholeBill << QString() << 1;
        QTest::newRow("one of its lines") << u"水费"_s << QString() << 1;
        QTest::newRow("a line recomputed") << QString() << u"水费"_s << 0;
    }
    void secondWorkstationRefused()
    {
        QFETCH(QString, first);
        QFETCH(QString, recomputed);
        QFETCH(int, recordsAfter);
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("60"));
        Workstation other(dm(), u"workstation2"_s);
        QVERIFY(other.ok());
        PaymentDesk::Outcome why;
        const auto theirs = other.desk().open(key(u"A-101"_s, 2004, 8), {}, &why);
        QVERIFY(theirs);

        if (first.isEmpty()) {
            QVERIFY(dm()->exec(u"update 收费明细表 set 单价=?, 收费金额=? where 收费名称=?"_s,
                               {yuan("45").raw(), yuan("45").raw(), recomputed}));
        } else {
            const auto mine = desk().open(key(u"A-101"_s, 2004, 8, first), {}, &why);
            QVERIFY(mine);
            const PaymentDesk::Outcome paid = desk().confirm(*mine, entry(Cash, mine->due.toString(), u"R1"_s));
            QCOMPARE(paid.result, PaymentDesk::Result::Paid);
        }
        const PaymentDesk::Outcome refused = other.desk().confirm(*theirs, entry(Cash, u"100"_s, u"R2"_s));
        QCOMPARE(refused.result, PaymentDesk::Result::Changed);
        QVERIFY(refused.message().contains(u"其他操作员"_s));
        QCOMPARE(records(dm()), recordsAfter);
        QCOMPARE(odd(dm(), u"A-101"_s), Money());
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // Two workstations confirming the same whole bill at the same moment: one payment.
    void twoWorkstationsAtOnce()
    {
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("40"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("60"));
        const Dm1 *home = dm();
        std::latch opened(2);
        std::atomic<int> paid = 0, changed = 0, other = 0;
        auto counter = [&](int n) {
            Workstation w(home, u"counter%1"_s.arg(n));
            PaymentDesk::Outcome why;
            const auto draft = w.ok() ? w.desk().open(key(u"A-101"_s, 2004, 8), {}, &why) : std::nullopt;
            opened.arrive_and_wait();
            if (!draft) {
                ++other;
                return;
            }
            const auto done = w.desk().confirm(*draft, entry(Cash, u"120"_s, u"R%1"_s.arg(n)));
            ++(done.result == PaymentDesk::Result::Paid          ? paid
                   : done.result == PaymentDesk::Result::Changed ? changed
                                                                 : other);
        };
        std::thread a(counter, 1), b(counter, 2);
        a.join();
        b.join();
        QCOMPARE(paid.load(), 1);
        QCOMPARE(changed.load(), 1);
        QCOMPARE(other.load(), 0);
        QCOMPARE(records(dm()), 1);
        QCOMPARE(odd(dm(), u"A-101"_s), yuan("20"));
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // A house's unpaid lines of a month are found through the house, not by reading every
    // unpaid line of the month (on a large estate that is thousands of lines per payment).
    void houseLinesThroughTheHouse_data()
    {
        QTest::addColumn<QString>("statement");
        const QString lines = u"from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')"_s;
        QTest::newRow("the value of a payment") << u"select sum(收费金额),count(*) "_s + lines;
        QTest::newRow("marking them") << u"update 收费明细表 set 缴费状态=? where "_s + lines.mid(lines.indexOf(u'('));
        QTest::newRow("the window's lines") << u"select * "_s + lines + u" order by 收费名称"_s;
    }
    void houseLinesThroughTheHouse()
    {
        QFETCH(QString, statement);
        if (Backend::onServer()) {
            QSKIP("SQLite's query plans");
        }
        QSqlQuery plan(dm()->database());
        QVERIFY(plan.prepare(u"explain query plan "_s + statement));
        for (int i = 0; i < statement.count(u'?'); ++i) {
            plan.addBindValue(u"1"_s);
        }
        QVERIFY2(plan.exec(), qPrintable(plan.lastError().text()));
        QStringList steps;
        while (plan.next()) {
            steps << plan.value(3).toString();
        }
        QVERIFY2(steps.join(u' ').contains(u"房屋代码=?"_s), qPrintable(steps.join(u"; "_s)));
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestPayment)
#include "tst_payment.moc"
