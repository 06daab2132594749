#include "components/dbctrls/dbcombobox.h"
#include "masterdata/iteminfo.h"
#include "typing.h"
#include "windowfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// The fee-item catalogue: its save rules in their order, the common amount's visibility, and
// the Enter ring's branch.
class TestItemInfo : public QObject, private WindowFixture<TForm_iteminfo>
{
    Q_OBJECT
private:
    QWidget *amountBox() const { return field("DBNumberEditEh2"); }
    QLabel *amountLabel() const { return window->findChild<QLabel *>(QStringLiteral("Label9")); }

    void addItem(const QString &name, const QString &category, const QString &formula = QStringLiteral("单价*数量"))
    {
        QVERIFY(dm()->exec(
            QStringLiteral(
                "insert into 收费项目 (收费名称, 计算公式, 收费类别, 金额, 停止收费) values (?, ?, ?, 150000, '否')"),
            {name, formula, category}));
    }

    void setCombo(const char *name, const QString &text) { retype(field(name), text); }

    QString storedField(const QString &name, const QString &field) const
    {
        return dm()->scalar(QStringLiteral("select %1 from 收费项目 where 收费名称 = ?").arg(field), {name}).toString();
    }

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

    // A new item through every rule of "存盘", in their order: the first failing rule's
    // message and field, or what is stored.
    void saveRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("stopped");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("stored"); // 收费名称, 计算公式, 收费面积, 收费类别, 停止收费

