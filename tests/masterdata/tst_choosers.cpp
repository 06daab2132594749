#include "masterdata/choosehouse.h"
#include "masterdata/xzyz.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "data/dm1.h"
#include "temphome.h"
#include "typing.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The house and owner choosers: search, sorting, and what each caller receives.
class TestChoosers : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;

    Dm1 *dm() const { return home->dm(); }

    static QStringList column(DataSet *q, const QString &field)
    {
        QStringList out;
        for (int r = 0; r < q->recordCount(); ++r) {
            out << q->value(r, q->fieldIndex(field)).toString();
        }
        return out;
    }

    // A caller's row: one stored record of table, current and browsing, with every copied
    // field holding "旧" so that a copy of an empty value shows.
    std::unique_ptr<DataSet> callerRow(const QString &table, const QStringList &fields)
    {
        QStringList names;
        QVariantList values;
        for (const QString &f : fields) {
            names << f;
            values << QStringLiteral("旧");
        }
        names << QStringLiteral("备注");
        values << QStringLiteral("不动");
        const QString marks = QStringList(QList<QString>(names.size(), QStringLiteral("?"))).join(QLatin1Char(','));
        [&] {
            QVERIFY(dm()->exec(
                QStringLiteral("insert into %1 (%2) values (%3)").arg(table, names.join(QLatin1Char(',')), marks),
                values));
        }();
        auto q = std::make_unique<DataSet>();
        q->addLine(QStringLiteral("select * from ") + table);
        [&] { QVERIFY(q->open()); }();
        return q;
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        const QList<QStringList> houses = {
            {QStringLiteral("B-202"), QStringLiteral("翠园2号楼"), QStringLiteral("二单元"), QStringLiteral("李四")},
            {QStringLiteral("A-101"), QStringLiteral("翠园1号楼"), QStringLiteral("一单元"), QStringLiteral("张三")},
            {QStringLiteral("A-102'%"), QStringLiteral("翠园1号楼"), QStringLiteral("一单元"), QString()},
        };
        for (const QStringList &h : houses) {
            QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称, 楼宇单元, 业主名称, 房屋名称, "
                                              "房屋位置) values (?, ?, ?, ?, ?, ?)"),
                               {h[0], h[1], h[2], h[3], QString(h[0] + QStringLiteral("室")), QString()}));
        }
        QVERIFY(
            dm()->exec(QStringLiteral("insert into 业主资料 (业主名称, 身份证号, 联系电话, 工作单位, 联系地址) "
                                      "values ('张三', '330101', '138', '', '翠园1号楼'), ('Tom', '', '', '', '')")));
    }
    void cleanup() { home.reset(); }

    // Letters become capitals as they are typed; the text is found anywhere in the code, as
    // typed (an apostrophe or % finds itself); an empty box lists every house; nothing found
    // shows no message.
    void houseSearch_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("letters upper-cased") << "a-1"
                                             << "A-1" << QStringList {"A-101", "A-102'%"};
        QTest::newRow("empty box: all") << ""
                                        << "" << QStringList {"A-101", "A-102'%", "B-202"};
        QTest::newRow("apostrophe") << "'"
                                    << "'" << QStringList {"A-102'%"};
        QTest::newRow("percent is literal") << "1%"
                                            << "1%" << QStringList {};
        QTest::newRow("nothing found") << "zz"
                                       << "ZZ" << QStringList {};
    }
    void houseSearch()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QStringList, codes);
        TForm_choosehouse chooser;
        Preparation prepared(&chooser);
        QVERIFY(prepared.run());
        auto *box = chooser.findChild<QLineEdit *>(QStringLiteral("Edit1"));
        typeText(box, typed);
        QCOMPARE(box->text(), shown);
        QTest::mouseClick(chooser.findChild<QPushButton *>(QStringLiteral("bitbtn_find")), Qt::LeftButton);
        QCOMPARE(column(chooser.rows(), QStringLiteral("房屋代码")), codes);
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(chooser.rows()->sql().constLast(), QStringLiteral("order by 房屋代码 COLLATE pinyin"));
    }

    // The one search mode cannot be replaced by typed text.
    void searchModeIsFixed()
    {
        TForm_choosehouse houses;
        TForm_xzyz owners;
        for (QDialog *d : {static_cast<QDialog *>(&houses), static_cast<QDialog *>(&owners)}) {
            auto *mode = d->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh1"));
            QVERIFY(!mode->isEditable());
            QCOMPARE(mode->count(), 1);
        }
        QCOMPARE(houses.findChild<QComboBox *>(QStringLiteral("DBComboBoxEh1"))->currentText(),
                 QStringLiteral("按房屋代码查找"));
        QCOMPARE(owners.findChild<QComboBox *>(QStringLiteral("DBComboBoxEh1"))->currentText(),
                 QStringLiteral("按业主名称查找"));
    }

    // Sorting before any search re-orders the starting list: only the ordering line changes.
    void titleClickSortsTheStartingList()
    {
        TForm_choosehouse chooser;
        Preparation prepared(&chooser);
        QVERIFY(prepared.run());
        const int code = 1;
        chooser.grid()->clickTitle(code, false);
        chooser.grid()->clickTitle(code, false);
        QCOMPARE(chooser.rows()->sql().constFirst(), QStringLiteral("select * from 房屋资料 "));
        QCOMPARE(column(chooser.rows(), QStringLiteral("房屋代码")), (QStringList {"B-202", "A-102'%", "A-101"}));
        chooser.grid()->clickTitle(0, false);
        QCOMPARE(column(chooser.rows(), QStringLiteral("楼宇名称")).constFirst(), QStringLiteral("翠园1号楼"));
    }

    // "选中" (or a double-click) copies the caller's fields, empty ones included, into the
    // caller's row and closes; an unknown caller gets nothing and the chooser stays open.
    void houseGoesToItsCaller_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<bool>("chosen");
        const QStringList lease = {"楼宇名称", "楼宇单元", "房屋名称", "房屋代码", "房屋位置"};
        const QStringList deposit = {"楼宇名称", "楼宇单元", "业主名称", "房屋代码"};
        QTest::newRow("move-in") << "houselease"
                                 << "房屋租赁表" << lease << false << true;
        QTest::newRow("move-in by double-click") << "houselease"
                                                 << "房屋租赁表" << lease << true << true;
        QTest::newRow("deposit") << "yajin"
                                 << "押金明细表" << deposit << false << true;
        QTest::newRow("other caller") << "jiaofei"
                                      << "押金明细表" << deposit << false << false;
    }
    void houseGoesToItsCaller()
    {
        QFETCH(QString, tag);
        QFETCH(QString, table);
        QFETCH(QStringList, fields);
        QFETCH(bool, doubleClick);
        QFETCH(bool, chosen);
        auto target = callerRow(table, fields);
        TForm_choosehouse chooser;
        chooser.setCaller(tag, target.get());
        Preparation prepared(&chooser);
        QVERIFY(prepared.run());
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        chooser.rows()->moveTo(1); // A-102'%: no owner, no location
        if (doubleClick) {
            QTableView *grid = chooser.grid();
            const QRect cell = grid->visualRect(grid->model()->index(1, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::mouseClick(chooser.findChild<QPushButton *>(QStringLiteral("bitbtn_choose")), Qt::LeftButton);
        }
        QCOMPARE(chooser.isVisible(), !chosen);
        QCOMPARE(target->isEditing(), chosen);
        for (const QString &f : fields) {
            const QString expected = !chosen ? QStringLiteral("旧") : chooser.rows()->text(f);
            QCOMPARE(target->text(f), expected);
        }
        QCOMPARE(target->text(QStringLiteral("备注")), QStringLiteral("不动"));
        if (chosen) {
            QCOMPARE(target->text(QStringLiteral("房屋代码")), QStringLiteral("A-102'%"));
            // Only the move-in's table has a location; the deposit's has none to read.
            if (target->hasField(QStringLiteral("房屋位置"))) {
                QCOMPARE(target->text(QStringLiteral("房屋位置")), QString());
            }
        }
    }

    // The whole round as a caller makes it: the owners are loaded, the chooser shown modally,
    // the chosen owner's five fields copied (an empty employer too), the query closed after.
    void ownerChooserRoundTrip()
    {
        const QStringList fields = {"业主名称", "身份证号", "工作单位", "联系地址", "联系电话"};
        auto target = callerRow(QStringLiteral("房屋租赁表"), fields);
        whenShown<TForm_xzyz>([](TForm_xzyz *c) {
            QCOMPARE(c->callerTag(), QStringLiteral("houselease"));
            QCOMPARE(c->rows()->sql(), (QStringList {"select * from 业主资料 ", "order by 业主名称 COLLATE pinyin"}));
            const QStringList names = column(c->rows(), QStringLiteral("业主名称"));
            c->rows()->moveTo(int(names.indexOf(QStringLiteral("张三"))));
            QTest::mouseClick(c->findChild<QPushButton *>(QStringLiteral("bitbtn_choose")), Qt::LeftButton);
        });
        QVERIFY(TForm_xzyz::choose(nullptr, QStringLiteral("houselease"), target.get()));
        QVERIFY(!dm()->q_guestinfo->isOpen());
        QCOMPARE(target->text(QStringLiteral("业主名称")), QStringLiteral("张三"));
        QCOMPARE(target->text(QStringLiteral("工作单位")), QString());
        QCOMPARE(target->text(QStringLiteral("联系地址")), QStringLiteral("翠园1号楼"));
        QVERIFY(target->post());
        QCOMPARE(dm()->scalar(QStringLiteral("select 身份证号 from 房屋租赁表")).toString(), QStringLiteral("330101"));

        // "返回" copies nothing.
        whenShown<TForm_xzyz>([](TForm_xzyz *c) {
            QTest::mouseClick(c->findChild<QPushButton *>(QStringLiteral("SpeedButton4")), Qt::LeftButton);
        });
        QVERIFY(!TForm_xzyz::choose(nullptr, QStringLiteral("houselease"), target.get()));
        QVERIFY(!target->isEditing());
    }
};

QTEST_MAIN(TestChoosers)
#include "tst_choosers.moc"
