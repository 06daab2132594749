// What an operator types and reads across the windows, on the demo estate: every number typed
// is judged by one rule and refused naming its field, with what was typed left in place; days
// read as every date of the program does; the small dialogs are framed and spaced as dialogs.
#include "admin/qxb_edit.h"
#include "app/setup.h"
#include "app/windowregistry.h"
#include "components/common/dialogframe.h"
#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"
#include "components/dbctrls/dbcontrol.h"
#include "components/grid/dbgrideh.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "demo/demo.h"
#include "listwindow/formulapages.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "temphome.h"
#include "typing.h"

#include <QAbstractButton>
#include <QAction>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
// An editor of the window by its object name; "物业管理费/单价" is the formula page's editor of
// 单价 on the detail row of that fee.
QLineEdit *editorOf(QDialog *window, const QString &name)
{
    if (!name.contains(u'/')) {
        return window->findChild<QLineEdit *>(name);
    }
    auto *pages = window->findChild<FormulaPages *>();
    DataSet *rows = pages ? pages->dataSet() : nullptr;
    if (!rows) {
        return nullptr;
    }
    for (int r = 0; r < rows->recordCount(); ++r) {
        if (rows->value(r, rows->fieldIndex(u"收费名称"_s)).toString() == name.section(u'/', 0, 0)) {
            rows->moveTo(r);
            return qobject_cast<QLineEdit *>(pages->editor(pages->currentFormula(), name.section(u'/', 1)));
        }
    }
    return nullptr;
}

void click(QDialog *window, const QString &button)
{
    auto *b = window->findChild<QAbstractButton *>(button);
    QVERIFY2(b, qPrintable(button));
    QTest::mouseClick(b, Qt::LeftButton);
}
}

class TestOperatorEntry : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> m_home;
    ScriptedPrompt *m_prompt = nullptr;

    // The window of the registry, prepared as the menu prepares it, and shown.
    std::unique_ptr<QDialog> open(const QString &window, std::unique_ptr<Preparation> *preparation)
    {
        std::unique_ptr<QDialog> w(WindowRegistry::create(window, nullptr));
        *preparation = std::make_unique<Preparation>(w.get());
        if (!(*preparation)->run()) {
            return {};
        }
        w->show();
        return QTest::qWaitForWindowExposed(w.get()) ? std::move(w) : nullptr;
    }