        const QString same = QStringLiteral("业主收费金额相同"), differ = QStringLiteral("业主收费金额不同");
        const QString area = QStringLiteral("单价*面积");
        QTest::newRow("same amount becomes the direct amount")
            << "卫生费" << area << "房屋面积" << same << "15"
            << "否"
            << ""
            << "" << QStringList {"卫生费", "直接输入金额", "", same, "否"};
        QTest::newRow("area rule before the category rewrite") << "卫生费" << area << "" << same << "15"
                                                               << "否"
                                                               << "计算公式等于单价*面积时,请选择正确的收费面积!"
                                                               << "DBComboBoxEh1" << QStringList {};
        QTest::newRow("formula with a trailing blank meets the area rule")
            << "物业费"
            << "单价*面积 "
            << "" << differ << ""
            << ""
            << "计算公式等于单价*面积时,请选择正确的收费面积!"
            << "DBComboBoxEh1" << QStringList {};
        QTest::newRow("same amount needs an amount") << "卫生费"
                                                     << "直接输入金额"
                                                     << "" << same << "0"
                                                     << ""
                                                     << "收费类别等于业主收费金额相同时,请输入收费金额!"
                                                     << "DBNumberEditEh2" << QStringList {};
        QTest::newRow("same amount refuses a negative one") << "卫生费"
                                                            << "直接输入金额"
                                                            << "" << same << "-5"
                                                            << ""
                                                            << "收费类别等于业主收费金额相同时,请输入收费金额!"
                                                            << "DBNumberEditEh2" << QStringList {};
        QTest::newRow("category with blanks is the same-amount one")
            << "卫生费" << area << "公摊面积"
            << " 业主收费金额相同 "
            << "15"
            << ""
            << ""
            << "" << QStringList {"卫生费", "直接输入金额", "", same, "否"};
        QTest::newRow("differing amount needs none") << "物业费" << area << "公摊面积" << differ << ""
                                                     << "是"
                                                     << ""
                                                     << "" << QStringList {"物业费", area, "公摊面积", differ, "是"};
        QTest::newRow("formula outside the five stored as typed, trimmed")
            << " 装修押金 "
            << " 单价*体积 "
            << ""
            << ""
            << ""
            << "停"
            << ""
            << "" << QStringList {"装修押金", "单价*体积", "", differ, "否"};
        QTest::newRow("stopped with a blank stays stopped")
            << "水费"
            << "单价*(本月数-上月数)"
            << "" << differ << ""
            << " 是"
            << ""
            << "" << QStringList {"水费", "单价*(本月数-上月数)", "", differ, "是"};
        // A name is as long as a name: 200 characters typed, the first 50 taken.
        QTest::newRow("apostrophe, percent and 200 characters")
            << QString(QStringLiteral("O'Neil%费") + QString(195, QChar(0x8d39))) << "单价*数量"
            << "" << differ << ""
            << ""
            << ""
            << ""
            << QStringList {QString(QStringLiteral("O'Neil%费") + QString(195, QChar(0x8d39))).left(50), "单价*数量",
                            "", differ, "否"};
        QTest::newRow("empty name") << "  "
                                    << "单价*数量"
                                    << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "收费名称不能为空,请重新输入!"
                                    << "DBEdit4" << QStringList {};
        QTest::newRow("the whole-bill name") << "按单缴费"
                                             << "单价*数量"
                                             << ""
                                             << ""
                                             << ""
                                             << ""
                                             << "收费名称不能为“按单缴费”,请重新输入!"
                                             << "DBEdit4" << QStringList {};
    }
    void saveRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, formula);
        QFETCH(QString, area);
        QFETCH(QString, category);
        QFETCH(QString, amount);
        QFETCH(QString, stopped);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, stored);
        QVERIFY(openWindow());
        click("bitbtn_add");
        typeText(field("DBEdit4"), name);
        setCombo("DBComboBoxEh2", formula);
        setCombo("DBComboBoxEh1", area);
        setCombo("DBComboBoxEh5", category);
        if (!amount.isEmpty()) {
            QVERIFY(amountBox()->isVisible() && amountBox()->isEnabled());
            retype(amountBox(), amount);
        }
        setCombo("DBComboBoxEh6", stopped);
        click("bitbtn_save");
        if (!message.isEmpty()) {
            QCOMPARE(prompt->texts(), QStringList {message});
            QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
            QCOMPARE(prompt->shown[0].icon, Prompt::Icon::Warning);
            QCOMPARE(focusedControl(), focus);
            QVERIFY(window->isEditing());
            QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 收费项目")).toInt(), 0);
            return;
        }
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->lastText()));
        QVERIFY(!window->isEditing());
        const QString key = stored[0];
        QCOMPARE((QStringList {storedField(key, "收费名称"), storedField(key, "计算公式"), storedField(key, "收费面积"),
                               storedField(key, "收费类别"), storedField(key, "停止收费")}),
                 stored);
        QCOMPARE(storedField(key, "操作人员"), QStringLiteral("张三"));
        QCOMPARE(storedField(key, "操作日期"), QStringLiteral("2004-08-15 09:00:00"));
    }

    // Keeping one's own name is no duplicate; another item's name is, blanks or not.
    void duplicateNames_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("rename to its own name") << false << "物业费" << false;
        QTest::newRow("rename to another's") << false << "水费" << true;
        QTest::newRow("rename to another's with blanks") << false << " 水费 " << true;
        QTest::newRow("rename to a new name") << false << "物业管理费" << false;
        QTest::newRow("add an existing name") << true << "物业费" << true;
    }
    void duplicateNames()
    {
        QFETCH(bool, adding);
        QFETCH(QString, name);
        QFETCH(bool, refused);
        addItem(QStringLiteral("水费"), QStringLiteral("业主收费金额不同"));
        addItem(QStringLiteral("物业费"), QStringLiteral("业主收费金额不同"));
        QVERIFY(openWindow());
        q()->moveTo(q()->value(0, q()->fieldIndex(QStringLiteral("收费名称"))) == QStringLiteral("物业费") ? 0 : 1);
        click(adding ? "bitbtn_add" : "bitbtn_edit");
        retype(field("DBEdit4"), name);
        if (adding) {
            setCombo("DBComboBoxEh2", QStringLiteral("单价*数量"));
        }
        click("bitbtn_save");
        if (refused) {
            QCOMPARE(prompt->texts(), QStringList {QStringLiteral("收费名称重复,请重新输入!")});
            QCOMPARE(prompt->shown[0].icon, Prompt::Icon::Information);
            QCOMPARE(QApplication::focusWidget(), field("DBEdit4"));
            QVERIFY(window->isEditing());
        } else {
            QVERIFY(prompt->shown.isEmpty());
            QCOMPARE(storedField(name.trimmed(), QStringLiteral("收费名称")), name.trimmed());
        }
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 收费项目")).toInt(), 2);
    }

    // The common amount shows for the same-amount category and is editable only while that
    // category is chosen in editing.
    void amountFollowsTheCategory()
    {
        addItem(QStringLiteral("卫生费"), QStringLiteral("业主收费金额相同"));
        addItem(QStringLiteral("水费"), QStringLiteral("业主收费金额不同"));
        QVERIFY(openWindow());
        const auto state = [this] {
            return QPair<bool, bool>(amountBox()->isVisibleTo(window.get()) && amountLabel()->isVisibleTo(window.get()),
                                     amountBox()->isEnabled());
        };
        using S = QPair<bool, bool>;
        const auto moveToItem = [this](const QString &name) {
            for (int r = 0; r < q()->recordCount(); ++r) {
                if (q()->value(r, q()->fieldIndex(QStringLiteral("收费名称"))) == name) {
                    q()->moveTo(r);
                }
            }
        };
        moveToItem(QStringLiteral("卫生费"));
        QCOMPARE(state(), S(true, false));
        moveToItem(QStringLiteral("水费"));
        QCOMPARE(state(), S(false, false));
        click("bitbtn_edit");
        QCOMPARE(state(), S(false, false));
        setCombo("DBComboBoxEh5", QStringLiteral("业主收费金额相同"));
        QCOMPARE(state(), S(true, true));
        setCombo("DBComboBoxEh5", QStringLiteral("按户收取"));
        QCOMPARE(state(), S(false, false));
        click("bitbtn_cancel");
        QCOMPARE(state(), S(false, false));
        moveToItem(QStringLiteral("卫生费"));
        click("bitbtn_edit");
        QCOMPARE(state(), S(true, true));
        click("bitbtn_save");
        QCOMPARE(state(), S(true, false));
        click("bitbtn_add");
        QCOMPARE(state(), S(false, false));
    }

    // Enter goes from the category to the amount only for the same-amount category, and from
    // the amount back to the area.
    void enterRingBranches_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("ring");
        QTest::newRow("same amount") << "业主收费金额相同"
                                     << QStringList {"DBComboBoxEh5", "DBNumberEditEh2", "DBComboBoxEh1",
                                                     "DBComboBoxEh2"};
        QTest::newRow("differing amount")
            << "业主收费金额不同" << QStringList {"DBComboBoxEh5", "DBEdit1", "DBEdit4", "DBNumberEditEh1"};
    }
    void enterRingBranches()
    {
        QFETCH(QString, category);
        QFETCH(QStringList, ring);
        QVERIFY(openWindow());
        click("bitbtn_add");
        setCombo("DBComboBoxEh5", category);
        for (int i = 0; i + 1 < ring.size(); ++i) {
            QCOMPARE(focusedControl(), ring[i]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(focusedControl(), ring.last());
    }
};

QTEST_MAIN(TestItemInfo)
#include "tst_iteminfo.moc"
