// The owner account statement and the arrears aging, computed from bill lines, payments made at
// the counter (PaymentDesk) and deposit movements (DepositLedger): after every step the
// statement's closing balance is what the counter holds (Σ unpaid − 零头), a range cut into the
// history agrees with the whole, and the aging puts each unpaid line in the bucket its days
// overdue name.
#include "backend.h"
#include "billing/core/deposits.h"
#include "billing/core/payment.h"
#include "data/dm1.h"
#include "reportfixture.h"
#include "reports/core/ownerstatement.h"
#include "temphome.h"

#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString House = u"A-101"_s;
const QString Building = u"一号楼"_s;
const QString Zhang = u"张三"_s;
const QDate YearStart(2004, 1, 1), YearEnd(2004, 12, 31);

Money yuan(const QString &text)
{
    return *Money::parse(text);
}
}

class TestOwnerStatement : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    Dm1 *dm() const { return m_home->dm(); }

    void addHouse(const QString &code, const QString &owner, const QString &building = Building,
                  const QString &odd = u"0"_s)
    {
        QVERIFY(dm()->exec(
            u"insert into 房屋资料 (房屋代码,楼宇名称,楼宇单元,业主名称,联系电话,零头,押金) values (?,?,'一单元',?,'13800000000',?,0)"_s,
            {code, building, owner, yuan(odd).raw()}));
    }

    // A bill line of a month; an amount "-" is a meter line not computed yet (收费金额 null).
    void addLine(const QString &code, int month, const QString &fee, const QString &amount, const QString &owner,
                 int year = 2004)
    {
        const QDate first(year, month, 1);
        QVERIFY(dm()->exec(
            u"insert into 收费明细表 "
            u"(房屋代码,房屋名称,业主名称,楼宇名称,楼宇单元,收费名称,计算公式,单价,\"面积/数量\","
            "收费金额,年度,月份,缴费状态,开始日期,结束日期) values (?,?,?,?,'一单元',?,'直接输入金额',0,1,?,?,?,'未缴费',?,?)"_s,
            {code, code, owner, Building, fee, amount == u"-"_s ? QVariant() : QVariant(yuan(amount).raw()),
             QString::number(year), QString::number(month), first.toString(u"yyyy-MM-dd 00:00:00"_s),
             first.addMonths(1).addDays(-1).toString(u"yyyy-MM-dd 00:00:00"_s)}));
    }

    // A payment at the counter of the month's whole bill, or of one fee item.
    void pay(const QString &code, int month, const QString &paid, const QDate &on, const QString &method,
             const QString &owner, const QString &item = PaymentWords::WholeBill)
    {
        PaymentDesk desk(dm()->database());
        PaymentDesk::Outcome why;
        const QString building = dm()->scalar(u"select 楼宇名称 from 房屋资料 where 房屋代码=?"_s, {code}).toString();
        const auto draft =
            desk.open({u"2004"_s, QString::number(month), building, code, owner, item}, u"一单元"_s, &why);
        QVERIFY2(draft, qPrintable(why.message()));
        PaymentEntry e;
        e.date = on;
        e.method = method;
        e.paid = paid;
        e.receipt = u"%1%2"_s.arg(month, 2, 10, QLatin1Char('0')).arg(on.day());
        e.payer = owner;
        e.collector = u"李会计"_s;
        e.operatorName = Dm1::defaultOperator();
        const PaymentDesk::Outcome done = desk.confirm(*draft, e);
        QVERIFY2(done.result == PaymentDesk::Result::Paid, qPrintable(done.message()));
    }

    void deposit(const QString &type, const QString &amount, const QDate &on)
    {
        DepositMovement m;
        m.date = on;
        m.building = Building;
        m.unit = u"一单元"_s;
        m.houseCode = House;
        m.owner = Zhang;
        m.type = type;
        m.amount = yuan(amount);
        m.method = u"现金"_s;
        m.operatorName = Dm1::defaultOperator();
        m.operatedAt = QDateTime(on, QTime(9, 0));
        QCOMPARE(DepositLedger(dm()->database()).save(m).result, DepositLedger::Result::Saved);
    }

    // What the counter says the house owes: its unpaid lines less its odd-amount balance.
    Money counterBalance(const QString &code) const
    {
        const Money unpaid = *Money::fromStored(dm()->scalar(
            u"select coalesce(sum(收费金额),0) from 收费明细表 where 房屋代码=? and 缴费状态='未缴费'"_s, {code}));
        const Money odd = *Money::fromStored(dm()->scalar(u"select 零头 from 房屋资料 where 房屋代码=?"_s, {code}));
        return unpaid - odd;
    }

    OwnerStatement::Statement statement(const QDate &from, const QDate &to, bool ownerOnly = false,
                                        const QString &code = House)
    {
        OwnerStatement::Statement s;
        QString error;
        if (!OwnerStatement::compute(dm()->database(), {code, from, to, ownerOnly}, &s, &error)) {
            qWarning("statement refused: %s", qPrintable(error));
        }
        return s;
    }

    // The statement's own sums hold together: opening + 应缴 − 实缴 = closing, row by row.
    static bool addsUp(const OwnerStatement::Statement &s)
    {
        Money balance = s.opening;
        for (const OwnerStatement::LedgerRow &r : s.rows) {
            balance += r.due - r.paid;
            if (balance != r.balance) {
                return false;
            }
        }
        return balance == s.closing && s.opening + s.totalDue - s.totalPaid == s.closing;
    }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
    }
    void cleanup() { m_home.reset(); }

    // Steps at the counter, one a line: "bill M 收费名称 amount [owner]", "pay M amount M-D 方式
    // [收费名称]", "odd amount" (a balance set outside the program). After every step the whole
    // year's statement closes at Σ unpaid − 零头 and adds up.
    void followsTheCounter_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("closing");
        QTest::addColumn<QStringList>("summaries"); // the ledger's rows at the end, with their balance

        QTest::newRow("the payment dialog's examples in sequence")
            << QStringList {u"bill 8 物业管理费 100"_s, u"pay 8 100 8-15 现金"_s,    u"bill 9 物业管理费 98.5"_s,
                            u"pay 9 100 9-15 现金"_s,   u"bill 10 物业管理费 120"_s, u"pay 10 100 10-15 银行转帐"_s}
            << u"18.5"_s << QStringList {u"2004年8月 物业管理费 100"_s,    u"缴费 单据号0815 现金 0"_s,
                                         u"2004年9月 物业管理费 98.5"_s,   u"缴费 单据号0915 现金 -1.5"_s,
                                         u"2004年10月 物业管理费 118.5"_s, u"缴费 单据号1015 银行转帐 18.5"_s};
        QTest::newRow("single-line payments inside a month")
            << QStringList {u"bill 8 物业管理费 60"_s, u"bill 8 水费 40"_s, u"pay 8 60 8-10 现金 物业管理费"_s,
                            u"pay 8 30 8-20 现金 水费"_s}
            << u"10"_s
            << QStringList {u"2004年8月 物业管理费 60"_s, u"2004年8月 水费 100"_s, u"缴费 单据号0810 现金 40"_s,
                            u"缴费 单据号0820 现金 10"_s};
        QTest::newRow("a payment recorded as 未缴费 is money received")
            << QStringList {u"bill 8 物业管理费 100"_s, u"pay 8 100 8-15 未缴费"_s} << u"0"_s
            << QStringList {u"2004年8月 物业管理费 100"_s, u"缴费 单据号0815 未缴费 0"_s};
        QTest::newRow("a balance older than the movements opens with 历史差额")
            << QStringList {u"odd -20"_s, u"bill 8 物业管理费 100"_s, u"pay 8 50 8-15 现金"_s} << u"70"_s
            << QStringList {u"历史差额 20"_s, u"2004年8月 物业管理费 120"_s, u"缴费 单据号0815 现金 70"_s};
        QTest::newRow("credit from before the movements")
            << QStringList {u"odd 30"_s, u"bill 8 物业管理费 100"_s} << u"70"_s
            << QStringList {u"历史差额 -30"_s, u"2004年8月 物业管理费 70"_s};
        QTest::newRow("a meter line not computed counts 0")
            << QStringList {u"bill 8 水费 -"_s, u"bill 8 物业管理费 80"_s} << u"80"_s
            << QStringList {u"2004年8月 水费 0 未计算"_s, u"2004年8月 物业管理费 80"_s};
    }
    void followsTheCounter()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, closing);
        QFETCH(QStringList, summaries);
        addHouse(House, Zhang);
        for (const QString &step : std::as_const(steps)) {
            const QStringList w = step.split(u' ');
            if (w[0] == u"bill"_s) {
                addLine(House, w[1].toInt(), w[2], w[3], Zhang);
            } else if (w[0] == u"pay"_s) {
                const QStringList md = w[3].split(u'-');
                pay(House, w[1].toInt(), w[2], QDate(2004, md[0].toInt(), md[1].toInt()), w[4], Zhang,
                    w.size() > 5 ? w[5] : PaymentWords::WholeBill);
            } else {
                QVERIFY(dm()->exec(u"update 房屋资料 set 零头=? where 房屋代码=?"_s, {yuan(w[1]).raw(), House}));
            }
            const OwnerStatement::Statement s = statement(YearStart, YearEnd);
            QVERIFY2(s.closing == counterBalance(House), qPrintable(step));
            QVERIFY2(addsUp(s), qPrintable(step));
            QCOMPARE(s.opening, Money());
        }
        const OwnerStatement::Statement s = statement(YearStart, YearEnd);
        QCOMPARE(s.closing, yuan(closing));
        QStringList got;
        for (const OwnerStatement::LedgerRow &r : s.rows) {
            got << (QStringList {r.summary, r.balance.toString(), r.note}.join(u' ')).trimmed();
        }
        QCOMPARE(got, summaries);
    }

    // A range cut into the history opens at the balance the whole ledger has at that day, and
    // closes where the next range opens; the difference of older data is in the opening then.
    void rangeInsideTheHistory_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("opening");
        QTest::addColumn<QString>("closing");
        QTest::addColumn<int>("rows");

        QTest::newRow("whole year") << YearStart << YearEnd << u"0"_s << u"168.5"_s << 6;
        QTest::newRow("from September") << QDate(2004, 9, 1) << YearEnd << u"50"_s << u"168.5"_s << 3;
        QTest::newRow("August's payment day to September's bill")
            << QDate(2004, 8, 15) << QDate(2004, 9, 1) << u"150"_s << u"148.5"_s << 2;
        QTest::newRow("a day without movements") << QDate(2004, 8, 20) << QDate(2004, 8, 20) << u"50"_s << u"50"_s << 0;
        QTest::newRow("after everything") << QDate(2005, 1, 1) << QDate(2005, 3, 31) << u"168.5"_s << u"168.5"_s << 0;
        QTest::newRow("before everything") << QDate(2003, 1, 1) << QDate(2003, 12, 31) << u"0"_s << u"0"_s << 0;
    }
    void rangeInsideTheHistory()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, opening);
        QFETCH(QString, closing);
        QFETCH(int, rows);
        // 50 owed from before the program; 100 billed and paid in August, 98.5 and 120 billed
        // later, 100 paid in October.
        addHouse(House, Zhang, Building, u"-50"_s);
        addLine(House, 8, u"物业管理费"_s, u"100"_s, Zhang);
        pay(House, 8, u"100"_s, QDate(2004, 8, 15), u"现金"_s, Zhang);
        addLine(House, 9, u"物业管理费"_s, u"98.5"_s, Zhang);
        addLine(House, 10, u"物业管理费"_s, u"120"_s, Zhang);
        pay(House, 9, u"100"_s, QDate(2004, 10, 3), u"现金"_s, Zhang);

        const OwnerStatement::Statement s = statement(from, to);
        QCOMPARE(s.opening, yuan(opening));
        QCOMPARE(s.closing, yuan(closing));
        QCOMPARE(s.rows.size(), rows);
        QVERIFY(addsUp(s));
        QCOMPARE(statement(to.addDays(1), QDate(2030, 1, 1)).opening, s.closing);
        QCOMPARE(statement(YearStart, QDate(2030, 1, 1)).closing, counterBalance(House));
    }

    // Deposits: each movement with its own balance, ending at 押金; an offset says it does not
    // lower the arrears, and leaves the fee balance alone.
    void deposits_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QStringList>("rows"); // type change balance note
        QTest::addColumn<QString>("opening");

        QTest::newRow("whole year") << YearStart
                                    << QStringList {u"收取 500 500"_s, u"冲抵费用 -80 420 不冲减欠费"_s,
                                                    u"退还 -200 220"_s}
                                    << u"0"_s;
        QTest::newRow("from the offset on")
            << QDate(2004, 8, 10) << QStringList {u"冲抵费用 -80 420 不冲减欠费"_s, u"退还 -200 220"_s} << u"500"_s;
        QTest::newRow("after the refund") << QDate(2004, 9, 2) << QStringList {} << u"220"_s;
    }
    void deposits()
    {
        QFETCH(QDate, from);
        QFETCH(QStringList, rows);
        QFETCH(QString, opening);
        addHouse(House, Zhang);
        addLine(House, 8, u"物业管理费"_s, u"100"_s, Zhang);
        deposit(DepositWords::Received, u"500"_s, QDate(2004, 8, 1));
        deposit(DepositWords::Offset, u"80"_s, QDate(2004, 8, 10));
        deposit(DepositWords::Refunded, u"200"_s, QDate(2004, 9, 1));

        const OwnerStatement::Statement s = statement(from, YearEnd);
        QStringList got;
        for (const OwnerStatement::DepositRow &d : s.deposits) {
            got << QStringList {d.type, d.change.toString(), d.balance.toString(), d.note}.join(u' ').trimmed();
        }
        QCOMPARE(got, rows);
        QCOMPARE(s.depositOpening, yuan(opening));
        QCOMPARE(s.depositClosing, yuan(u"220"_s));
        QCOMPARE(s.deposit, yuan(u"220"_s));
        QCOMPARE(s.closing, counterBalance(House));
        QCOMPARE(s.unpaid.size(), 1);
    }

    // An unpaid line counts as many days overdue as lie between its period's end and the
    // statement's last day; the aging report puts it in the same bucket.
    void agingBoundaries_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("bucket");
        for (const auto &[days, bucket] : QList<QPair<int, int>> {
                 {-5, 0}, {0, 0}, {1, 1}, {30, 1}, {31, 2}, {60, 2}, {61, 3}, {90, 3}, {91, 4}, {400, 4}}) {
            QTest::addRow("%d days", days) << days << bucket;
        }
    }
    void agingBoundaries()
    {
        QFETCH(int, days);
        QFETCH(int, bucket);
        addHouse(House, Zhang, Building, u"12.5"_s);
        addLine(House, 8, u"物业管理费"_s, u"100"_s, Zhang);
        const QDate at = QDate(2004, 8, 31).addDays(days);

        const OwnerStatement::Statement s = statement(YearStart, at);
        QCOMPARE(s.unpaid.size(), 1);
        QCOMPARE(s.unpaid[0].daysOverdue, days);
        OwnerStatement::Aging expected {};
        expected[size_t(bucket)] = yuan(u"100"_s);
        QCOMPARE(s.aging, expected);

        QList<OwnerStatement::AgingRow> rows;
        QString error;
        QVERIFY2(OwnerStatement::aging(dm()->database(), {at, {}, {}}, &rows, &error), qPrintable(error));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].buckets, expected);
        QCOMPARE(rows[0].net(), yuan(u"87.5"_s));
        QCOMPARE(rows[0].earliestMonth, u"2004年8月"_s);
    }

    // The aging report: houses owing at the date, a line paid after it still owed then, the
    // building and minimum 净欠 filters, a deleted house's lines still listed.
    void agingReport_data()
    {
        QTest::addColumn<QDate>("at");
        QTest::addColumn<QString>("building");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QStringList>("houses"); // code total net

        const QDate end(2004, 10, 31);
        QTest::newRow("every house") << end << QString() << QString()
                                     << QStringList {u"A-101 220 200"_s, u"B-202 50 50"_s, u"C-303 30 30"_s};
        QTest::newRow("one building") << end << u"二号楼"_s << QString() << QStringList {u"B-202 50 50"_s};
        QTest::newRow("at least 50 net") << end << QString() << u"50"_s
                                         << QStringList {u"A-101 220 200"_s, u"B-202 50 50"_s};
        QTest::newRow("before the payment of B-202")
            << QDate(2004, 9, 30) << QString() << QString() << QStringList {u"A-101 100 80"_s, u"B-202 100 100"_s};
    }
    void agingReport()
    {
        QFETCH(QDate, at);
        QFETCH(QString, building);
        QFETCH(QString, minimum);
        QFETCH(QStringList, houses);
        addHouse(u"A-101"_s, Zhang, Building, u"20"_s);
        addHouse(u"B-202"_s, u"李四"_s, u"二号楼"_s);
        addLine(u"A-101"_s, 9, u"物业管理费"_s, u"100"_s, Zhang);
        addLine(u"A-101"_s, 10, u"物业管理费"_s, u"120"_s, Zhang);
        addLine(u"B-202"_s, 9, u"物业管理费"_s, u"50"_s, u"李四"_s);
        addLine(u"B-202"_s, 9, u"水费"_s, u"50"_s, u"李四"_s);
        addLine(u"B-202"_s, 10, u"物业管理费"_s, u"-"_s, u"李四"_s);
        pay(u"B-202"_s, 9, u"50"_s, QDate(2004, 10, 5), u"现金"_s, u"李四"_s, u"水费"_s);
        addLine(u"C-303"_s, 10, u"物业管理费"_s, u"30"_s, u"王五"_s); // its house was deleted

        QList<OwnerStatement::AgingRow> rows;
        QString error;
        QVERIFY2(OwnerStatement::aging(dm()->database(),
                                       {at, building, minimum.isEmpty() ? std::nullopt : Money::parse(minimum)}, &rows,
                                       &error),
                 qPrintable(error));
        QStringList got;
        for (const OwnerStatement::AgingRow &r : std::as_const(rows)) {
            got << QStringList {r.houseCode, r.total.toString(), r.net().toString()}.join(u' ');
        }
        QCOMPARE(got, houses);
    }

    // "仅当前业主": across a move-out and a move-in only the occupant's own rows, their balance
    // summed from their first movement; without it the house's whole ledger.
    void currentOwnerOnly()
    {
        addHouse(House, Zhang);
        addLine(House, 7, u"物业管理费"_s, u"100"_s, Zhang);
        addLine(House, 8, u"物业管理费"_s, u"100"_s, Zhang);
        pay(House, 7, u"100"_s, QDate(2004, 7, 20), u"现金"_s, Zhang);
        // 张三 moves out owing August; 李四 moves in.
        QVERIFY(dm()->exec(u"update 房屋资料 set 业主名称='李四' where 房屋代码=?"_s, {House}));
        addLine(House, 9, u"物业管理费"_s, u"100"_s, u"李四"_s);
        addLine(House, 10, u"物业管理费"_s, u"100"_s, u"李四"_s);
        pay(House, 9, u"120"_s, QDate(2004, 9, 15), u"现金"_s, u"李四"_s);

        const OwnerStatement::Statement mine = statement(YearStart, YearEnd, true);
        QCOMPARE(mine.rows.size(), 3);
        for (const OwnerStatement::LedgerRow &r : mine.rows) {
            QCOMPARE(r.owner, u"李四"_s);
        }
        QCOMPARE(mine.closing, yuan(u"80"_s));
        QCOMPARE(mine.unpaid.size(), 1);
        QVERIFY(addsUp(mine));
        QCOMPARE(statement(QDate(2004, 10, 1), YearEnd, true).opening, yuan(u"-20"_s));

        const OwnerStatement::Statement all = statement(YearStart, YearEnd);
        QCOMPARE(all.rows.size(), 6);
        QCOMPARE(all.closing, counterBalance(House));
        QCOMPARE(all.closing, yuan(u"180"_s));
    }

    // Refusals and the empty statement.
    void edges()
    {
        OwnerStatement::Statement s;
        QString error;
        QVERIFY(!OwnerStatement::compute(dm()->database(), {House, YearEnd, YearStart, false}, &s, &error));
        QCOMPARE(error, u"开始日期不能晚于结束日期"_s);

        addHouse(House, Zhang);
        s = statement(YearStart, YearEnd);
        QVERIFY(s.houseFound);
        QVERIFY(s.isEmpty());
        QCOMPARE(s.closing, Money());
        KeepRows out;
        QVERIFY(OwnerStatement::writeRows(s, out, &error));
        QCOMPARE(out.rows.at(1).value(u"texta"_s), u"期末余额（无往来记录）"_s);

        // A house deleted while its lines remain: still owed, by the lines' owner.
        addLine(u"Z-9"_s, 8, u"物业管理费"_s, u"60"_s, u"王五"_s);
        s = statement(YearStart, YearEnd, false, u"Z-9"_s);
        QVERIFY(!s.houseFound);
        QCOMPARE(s.owner, u"王五"_s);
        QCOMPARE(s.closing, yuan(u"60"_s));
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestOwnerStatement)
#include "tst_ownerstatement.moc"
