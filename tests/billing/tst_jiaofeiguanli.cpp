// The payment window and the payment dialog as the operator uses them: the houses with unpaid
// lines of the month, both payments through the dialog, its checks and Enter ring, and what the
// operator sees when the database refuses or another workstation paid first.
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeiguanli_edit.h"
#include "components/report/reportdesigner.h"
#include "estatechecks.h"
#include "modal.h"
#include "paymentfixture.h"
#include "data/installedfiles.h"
#include "typing.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace PaymentFixture;
using Dialog = TForm_jiaofeiguanli_edit;

namespace {
QLineEdit *box(Dialog *d, const char *name)
{
    return d->findChild<QLineEdit *>(QString::fromLatin1(name));
}

// What the operator types into the dialog: the fill-in buttons for date, payer and collector.
void fill(Dialog *d, const QString &method, const QString &paid, const QString &receipt)
{
    QTest::mouseClick(d->findChild<QToolButton *>(u"SpeedButton4"_s), Qt::LeftButton);
    retype(d->findChild<QComboBox *>(u"DBComboBoxEh1"_s), method);
    retype(box(d, "DBEdit9"), paid);
    retype(box(d, "DBEdit13"), receipt);
    QTest::mouseClick(d->findChild<QToolButton *>(u"SpeedButton3"_s), Qt::LeftButton);
    QTest::mouseClick(d->findChild<QToolButton *>(u"SpeedButton5"_s), Qt::LeftButton);
}

void clickOk(Dialog *d)
{
    QTest::mouseClick(d->findChild<QPushButton *>(u"SpeedButton1"_s), Qt::LeftButton);
}

// The control holding the dialog's focus (a drop-down's, when its line edit has it).
QString focused(Dialog *d)
{
    QWidget *w = d->focusWidget();
    return !w ? QString() : w->objectName().isEmpty() ? w->parentWidget()->objectName() : w->objectName();
}

// Runs the script on the payment dialog when it shows; a dialog the script left open (a failed
// check returns early) is closed, so the test goes on.
void inDialog(std::function<void(Dialog *)> script)
{
    whenShown<Dialog>([script](Dialog *d) {
        script(d);
        if (d->isVisible()) {
            d->reject();
        }
    });
}
}

class TestJiaofeiguanli : public QObject, public WindowFixture<TForm_jiaofeiguanli>
{
    Q_OBJECT

    QStringList houseCodes() const
    {
        QStringList codes;
        for (int r = 0; r < window->houses()->recordCount(); ++r) {
            codes << window->houses()->value(r, 0).toString();
        }
        return codes;
    }
    // Pays through the dialog: answers the question with Yes and types the entry.
    void payWith(const char *button, const QString &method, const QString &paid, const QString &receipt)
    {
        prompt->answers.enqueue(true);
        inDialog([=](Dialog *d) {
            fill(d, method, paid, receipt);
            clickOk(d);
        });
        click(button);
    }

private slots:
    void init()
    {
        setUp();
        for (const char *code : {"A-101", "A-102", "A-103", "A-104"}) {
            addHouse(dm(), QString::fromLatin1(code));
        }
        addLine(dm(), u"A-101"_s, 2004, 8, u"物业费"_s, yuan("200"));
        addLine(dm(), u"A-101"_s, 2004, 8, u"水费"_s, yuan("100"));
        addLine(dm(), u"A-102"_s, 2004, 8, u"物业费"_s, yuan("80"), u"李四"_s);
        addLine(dm(), u"A-102"_s, 2004, 8, u"有线电视费"_s, Money(), u"李四"_s);
        addLine(dm(), u"A-103"_s, 2004, 8, u"物业费"_s, yuan("80"));
        PaymentDesk::Outcome why;
        const auto paid = PaymentDesk(dm()->database()).open(key(u"A-103"_s, 2004, 8), {}, &why);
        QVERIFY(paid);
        QCOMPARE(PaymentDesk(dm()->database()).confirm(*paid, entry(u"现金"_s, u"80"_s, u"R0"_s)).result,
                 PaymentDesk::Result::Paid);
        addLine(dm(), u"A-104"_s, 2004, 7, u"物业费"_s, yuan("50"));
        QVERIFY(openWindow());
    }
    void cleanup() { tearDown(); }