private slots:
    void initTestCase()
    {
        WindowRegistry::registerAll();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 0)));
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        m_home->dm()->session().currentOperator = u"张三"_s;
        QString error;
        QVERIFY2(Demo::fill(m_home->dm(), &error), qPrintable(error));
    }
    void cleanupTestCase()
    {
        m_home.reset();
        Clock::setFixed({});
    }
    void init() { m_prompt = ScriptedPrompt::install(); }
    // One rule for every number typed: at most four decimals for amounts and numbers, none for
    // counts; areas, prices, counts and the amounts of deposits zero or more; nothing beyond
    // what can be stored. The window refuses it when it saves, naming the field by its label
    // (or with its own message where it has one), and the typed text stays.
    void typedNumbersFollowOneRule_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("start"); // the button that starts editing; empty for none
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *tag, const char *window, const char *start, const char *editor,
                            const char *typed, const char *save, const char *message) {
            QTest::newRow(tag) << QString::fromUtf8(window) << QString::fromUtf8(start) << QString::fromUtf8(editor)
                               << QString::fromUtf8(typed) << QString::fromUtf8(save) << QString::fromUtf8(message);
        };
        const char *storey = "TForm_storeyinfo";
        row("floors with a point", storey, "bitbtn_add", "DBNumberEditEh2", "3.5", "bitbtn_save",
            "“楼宇层数”只能是整数！");
        row("floors among letters", storey, "bitbtn_add", "DBNumberEditEh2", "abc3.5x", "bitbtn_save",
            "“楼宇层数”只能是整数！");
        row("floors below zero", storey, "bitbtn_add", "DBNumberEditEh2", "-5", "bitbtn_save",
            "“楼宇层数”不能小于零！");
        row("houses beyond a long integer", storey, "bitbtn_add", "DBNumberEditEh5", "2147483648", "bitbtn_save",
            "“房屋数量”太大，超出了可以保存的范围！");
        row("area below zero", "TForm_houseinfo", "bitbtn_add", "DBNumberEditEh2", "-1", "bitbtn_save",
            "“房屋面积”不能小于零！");
        row("price with six decimals", "TForm_iteminfo", "bitbtn_add", "DBNumberEditEh1", "0.123456", "bitbtn_save",
            "“单价(比例)”最多四位小数！");
        row("price below zero", "TForm_iteminfo", "bitbtn_add", "DBNumberEditEh1", "-1", "bitbtn_save",
            "“单价(比例)”不能小于零！");
        const char *deposits = "TForm_yajin";
        row("deposit with five decimals", deposits, "bitbtn_add", "DBNumberEditEh1", "1.23456", "bitbtn_save",
            "“金额”最多四位小数！");
        row("deposit below zero", deposits, "bitbtn_add", "DBNumberEditEh1", "-1", "bitbtn_save", "“金额”不能小于零！");
        row("deposit with an exponent", deposits, "bitbtn_add", "DBNumberEditEh1", "1e5", "bitbtn_save",
            "“金额”只能是数字！");
        row("deposit beyond the range", deposits, "bitbtn_add", "DBNumberEditEh1", "10000000000000", "bitbtn_save",
            "“金额”太大，超出了可以保存的范围！");
        row("days with a point", "TForm_txcsb", "", "DBEdit1", "3.5", "BitBtn1", "“提前报警天数”只能是整数！");
        row("days below zero", "TForm_txcsb", "", "DBEdit1", "-1", "BitBtn1",
            "提前提醒天数必须大于等于零，请重新输入！");
        row("house fee price", "TForm_houseitem", "", "物业管理费/单价", "0.123456", "SpeedButton3",
            "“单价”最多四位小数！");
        row("house fee area below zero", "TForm_houseitem", "", "物业管理费/预付金额", "-1", "SpeedButton3",
            "“面积”不能小于零！");
    }
    void typedNumbersFollowOneRule()
    {
        QFETCH(QString, window);
        QFETCH(QString, start);
        QFETCH(QString, editor);
        QFETCH(QString, typed);
        QFETCH(QString, save);
        QFETCH(QString, message);
        std::unique_ptr<Preparation> preparation;
        const std::unique_ptr<QDialog> w = open(window, &preparation);
        QVERIFY(w);
        if (!start.isEmpty()) {
            click(w.get(), start);
        }
        QLineEdit *box = editorOf(w.get(), editor);
        QVERIFY2(box, qPrintable(editor));
        retype(box, typed);
        QCOMPARE(box->text(), typed);
        QVERIFY(m_prompt->shown.isEmpty());
        click(w.get(), save);
        QCOMPARE(m_prompt->texts(), QStringList(message));
        QCOMPARE(box->text(), typed);
        QVERIFY(box->hasFocus());
        // Nothing of it reached the row.
        QVERIFY(DBControl::of(box)->isModified());
        w->reject();
    }

    // A house's bill lines read in one order wherever they are shown: fee names in pinyin order
    // (电费 before 公共设施维护费 before 停车费), not in the order of their character codes.
    void aHousesLinesInPinyinOrder_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("业主应缴费用管理") << u"TForm_jiaofeidan"_s;
        QTest::newRow("业主缴费明细查询") << u"TForm_jiaofeimingxi"_s;
        QTest::newRow("业主缴费管理") << u"TForm_jiaofeiguanli"_s;
    }
    void aHousesLinesInPinyinOrder()
    {
        QFETCH(QString, window);
        // The demo estate's fees in pinyin order.
        const QStringList pinyin = {u"电费"_s,   u"公共设施维护费"_s, u"垃圾清运费"_s, u"水费"_s,  u"停车费"_s,
                                    u"卫生费"_s, u"物业管理费"_s,     u"有线电视费"_s, u"滞纳金"_s};
        std::unique_ptr<Preparation> preparation;
        const std::unique_ptr<QDialog> w = open(window, &preparation);
        QVERIFY(w);
        auto *detail = w->findChild<DBGridEh *>(u"DBGridEh2"_s);
        QVERIFY(detail && detail->dataSet());
        DataSet *houses = w->findChild<DBGridEh *>(u"DBGridEh1"_s)->dataSet();
        int checked = 0;
        for (int h = 0; h < houses->recordCount() && checked < 5; ++h) {
            houses->moveTo(h);
            const DataSet *lines = detail->dataSet();
            QStringList names;
            for (int r = 0; r < lines->recordCount(); ++r) {
                names << lines->value(r, lines->fieldIndex(u"收费名称"_s)).toString();
            }
            if (names.size() < 3) {
                continue;
            }
            QStringList sorted = names;
            std::stable_sort(sorted.begin(), sorted.end(), [&pinyin](const QString &a, const QString &b) {
                return pinyin.indexOf(a) < pinyin.indexOf(b);
            });
            QCOMPARE(names, sorted);
            ++checked;
        }
        QVERIFY(checked > 0);
        w->reject();
    }

    // Days are picked and read as every date of the program: 2004-08-15.
    void dayPickersReadLikeEveryDate_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("deposit detail") << u"TForm_yajin_mingxi"_s;
        QTest::newRow("deposit summary") << u"TForm_yajin_sum"_s;
    }
    void dayPickersReadLikeEveryDate()
    {
        QFETCH(QString, window);
        std::unique_ptr<Preparation> preparation;
        const std::unique_ptr<QDialog> w = open(window, &preparation);
        QVERIFY(w);
        for (const char *name : {"DateTimePicker1", "DateTimePicker2"}) {
            auto *picker = w->findChild<QDateEdit *>(QString::fromLatin1(name));
            QVERIFY(picker);
            QCOMPARE(picker->text(), u"2004-08-15"_s);
        }
        w->reject();
    }

    // The small dialogs have a dialog's title bar (no minimise or maximise button) and their
    // buttons stand apart by the platform's spacing.
    void smallDialogsAreDialogs_data()
    {
        QTest::addColumn<QString>("window");
        for (const QString &name : WindowRegistry::classNames()) {
            std::unique_ptr<QDialog> w(WindowRegistry::create(name, nullptr));
            if (qobject_cast<FixedDialog *>(w.get())) {
                QTest::newRow(qPrintable(name)) << name;
            }
        }
        QTest::newRow("TForm_qxb_edit") << u"TForm_qxb_edit"_s;
    }
    void smallDialogsAreDialogs()
    {
        QFETCH(QString, window);
        std::unique_ptr<Preparation> preparation;
        const std::unique_ptr<QDialog> w =
            window == u"TForm_qxb_edit"_s ? std::make_unique<TForm_qxb_edit>() : open(window, &preparation);
        QVERIFY(w);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const Qt::WindowFlags flags = w->windowHandle()->flags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        // What the window manager is told: a title (and a close box where there is one), never a
        // minimise or maximise button, nor the default decorations that bring them.
        using namespace DialogFrame;
        const MotifHints frame = hints(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(frame[0], quint32(HintFunctions | HintDecorations));
        QVERIFY(frame[2] & DecorationTitle);
        QVERIFY(!(frame[1] & (FunctionMinimize | FunctionMaximize | FunctionResize)));
        QVERIFY(!(frame[2] & (DecorationMinimize | DecorationMaximize | DecorationResizeHandle)));
        QCOMPARE(bool(frame[1] & FunctionClose), bool(flags & Qt::WindowCloseButtonHint));

        int spacing = w->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, w.get());
        if (spacing < 0) {
            spacing = w->style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal);
        }
        QList<QAbstractButton *> buttons;
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            // The buttons of the dialog, not the small "…" beside a field.
            if (b->isVisible() && (qobject_cast<QPushButton *>(b) || qobject_cast<QToolButton *>(b))
                && b->text() != u"…"_s) {
                buttons << b;
            }
        }
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton *a, QAbstractButton *b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (int i = 1; i < buttons.size(); ++i) {
            const QRect a(buttons[i - 1]->mapToGlobal(QPoint()), buttons[i - 1]->size());
            const QRect b(buttons[i]->mapToGlobal(QPoint()), buttons[i]->size());
            if (a.top() > b.bottom() || b.top() > a.bottom()) {
                continue; // not in one row
            }
            QVERIFY2(b.left() - a.right() - 1 >= spacing,
                     qPrintable(buttons[i - 1]->text() + u" and "_s + buttons[i]->text() + u" touch"_s));
        }
        w->reject();
    }

    // The save and open dialogs speak Chinese, down to the type of a folder; only the names of
    // files and folders and the export's file types (as the program names them) are not. Last:
    // the program's own set-up (its translations) stays for the rest of the run.
    void fileDialogsSpeakChinese_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("open") << false;
    }
    void fileDialogsSpeakChinese()
    {
        QFETCH(bool, save);
        setUpApplication(*qApp);
        Prompt::setHandler(nullptr);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        QFile file(dir.path() + u"/file.txt"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
        file.close();
        QStringList english;
        whenShown<QFileDialog>([&english](QFileDialog *d) {
            auto *details = d->findChild<QTreeView *>(u"treeView"_s);
            QTRY_COMPARE(details->model()->rowCount(details->rootIndex()), 2);
            QStringList texts {d->windowTitle()};
            for (const QLabel *l : d->findChildren<QLabel *>()) {
                texts << l->text();
            }
            for (const QAbstractButton *b : d->findChildren<QAbstractButton *>()) {
                texts << b->text() << b->toolTip();
            }
            for (const QAction *a : d->findChildren<QAction *>()) {
                texts << a->text();
            }
            const QAbstractItemModel *m = details->model();
            for (int c = 0; c < m->columnCount(details->rootIndex()); ++c) {
                texts << m->headerData(c, Qt::Horizontal).toString();
                for (int r = 0; c > 0 && r < m->rowCount(details->rootIndex()); ++r) {
                    texts << m->index(r, c, details->rootIndex()).data().toString();
                }
            }
            // An accelerator key ("保存(&S)") is no English.
            static const QRegularExpression accelerator(u"\\(&[A-Z]\\)"_s);
            for (QString &t : texts) {
                t.remove(accelerator);
            }
            static const QRegularExpression latin(u"[A-Za-z]"_s);
            english = texts.filter(latin);
            d->reject();
        });
        const QStringList types {u"Text files (*.txt)"_s, u"Microsoft Excel Workbook (*.xls)"_s};
        if (save) {
            Prompt::saveFile(nullptr, u"导出"_s, dir.path() + u"/file1"_s, types);
        } else {
            Prompt::openFile(nullptr, u"恢复数据库文件"_s, dir.path(), types);
        }
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u" | "_s)));
    }
};

QTEST_MAIN(TestOperatorEntry)
#include "tst_operatorentry.moc"
