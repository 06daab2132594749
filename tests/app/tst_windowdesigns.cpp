// Every list window's design names fields its table has: a misspelt field would show an empty
// column or never write what the operator types. Windows are found through the registry, so a
// new window is checked as soon as it is registered.
#include "app/windowregistry.h"
#include "listwindow/listwindow.h"
#include "scriptedprompt.h"
#include "data/dataset.h"
#include "temphome.h"

#include <QTest>

class TestWindowDesigns : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;

private slots:
    void initTestCase()
    {
        ScriptedPrompt::install();
        WindowRegistry::registerAll();
        home = std::make_unique<TempHome>();
        QVERIFY(home->ok());
    }
    void cleanupTestCase() { home.reset(); }

    void designsNameTheirTablesFields_data()
    {
        QTest::addColumn<QString>("window");
        QStringList listWindows;
        for (const QString &name : WindowRegistry::classNames()) {
            std::unique_ptr<QDialog> w(WindowRegistry::create(name, nullptr));
            if (qobject_cast<ListWindow *>(w.get())) {
                QTest::newRow(qPrintable(name)) << name;
                listWindows << name;
            }
        }
        QVERIFY(listWindows.contains(QStringLiteral("TForm_storeyinfo")));
        QVERIFY(listWindows.contains(QStringLiteral("TForm_qxb")));
    }

    void designsNameTheirTablesFields()
    {
        QFETCH(QString, window);
        std::unique_ptr<QDialog> w(WindowRegistry::create(window, nullptr));
        const auto *list = qobject_cast<ListWindow *>(w.get());
        QVERIFY(list && list->dataSet());
        const ListWindowDesign &design = list->design();
        QVERIFY(!design.columns.isEmpty());
        // A window that takes entries must name the table they are written to.
        QVERIFY(design.entries.isEmpty() || !list->dataSet()->namedTable().isEmpty());
        QCOMPARE(design.unknownFields(list->dataSet()->tableName()), QStringList());
    }

    void misspeltFieldsAreFound()
    {
        ListWindowDesign d;
        d.columns = {GridColumn::of(QStringLiteral("楼宇名"), QStringLiteral("楼宇名称"), 100),
                     GridColumn::of(QStringLiteral("房屋数量"), QStringLiteral("房屋数量"), 60),
                     GridColumn::of(QString(), QStringLiteral("备注"), 60)};
        d.entries = {
            EntryField::of(QStringLiteral("DBEdit1"), QStringLiteral("收费名称"), QStringLiteral("收费名称："))};
        d.search = {{QStringLiteral("Edit1"), QStringLiteral("楼宇名称："), QStringLiteral("楼宇名称")}};
        QCOMPARE(d.unknownFields(QStringLiteral("楼宇资料")),
                 QStringList({QStringLiteral("column 楼宇名"), QStringLiteral("entry DBEdit1 收费名称")}));
        // Without a table any table's field will do.
        QCOMPARE(d.unknownFields(QString()), QStringList({QStringLiteral("column 楼宇名")}));
        QCOMPARE(d.unknownFields(QStringLiteral("楼宇")).value(0), QStringLiteral("table 楼宇"));
    }
};

QTEST_MAIN(TestWindowDesigns)
#include "tst_windowdesigns.moc"