    void housesOfTheMonth()
    {
        QCOMPARE(houseCodes(), (QStringList {u"A-101"_s, u"A-102"_s}));
        QCOMPARE(window->stateText(), u"未缴费"_s);
        QCOMPARE(window->details()->recordCount(), 2);
        QCOMPARE(window->details()->text(u"收费名称"_s), u"水费"_s);
        window->monthPicker()->setDate(QDate(2004, 7, 1));
        QCOMPARE(houseCodes(), QStringList {u"A-104"_s});
        QCOMPARE(window->houses()->orderingLine(), u" order by 房屋代码 COLLATE pinyin "_s);
        window->monthPicker()->setDate(QDate(2004, 9, 1));
        QVERIFY(houseCodes().isEmpty());
        QVERIFY(!window->details()->isOpen());
        window->monthPicker()->setDate(QDate(2004, 8, 1));
        retype(edit("Edit1"), u"102"_s);
        QTest::mouseClick(window->findChild<QPushButton *>(u"SpeedButton1"_s), Qt::LeftButton);
        QCOMPARE(houseCodes(), QStringList {u"A-102"_s});
        QCOMPARE(window->houses()->orderingLine(), u" order by 房屋代码 COLLATE pinyin "_s);
        retype(edit("Edit1"), u"103"_s);
        QTest::mouseClick(window->findChild<QPushButton *>(u"SpeedButton1"_s), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), u"没有找到合适的记录！"_s);
        QVERIFY(!window->details()->isOpen());
    }

    // The whole bill: the house drops out of the list; the shared queries are closed again.
    void payWholeBill()
    {
        inDialog([this](Dialog *d) {
            QCOMPARE(d->windowTitle(), u"按单缴费"_s);
            QCOMPARE(box(d, "DBEdit8")->text(), u"300"_s); // 应缴费用
            QCOMPARE(box(d, "DBEdit7")->text(), u"0"_s); // 上次零头
            QCOMPARE(d->focusWidget(), d->findChild<QWidget *>(u"DBDateTimeEditEh1"_s));
            QVERIFY(Dm1::instance()->q_sfhzb->isOpen() && Dm1::instance()->q_change->isOpen());
            fill(d, u"现金"_s, u"300.5"_s, u"R1"_s);
            QCOMPARE(box(d, "DBEdit14")->text(), Owner);
            QCOMPARE(box(d, "DBEdit15")->text(), u"张三"_s);
            prompt->answers.enqueue(true);
            clickOk(d);
        });
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), u"该业主本次零头是：0.5"_s);
        QCOMPARE(houseCodes(), QStringList {u"A-102"_s});
        QCOMPARE(window->details()->text(u"房屋代码"_s), u"A-102"_s);
        QVERIFY(!Dm1::instance()->q_sfhzb->isOpen() && !Dm1::instance()->q_change->isOpen());
        QCOMPARE(dm()->scalar(u"select 缴费人 from 收费明细表 where 收费名称='水费'"_s).toString(), Owner);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // One line, by a double click: the other line stays; a line of amount 0 is not paid.
    void payOneLine()
    {
        QVERIFY(window->details()->text(u"收费名称"_s) == u"水费"_s);
        prompt->answers.enqueue(true);
        inDialog([](Dialog *d) {
            QCOMPARE(d->windowTitle(), u"单笔缴费"_s);
            QCOMPARE(box(d, "DBEdit8")->text(), u"100"_s);
            fill(d, u"银行转帐"_s, u"100"_s, u"R1"_s);
            clickOk(d);
        });
        emit window->detailGrid()->rowDoubleClicked();
        QCOMPARE(prompt->lastText(), u"该业主本次零头是：0"_s);
        QCOMPARE(houseCodes(), (QStringList {u"A-101"_s, u"A-102"_s}));
        QCOMPARE(window->details()->recordCount(), 1);
        QCOMPARE(window->details()->text(u"收费名称"_s), u"物业费"_s);

        // In pinyin order 物业费 (wu) comes before 有线电视费 (you).
        window->houses()->last();
        window->details()->moveTo(1);
        QCOMPARE(window->details()->text(u"收费名称"_s), u"有线电视费"_s);
        prompt->clear();
        click("SpeedButton3");
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(records(dm()), 2);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // A record paid with "未缴费" is found again with what it holds, and its effect replaced.
    void reusedRecord()
    {
        payWith("bitbtn_add", u"未缴费"_s, u"100"_s, u"R1"_s);
        QCOMPARE(prompt->lastText(), u"该业主本次零头是：100"_s);
        QCOMPARE(houseCodes(), (QStringList {u"A-101"_s, u"A-102"_s}));
        prompt->answers.enqueue(true);
        inDialog([](Dialog *d) {
            QCOMPARE(box(d, "DBEdit9")->text(), u"100"_s);
            QCOMPARE(d->findChild<QComboBox *>(u"DBComboBoxEh1"_s)->currentText(), u"未缴费"_s);
            QCOMPARE(box(d, "DBEdit8")->text(), u"300"_s);
            QCOMPARE(box(d, "DBEdit7")->text(), u"100"_s);
            fill(d, u"现金"_s, u"300"_s, u"R1"_s);
            clickOk(d);
        });
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), u"该业主本次零头是：0"_s);
        QCOMPARE(records(dm()), 2);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // The checks run after the question, in the dialog's order, each focusing its box; the
    // dialog stays open with what was typed. A No, "返回" and the frame close save nothing.
    void refusals_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("paid");
        QTest::addColumn<bool>("payer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("转帐") << u"转帐"_s << u"1"_s << true << u"缴费方式不正确，请重新选择！"_s << u"DBComboBoxEh1"_s;
        QTest::newRow("no payer") << u"现金"_s << u""_s << false << u"请输入缴费人！"_s << u"DBEdit14"_s;
        QTest::newRow("no amount") << u"现金"_s << u""_s << true << u"请输入实缴金额！"_s << u"DBEdit9"_s;
        QTest::newRow("five decimals") << u"现金"_s << u"3.00001"_s << true
                                       << u"实缴金额不正确：只能是零或正数，最多四位小数！"_s << u"DBEdit9"_s;
    }
    void refusals()
    {
        QFETCH(QString, method);
        QFETCH(QString, paid);
        QFETCH(bool, payer);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        inDialog([&](Dialog *d) {
            fill(d, method, paid, u"R1"_s);
            if (!payer) {
                retype(box(d, "DBEdit14"), {});
            }
            prompt->answers.enqueue(false);
            clickOk(d);
            QCOMPARE(prompt->shown.size(), 1); // the question alone
            prompt->answers.enqueue(true);
            clickOk(d);
            QCOMPARE(prompt->lastText(), message);
            QCOMPARE(focused(d), focus);
            QVERIFY(d->isVisible());
            QCOMPARE(box(d, "DBEdit9")->text(), paid);
            QTest::mouseClick(d->findChild<QPushButton *>(u"SpeedButton2"_s), Qt::LeftButton);
        });
        click("bitbtn_add");
        inDialog([](Dialog *d) {
            fill(d, u"现金"_s, u"300"_s, u"R1"_s);
            d->close();
        });
        click("bitbtn_add");
        QCOMPARE(records(dm()), 1);
        QCOMPARE(unpaidLines(dm(), u"A-101"_s), 2);
        QCOMPARE(houseCodes(), (QStringList {u"A-101"_s, u"A-102"_s}));
    }

    // Enter leads from the date down the fields; in the remarks it starts a new line, as in
    // every remark field.
    void enterRing()
    {
        inDialog([](Dialog *d) {
            QStringList visited;
            for (int i = 0; i < 10; ++i) {
                QTest::keyClick(d->focusWidget(), Qt::Key_Return);
                visited << focused(d);
            }
            QCOMPARE(visited.join(u' '),
                     u"DBComboBoxEh1 DBEdit9 DBEdit10 DBEdit11 DBEdit12 DBEdit13 DBEdit14 "
                     "DBEdit15 DBMemo1 DBMemo1"_s);
            QCOMPARE(d->findChild<QPlainTextEdit *>(u"DBMemo1"_s)->toPlainText(), u"\n"_s);
            d->reject();
        });
        click("bitbtn_add");
    }

    // The database refuses the balance: nothing changes, the reason is shown, the dialog keeps
    // what was typed and pays once the cause is gone.
    void databaseRefusal()
    {
        QVERIFY(
            dm()->exec(u"create trigger fault before update on 房屋资料 begin select raise(abort, '磁盘已满'); end"_s));
        inDialog([this](Dialog *d) {
            fill(d, u"现金"_s, u"300"_s, u"R1"_s);
            prompt->answers.enqueue(true);
            clickOk(d);
            QVERIFY2(prompt->lastText().contains(u"磁盘已满"_s), qPrintable(prompt->lastText()));
            QVERIFY(d->isVisible());
            QCOMPARE(records(dm()), 1);
            QCOMPARE(unpaidLines(dm(), u"A-101"_s), 2);
            QVERIFY(dm()->exec(u"drop trigger fault"_s));
            prompt->answers.enqueue(true);
            clickOk(d);
        });
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), u"该业主本次零头是：0"_s);
        ESTATE_HOLDS(EstateChecks::all(dm()));
    }

    // Another workstation paid the house while the dialog was open: nothing is written, the
    // operator is told, and the house leaves the list.
    void paidElsewhereMeanwhile()
    {
        inDialog([this](Dialog *d) {
            PaymentDesk::Outcome why;
            const PaymentDesk elsewhere(dm()->database());
            const auto draft = elsewhere.open(key(u"A-101"_s, 2004, 8), u"一单元"_s, &why);
            QVERIFY(draft);
            QCOMPARE(elsewhere.confirm(*draft, entry(u"现金"_s, u"300"_s, u"R9"_s)).result, PaymentDesk::Result::Paid);
            fill(d, u"现金"_s, u"300"_s, u"R1"_s);
            prompt->answers.enqueue(true);
            clickOk(d);
        });
        click("bitbtn_add");
        QVERIFY(prompt->lastText().contains(u"其他操作员"_s));
        QCOMPARE(records(dm()), 2);
        QCOMPARE(odd(dm(), u"A-101"_s), Money());
        QCOMPARE(houseCodes(), QStringList {u"A-102"_s});
    }

    void houseNotFound()
    {
        QVERIFY(dm()->exec(u"update 房屋资料 set 楼宇名称='二号楼' where 房屋代码='A-101'"_s));
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), u"没有发现这个房屋代码，请确认后重试！"_s);
        QCOMPARE(prompt->shown.constLast().icon, Prompt::Icon::Warning);
        QVERIFY(!Dm1::instance()->q_sfhzb->isOpen());
    }

    // "打印" prints the notice of the shown lines, "设计" opens its template.
    void notice()
    {
        QDir(home->path()).mkpath(u"report"_s);
        QVERIFY(
            QFile::copy(InstalledFiles::find(u"report/缴费通知单.frf"_s), home->path() + u"/report/缴费通知单.frf"_s));
        prompt->pdfFiles.enqueue(home->path() + u"/notice.pdf"_s);
        click("bitbtn_print");
        QCOMPARE(prompt->printed, 1);
        QVERIFY(prompt->shown.isEmpty());
        bool designed = false;
        whenShown<ReportDesigner>([&](ReportDesigner *d) {
            designed = true;
            d->reject();
        });
        click("SpeedButton2");
        QVERIFY(designed);
    }
};

QTEST_MAIN(TestJiaofeiguanli)
#include "tst_jiaofeiguanli.moc"
