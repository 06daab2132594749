// Every window the menus open, prepared as the main window prepares it, on the demo estate: the
// queries it needs are open on the right lines while it is shown, and closed again after it; and
// every menu item names a window that exists or is still to be built.
#include "app/commands.h"
#include "app/windowregistry.h"
#include "backend.h"
#include "components/common/preparation.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "demo/demo.h"
#include "scriptedprompt.h"
#include "temphome.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
// What a window's preparation leaves open while it is shown: "query: line|line|...", the query
// found among the window's own data sets or the shared ones of Dm1.
struct Expected
{
    QStringList open {};
    QStringList keptOpen {}; // shared queries still open after the window (q_tongyong of 到期报警)
    int rows = -1; // rows of the first query on the demo estate; -1: any
};

// One row per registered window: add the window's row when it is built.
const QHash<QString, Expected> &expectations()
{
    static const QHash<QString, Expected> map = {
        {u"Tform_About"_s, {}},
        {u"TForm_arrange"_s, {}},
        {u"TForm_backup"_s, {}},
        {u"TForm_initialize"_s, {}},
        {u"TForm_restore"_s, {}},
        {u"TForm_importmdb"_s, {}},
        {u"TForm_migrate"_s, {}},
        {u"TForm_Enter"_s, {{u"q_qxb: select * from 权限表 order by 姓名 COLLATE pinyin"_s}}},
        {u"TForm_qxb"_s, {{u"q_qxb: select * from 权限表 |order by 姓名 COLLATE pinyin"_s}}},
        // The current operator's row alone.
        {u"TForm_password"_s,
         {{u"q_qxb: select * from 权限表 |where 姓名=:name|order by 姓名 COLLATE pinyin"_s}, {}, 1}},
        {u"TForm_gsxx_edit"_s, {{u"q_gsxx: select * from 公司信息"_s}, {}, 1}},
        {u"TForm_storeyinfo"_s, {{u"q_storeyinfo: select * from 楼宇资料|order by 楼宇名称 COLLATE pinyin"_s}, {}, 3}},
        // Reports: the scratch table emptied and open; the reminder keeps it open after it.
        {u"TForm_statistics_arrear"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_money"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_item"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_shoufeilv"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_quankuang"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_yijiao"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_statistics_weijiao"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_yajin_mingxi"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_yajin_sum"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_duizhangdan"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_qianfei_zhangling"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        {u"TForm_txgn"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {u"q_tongyong"_s}, 0}},
        {u"TForm_txcsb"_s, {{u"q_gsxx: select * from 公司信息"_s}, {}, 1}},
        {u"TForm_iteminfo"_s, {{u"q_iteminfo: select * from 收费项目|order by 收费名称 COLLATE pinyin"_s}, {}, 9}},
        {u"TForm_guestinfo"_s, {{u"q_guestinfo: select * from 业主资料|order by 业主名称 COLLATE pinyin"_s}, {}, 48}},
        {u"TForm_houseinfo"_s, {{u"q_houseinfo: select * from 房屋资料|order by 房屋代码 COLLATE pinyin"_s}, {}, 60}},
        {u"TForm_house_zhuangtai"_s, {{u"q_tongyong: select * from 通用|order by texta COLLATE pinyin"_s}, {}, 0}},
        // The window's own house list; the building box is filled too.
        {u"TForm_houselease"_s,
         {{u"q_houselease: select * from 房屋租赁表 where 已经迁出=0|order by 房屋代码 COLLATE pinyin"_s}}},
        // The house list of the payment history; the lines follow the house.
        {u"TForm_jiaofeimingxi"_s, {{u"q_houseinfo: select * from 房屋资料 | order by 房屋代码 COLLATE pinyin "_s}}},
        {u"TForm_yajin"_s, {{u"q_yajin: select * from 押金明细表|order by 日期,id"_s}}},
        // Empty until the first search; only the building box is filled.
        {u"TForm_shoufeimingxibiao"_s, {}},
        {u"TForm_houseitem"_s, {{u"q_houseinfo: select * from 房屋资料 |order by 房屋代码 COLLATE pinyin"_s}, {}, 60}},
        {u"TForm_jiaofeidan"_s, {{u"q_houseinfo: select * from 房屋资料 |order by 房屋代码 COLLATE pinyin"_s}, {}, 60}},
        {u"TForm_jiaofeidan_quanbu"_s, {}},
        // The houses with unpaid lines in this month; the building box is filled too.
        {u"TForm_jiaofeiguanli"_s,
         {{u"q_houseinfo: select 房屋代码,业主名称,楼宇名称 from 收费明细表 a | where (年度=?)and(月份=?)and(缴费状态='未缴费')and(COALESCE(NULLIF(缴费状态, ''), '未缴费') = '未缴费')| group by 房屋代码,业主名称,楼宇名称 | order by 房屋代码 COLLATE pinyin "_s}}},
    };
    return map;
}

DataSet *queryOf(QDialog *window, const QString &name)
{
    if (auto *own = window->findChild<DataSet *>(name)) {
        return own;
    }
    return Dm1::instance()->query(name);
}

QStringList openSharedQueries()
{
    QStringList open {};
    for (DataSet *q : Dm1::instance()->sharedQueries()) {
        if (q->isOpen()) {
            open << q->objectName();
        }
    }
    return open;
}
}

class TestWindows : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> m_home;
    ScriptedPrompt *m_prompt = nullptr;

private slots:
    void initTestCase()
    {
        WindowRegistry::registerAll();
        Clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        QString error;
        QVERIFY2(Demo::fill(m_home->dm(), &error), qPrintable(error));
    }
    void cleanupTestCase()
    {
        m_home.reset();
        Clock::setFixed({});
    }
    void init() { m_prompt = ScriptedPrompt::install(); }

    // A menu item opens a registered window or one still to be built, never a misspelt one; a
    // built window leaves the list of those to be built; every window is reached from a menu.
    void everyCommandNamesAKnownWindow()
    {
        QSet<QString> named;
        for (const Command &c : Commands::all()) {
            if (c.window.isEmpty()) {
                continue;
            }
            named << c.window;
            QVERIFY2(WindowRegistry::has(c.window) != WindowRegistry::planned().contains(c.window),
                     qPrintable(c.item + u" opens "_s + c.window + u", neither registered nor planned"_s));
        }
        for (const QString &planned : WindowRegistry::planned()) {
            QVERIFY2(named.contains(planned), qPrintable(planned + u" is planned but no menu item opens it"_s));
        }
        for (const QString &window : WindowRegistry::classNames()) {
            QVERIFY2(named.contains(window), qPrintable(window + u" is registered but no menu item opens it"_s));
        }
        QSet<QString> toolbar;
        for (const Command &c : Commands::all()) {
            if (!c.toolbar.isEmpty()) {
                toolbar << c.toolbar;
            }
        }
        QCOMPARE(toolbar.size(), 7);
    }

    // docs/glossary.md has a row for every window a menu item opens: its caption and its class.
    void everyMenuWindowIsInTheGlossary()
    {
        QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../docs/glossary.md"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (const Command &c : Commands::all()) {
            if (c.window.isEmpty()) {
                continue;
            }
            const bool listed = std::any_of(lines.cbegin(), lines.cend(), [&c](const QString &line) {
                return line.startsWith(u"| "_s + c.item) && line.contains(u"| `"_s + c.window + u"` |"_s);
            });
            QVERIFY2(listed, qPrintable(c.item + u" ("_s + c.window + u") has no row in docs/glossary.md"_s));
        }
    }

    void everyWindowPreparesItself_data()
    {
        QTest::addColumn<QString>("window");
        for (const QString &name : WindowRegistry::classNames()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void everyWindowPreparesItself()
    {
        QFETCH(QString, window);
        QVERIFY2(expectations().contains(window),
                 qPrintable(window + u": add what its preparation opens to expectations()"_s));
        const Expected expected = expectations().value(window);
        QVERIFY(openSharedQueries().isEmpty());

        const std::unique_ptr<QDialog> w(WindowRegistry::create(window, nullptr));
        QVERIFY(w);
        QVERIFY2(dynamic_cast<PreparedWindow *>(w.get()), qPrintable(window + u" is no PreparedWindow"_s));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), window);
        Preparation p(w.get());
        QVERIFY(p.run());
        QVERIFY2(m_prompt->shown.isEmpty(), qPrintable(m_prompt->texts().join(u'\n')));

        QStringList open;
        for (const QString &line : expected.open) {
            const QString name = line.section(u": "_s, 0, 0);
            DataSet *q = queryOf(w.get(), name);
            QVERIFY2(q && q->isOpen(), qPrintable(name + u" is not open"_s));
            open << name + u": "_s + q->sql().join(u'|');
        }
        QCOMPARE(open, expected.open);
        if (expected.rows >= 0) {
            QCOMPARE(queryOf(w.get(), expected.open.constFirst().section(u": "_s, 0, 0))->recordCount(), expected.rows);
        }
        // Nothing else of Dm1 is left open by the preparation.
        for (const QString &name : openSharedQueries()) {
            QVERIFY2(open.contains(name + u": "_s + Dm1::instance()->query(name)->sql().join(u'|')),
                     qPrintable(name + u" is open without being expected"_s));
        }

        p.finish();
        QCOMPARE(openSharedQueries(), expected.keptOpen);
        for (DataSet *own : w->findChildren<DataSet *>()) {
            QVERIFY2(!own->isOpen(), qPrintable(own->objectName() + u" stays open"_s));
        }
        for (const QString &name : expected.keptOpen) {
            Dm1::instance()->query(name)->close();
        }
    }
};

PARVELL_BACKENDS_MAIN(TestWindows)
#include "tst_windows.moc"
