#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/dbnumberedit.h"
#include "components/dbctrls/enterring.h"
#include "scriptedprompt.h"
#include "data/dataset.h"
#include "temphome.h"
#include "typing.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>

namespace {
enum class Kind { Edit, Memo, Integer, Decimal, Money, Date, Combo, Check, CheckText };

QWidget *makeEditor(Kind kind, QWidget *parent)
{
    switch (kind) {
    case Kind::Edit:
        return new DBEdit(parent);
    case Kind::Memo:
        return new DBMemo(parent);
    case Kind::Integer:
        return new DBNumberEditEh(parent);
    case Kind::Decimal: {
        auto *e = new DBNumberEditEh(parent);
        e->setDecimals(2);
        return e;
    }
    case Kind::Money:
        return new DBMoneyEdit(parent);
    case Kind::Date:
        return new DBDateTimeEditEh(parent);
    case Kind::Combo: {
        auto *c = new DBComboBoxEh(parent);
        c->setItems({QStringLiteral("收取"), QStringLiteral("退还")});
        return c;
    }
    case Kind::Check:
        return new DBCheckBox(QStringLiteral("自动提醒"), parent);
    case Kind::CheckText: {
        auto *c = new DBCheckBox(QStringLiteral("是否"), parent);
        c->setValues(QStringLiteral("是"), QStringLiteral("否"));
        return c;
    }
    }
    return nullptr;
}

// Types the text the way an operator would (a tick for check boxes: "1" ticks).
void enter(QWidget *w, const QString &text)
{
    if (auto *c = qobject_cast<QCheckBox *>(w)) {
        c->setChecked(text == QStringLiteral("1"));
    } else if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
        m->setPlainText(text);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        c->lineEdit()->clear();
        typeText(c->lineEdit(), text);
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->clear();
        typeText(e, text);
    }
}

QString shown(QWidget *w)
{
    if (auto *c = qobject_cast<QCheckBox *>(w)) {
        return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
        return m->toPlainText();
    }
    if (auto *c = qobject_cast<QComboBox *>(w)) {
        return c->currentText();
    }
    return qobject_cast<QLineEdit *>(w)->text();
}

void openTable(DataSet &ds, const QString &table)
{
    ds.setTable(table);
    ds.clearSql();
    ds.addLine(QStringLiteral("select * from ") + table);
    ds.addLine(QStringLiteral("order by id"));
    QVERIFY2(ds.open(), qPrintable(ds.lastError()));
}

// An always writable editor of the kind on a new row of the table's field, shown with the focus;
// nullptr when the form could not be shown.
QWidget *editorOnNewRow(Kind kind, QWidget *form, DataSet *ds, const QString &table, const QString &field)
{
    auto *layout = new QVBoxLayout(form);
    QWidget *editor = makeEditor(kind, form);
    layout->addWidget(editor);
    openTable(*ds, table);
    DBControl::of(editor)->bind(ds, field);
    DBControl::of(editor)->setFollowState(false);
    ds->append();
    form->show();
    if (!QTest::qWaitForWindowActive(form)) {
        return nullptr;
    }
    editor->setFocus();
    return editor;
}
}

class TestDbCtrls : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
    }
    void cleanup() { m_home.reset(); }

    void roundTrip_data();
    void roundTrip();
    void invalidTextLeavesRow_data();
    void invalidTextLeavesRow();
    void outOfRangeIsRefused_data();
    void outOfRangeIsRefused();
    void unreadableStoredAmountIsShownAsAnError();
    void nullDateStaysNullAndClears();
    void dateKeepsTimeWhenUnchanged();
    void fewerDecimalsShownKeepTheStoredValue();
    void commitAllKeepsEveryTypedValue();
    void followsCurrentRow();
    void fixedDropDownKeepsUnlistedValue();
    void browseEditRule();
    void enterRing();
    void enterRingLastFieldAction();
    void typedTextStaysUntilRefused_data();
    void typedTextStaysUntilRefused();
    void textsKeepToTheirRule_data();
    void textsKeepToTheirRule();
    void disabledValuesAreReadable_data();
    void disabledValuesAreReadable();

private:
    std::unique_ptr<TempHome> m_home;
};

void TestDbCtrls::roundTrip_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored"); // as read back from the database
    QTest::addColumn<QString>("reshown");

    const auto k = [](Kind x) { return int(x); };
    QTest::newRow("text") << k(Kind::Edit) << "楼宇资料"
                          << "楼宇名称"
                          << "一号楼" << QVariant(QStringLiteral("一号楼")) << "一号楼";
    QTest::newRow("text with apostrophe") << k(Kind::Edit) << "楼宇资料"
                                          << "楼宇名称"
                                          << "O'Neil 楼" << QVariant(QStringLiteral("O'Neil 楼")) << "O'Neil 楼";
    QTest::newRow("text in money field") << k(Kind::Edit) << "押金明细表"
                                         << "金额"
                                         << "0.0001" << QVariant(qint64(1)) << "0.0001";
    QTest::newRow("memo") << k(Kind::Memo) << "房屋资料"
                          << "备注"
                          << "第一行\n第二行" << QVariant(QStringLiteral("第一行\n第二行")) << "第一行\n第二行";
    QTest::newRow("whole number") << k(Kind::Integer) << "楼宇资料"
                                  << "楼宇层数"
                                  << "12" << QVariant(qint64(12)) << "12";
    QTest::newRow("full-width digits") << k(Kind::Integer) << "楼宇资料"
                                       << "房屋数量"
                                       << "１２" << QVariant(qint64(12)) << "12";
    QTest::newRow("empty number is null") << k(Kind::Integer) << "楼宇资料"
                                          << "楼宇层数"
                                          << "" << QVariant() << "";
    QTest::newRow("decimals") << k(Kind::Decimal) << "房屋资料"
                              << "房屋面积"
                              << "85.25" << QVariant(85.25) << "85.25";
    QTest::newRow("decimals shortest") << k(Kind::Decimal) << "房屋资料"
                                       << "房屋面积"
                                       << "85.50" << QVariant(85.5) << "85.5";
    QTest::newRow("money exact") << k(Kind::Money) << "押金明细表"
                                 << "金额"
                                 << "12.3456" << QVariant(qint64(123456)) << "12.3456";
    QTest::newRow("a balance below zero") << k(Kind::Money) << "房屋资料"
                                          << "零头"
                                          << "-0.5" << QVariant(qint64(-5000)) << "-0.5";
    QTest::newRow("money thousands") << k(Kind::Money) << "押金明细表"
                                     << "金额"
                                     << "1,234.5" << QVariant(qint64(12345000)) << "1234.5";
    QTest::newRow("empty money is null") << k(Kind::Money) << "押金明细表"
                                         << "金额"
                                         << "" << QVariant() << "";
    QTest::newRow("date") << k(Kind::Date) << "楼宇资料"
                          << "建成日期"
                          << "2004-08-15" << QVariant(QStringLiteral("2004-08-15 00:00:00")) << "2004-08-15";
    QTest::newRow("date short month") << k(Kind::Date) << "押金明细表"
                                      << "日期"
                                      << "2004-8-5" << QVariant(QStringLiteral("2004-08-05 00:00:00")) << "2004-08-05";
    QTest::newRow("empty date is null") << k(Kind::Date) << "楼宇资料"
                                        << "建成日期"
                                        << "" << QVariant() << "";
    QTest::newRow("drop-down item") << k(Kind::Combo) << "押金明细表"
                                    << "操作类型"
                                    << "退还" << QVariant(QStringLiteral("退还")) << "退还";
    QTest::newRow("drop-down typed") << k(Kind::Combo) << "押金明细表"
                                     << "操作类型"
                                     << "冲减" << QVariant(QStringLiteral("冲减")) << "冲减";
    QTest::newRow("yes") << k(Kind::Check) << "公司信息"
                         << "自动提醒"
                         << "1" << QVariant(qint64(1)) << "1";
    QTest::newRow("no") << k(Kind::Check) << "公司信息"
                        << "自动提醒"
                        << "0" << QVariant(qint64(0)) << "0";
    QTest::newRow("是") << k(Kind::CheckText) << "楼宇资料"
                        << "楼房结构"
                        << "1" << QVariant(QStringLiteral("是")) << "1";
    QTest::newRow("否") << k(Kind::CheckText) << "楼宇资料"
                        << "楼房结构"
                        << "0" << QVariant(QStringLiteral("否")) << "0";
}

void TestDbCtrls::roundTrip()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, reshown);

    QWidget form;
    QWidget *editor = makeEditor(Kind(kind), &form);
    DataSet ds;
    openTable(ds, table);
    DBControl::of(editor)->bind(&ds, field);
    if (ds.isEmpty()) {
        ds.append();
    } else {
        QVERIFY(ds.edit());
    }
    enter(editor, typed);
    QVERIFY(DBControl::of(editor)->commit());
    QVERIFY2(ds.post(), qPrintable(ds.lastError()));

    const QVariant inDb = m_home->dm()->scalar(
        QStringLiteral("select %1 from %2 order by id desc limit 1").arg(Schema::quoted(field), table));
    QCOMPARE(inDb.isNull(), stored.isNull());
    if (!stored.isNull()) {
        QCOMPARE(inDb.toString(), stored.toString());
    }

    // A fresh editor over the reopened table shows the value again.
    QWidget other;
    QWidget *again = makeEditor(Kind(kind), &other);
    DataSet ds2;
    openTable(ds2, table);
    ds2.last();
    DBControl::of(again)->bind(&ds2, field);
    QCOMPARE(shown(again), reshown);
}

void TestDbCtrls::invalidTextLeavesRow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("no such day") << int(Kind::Date) << "建成日期"
                                 << "2004-02-30";
    QTest::newRow("half a date") << int(Kind::Date) << "建成日期"
                                 << "2004-0";
    QTest::newRow("minus alone") << int(Kind::Integer) << "楼宇层数"
                                 << "-";
}

void TestDbCtrls::invalidTextLeavesRow()
{
    QFETCH(int, kind);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QVERIFY(m_home->dm()->exec(
        QStringLiteral("insert into 楼宇资料 (楼宇名称, 建成日期, 楼宇层数) values ('A', '2001-01-01 00:00:00', 6)")));
    QWidget form;
    QWidget *editor = makeEditor(Kind(kind), &form);
    DataSet ds;
    openTable(ds, QStringLiteral("楼宇资料"));
    DBControl::of(editor)->bind(&ds, field);
    const QVariant before = ds.value(field);
    QVERIFY(ds.edit());
    qobject_cast<QLineEdit *>(editor)->setText(text);
    QVERIFY(!DBControl::of(editor)->commit());
    QCOMPARE(ds.value(field), before);
    QCOMPARE(DBControl::commitAll(&form), editor);
}

// Amounts and numbers beyond ±10¹² never reach the row, whichever editor they are typed into:
// nothing wraps around to another value.
void TestDbCtrls::outOfRangeIsRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    const auto k = [](Kind x) { return int(x); };
    QTest::newRow("money wrapping to 100") << k(Kind::Money) << "押金明细表"
                                           << "金额"
                                           << "1844674407371055.16160";
    QTest::newRow("money wrapping negative") << k(Kind::Money) << "押金明细表"
                                             << "金额"
                                             << "999999999999999.99999";
    QTest::newRow("text editor on money") << k(Kind::Edit) << "押金明细表"
                                          << "金额"
                                          << "999999999999999.99999";
    QTest::newRow("whole number past 64 bits") << k(Kind::Integer) << "楼宇资料"
                                               << "楼宇层数"
                                               << "99999999999999999999";
    QTest::newRow("whole number beyond the limit") << k(Kind::Integer) << "楼宇资料"
                                                   << "楼宇层数"
                                                   << "1000000000001";
    QTest::newRow("number editor on money") << k(Kind::Integer) << "押金明细表"
                                            << "金额"
                                            << "99999999999999999999";
    QTest::newRow("text editor on a count") << k(Kind::Edit) << "楼宇资料"
                                            << "楼宇层数"
                                            << "99999999999999999999";
    QTest::newRow("area beyond the limit") << k(Kind::Decimal) << "房屋资料"
                                           << "房屋面积"
                                           << "99999999999999999999";
}

void TestDbCtrls::outOfRangeIsRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QWidget form;
    QWidget *editor = makeEditor(Kind(kind), &form);
    DataSet ds;
    openTable(ds, table);
    DBControl::of(editor)->bind(&ds, field);
    ds.append();
    qobject_cast<QLineEdit *>(editor)->setText(text);
    QVERIFY(!DBControl::of(editor)->commit());
    QVERIFY(ds.value(field).isNull());
}

// A value no editor could have written (another program's) is shown as an error, not as some
// other amount.
void TestDbCtrls::unreadableStoredAmountIsShownAsAnError()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 押金明细表 (金额) values (?)"), {1e300}));
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 押金明细表 (金额) values (?)"), {Money::MaxRaw + 1}));
    for (Kind kind : {Kind::Money, Kind::Edit, Kind::Integer}) {
        QWidget form;
        QWidget *editor = makeEditor(kind, &form);
        DataSet ds;
        openTable(ds, QStringLiteral("押金明细表"));
        DBControl::of(editor)->bind(&ds, QStringLiteral("金额"));
        QCOMPARE(shown(editor), Money::UnreadableText);
        QCOMPARE(ds.text(QStringLiteral("金额")), Money::UnreadableText);
        ds.next();
        QCOMPARE(shown(editor), Money::UnreadableText);
    }
}

void TestDbCtrls::nullDateStaysNullAndClears()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('A')")));
    QWidget form;
    auto *date = new DBDateTimeEditEh(&form);
    auto *name = new DBEdit(&form);
    DataSet ds;
    openTable(ds, QStringLiteral("楼宇资料"));
    date->bind(&ds, QStringLiteral("建成日期"));
    name->bind(&ds, QStringLiteral("楼宇名称"));
    QVERIFY(date->text().isEmpty());
    QVERIFY(!date->date().isValid());

    // Saving the row with the date left empty keeps it NULL.
    ds.edit();
    typeText(name, QStringLiteral("楼"));
    QCOMPARE(DBControl::commitAll(&form), nullptr);
    QVERIFY(ds.post());
    QVERIFY(m_home->dm()->scalar(QStringLiteral("select 建成日期 from 楼宇资料")).isNull());

    // A date, then cleared again with the keyboard: back to NULL.
    ds.edit();
    date->setDate(QDate(2003, 5, 1));
    QVERIFY(date->commit());
    QVERIFY(ds.post());
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select 建成日期 from 楼宇资料")).toString(),
             QStringLiteral("2003-05-01 00:00:00"));
    ds.edit();
    date->selectAll();
    QTest::keyClick(date, Qt::Key_Delete);
    QVERIFY(date->text().isEmpty());
    QVERIFY(date->commit());
    QVERIFY(ds.post());
    QVERIFY(m_home->dm()->scalar(QStringLiteral("select 建成日期 from 楼宇资料")).isNull());
}

void TestDbCtrls::dateKeepsTimeWhenUnchanged()
{
    QVERIFY(m_home->dm()->exec(
        QStringLiteral("insert into 押金明细表 (日期, 金额) values ('2004-08-15 10:20:30', 10000)")));
    QWidget form;
    auto *date = new DBDateTimeEditEh(&form);
    DataSet ds;
    openTable(ds, QStringLiteral("押金明细表"));
    date->bind(&ds, QStringLiteral("日期"));
    QCOMPARE(date->text(), QStringLiteral("2004-08-15"));
    QVERIFY(date->commit());
    QCOMPARE(ds.value(QStringLiteral("日期")).toString(), QStringLiteral("2004-08-15 10:20:30"));
}

// An editor showing fewer decimals than the field holds does not round the stored value when
// the row is saved with its text untouched, nor refuses a stored value the typing rule would
// (a shared area below zero from an older file); a typed value is written as typed.
void TestDbCtrls::fewerDecimalsShownKeepTheStoredValue()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral(
        "insert into 房屋资料 (房屋代码, 房屋面积, 零头, 公摊面积) values ('0101', 85.125, 38333, -3.5)")));
    QWidget form;
    auto *area = new DBNumberEditEh(&form);
    area->setDecimals(2);
    auto *odd = new DBNumberEditEh(&form);
    odd->setDecimals(2);
    auto *shared = new DBNumberEditEh(&form);
    DataSet ds;
    openTable(ds, QStringLiteral("房屋资料"));
    area->bind(&ds, QStringLiteral("房屋面积"));
    odd->bind(&ds, QStringLiteral("零头"));
    shared->bind(&ds, QStringLiteral("公摊面积"));
    QCOMPARE(shared->refusal(), QString());
    QCOMPARE(area->text(), QStringLiteral("85.13"));
    QCOMPARE(DBControl::commitAll(&form), nullptr);
    QVERIFY(!DBControl::anyModified(&form));
    QVERIFY(ds.post());
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select 房屋面积 from 房屋资料")).toDouble(), 85.125);
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select 零头 from 房屋资料")).toLongLong(), 38333);
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select 公摊面积 from 房屋资料")).toDouble(), -3.5);

    QVERIFY(ds.edit());
    enter(area, QStringLiteral("86.5"));
    QVERIFY(DBControl::commitAll(&form) == nullptr);
    QVERIFY(ds.post());
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select 房屋面积 from 房屋资料")).toDouble(), 86.5);
}

void TestDbCtrls::commitAllKeepsEveryTypedValue()
{
    // Committing the first editor changes the row; the others must not be reset to the row's
    // old values before they are committed.
    QVERIFY(
        m_home->dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 零头) values ('0101', '旧', 0)")));
    QWidget form;
    auto *code = new DBEdit(&form);
    auto *name = new DBEdit(&form);
    auto *odd = new DBMoneyEdit(&form);
    auto *area = new DBNumberEditEh(&form);
    area->setDecimals(2);
    DataSet ds;
    openTable(ds, QStringLiteral("房屋资料"));
    code->bind(&ds, QStringLiteral("房屋代码"));
    name->bind(&ds, QStringLiteral("房屋名称"));
    odd->bind(&ds, QStringLiteral("零头"));
    area->bind(&ds, QStringLiteral("房屋面积"));
    ds.edit();
    code->setText(QStringLiteral("0102"));
    name->setText(QStringLiteral("新"));
    odd->setText(QStringLiteral("3.5"));
    area->setText(QStringLiteral("90.1"));
    QCOMPARE(DBControl::commitAll(&form), nullptr);
    QVERIFY(ds.post());
    QCOMPARE(m_home->dm()
                 ->scalar(QStringLiteral(
                     "select 房屋代码 || '/' || 房屋名称 || '/' || 零头 || '/' || 房屋面积 from 房屋资料"))
                 .toString(),
             QStringLiteral("0102/新/35000/90.1"));
}

void TestDbCtrls::followsCurrentRow()
{
    QVERIFY(
        m_home->dm()->exec(QStringLiteral("insert into 押金明细表 (房屋代码, 金额) values ('A', 10000), ('B', NULL)")));
    QWidget form;
    auto *code = new DBEdit(&form);
    auto *amount = new DBMoneyEdit(&form);
    DataSet ds;
    code->bind(&ds, QStringLiteral("房屋代码"));
    amount->bind(&ds, QStringLiteral("金额"));
    openTable(ds, QStringLiteral("押金明细表"));
    QCOMPARE(code->text(), QStringLiteral("A"));
    QCOMPARE(amount->text(), QStringLiteral("1"));
    ds.next();
    QCOMPARE(code->text(), QStringLiteral("B"));
    QCOMPARE(amount->text(), QString());

    // Cancelling an edit shows the row as it was.
    ds.edit();
    amount->setText(QStringLiteral("7"));
    QVERIFY(amount->commit());
    ds.cancel();
    QCOMPARE(amount->text(), QString());

    // A value set by the program while editing (a chooser) is shown at once.
    ds.edit();
    ds.setText(QStringLiteral("房屋代码"), QStringLiteral("C"));
    QCOMPARE(code->text(), QStringLiteral("C"));
    ds.cancel();

    ds.close();
    QCOMPARE(code->text(), QString());
}

void TestDbCtrls::fixedDropDownKeepsUnlistedValue()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 押金明细表 (操作类型) values ('旧类型'), ('收取')")));
    QWidget form;
    auto *combo = new DBComboBoxEh(&form);
    combo->setEditable(false);
    combo->setItems({QStringLiteral("收取"), QStringLiteral("退还")});
    DataSet ds;
    openTable(ds, QStringLiteral("押金明细表"));
    combo->bind(&ds, QStringLiteral("操作类型"));
    QCOMPARE(combo->currentIndex(), -1);
    QVERIFY(combo->commit());
    QCOMPARE(ds.text(QStringLiteral("操作类型")), QStringLiteral("旧类型"));
    ds.cancel();
    ds.next();
    QCOMPARE(combo->currentText(), QStringLiteral("收取"));
    combo->setCurrentIndex(1);
    QVERIFY(combo->commit());
    QCOMPARE(ds.text(QStringLiteral("操作类型")), QStringLiteral("退还"));
}

void TestDbCtrls::browseEditRule()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('A')")));
    QWidget form;
    auto *text = new DBEdit(&form);
    auto *memo = new DBMemo(&form);
    auto *number = new DBNumberEditEh(&form);
    auto *date = new DBDateTimeEditEh(&form);
    auto *combo = new DBComboBoxEh(&form);
    auto *check = new DBCheckBox(QString(), &form);
    auto *always = new DBEdit(&form);
    auto *alwaysNumber = new DBNumberEditEh(&form);
    DataSet ds;
    openTable(ds, QStringLiteral("楼宇资料"));
    text->bind(&ds, QStringLiteral("楼宇名称"));
    memo->bind(&ds, QStringLiteral("备注"));
    number->bind(&ds, QStringLiteral("楼宇层数"));
    date->bind(&ds, QStringLiteral("建成日期"));
    combo->bind(&ds, QStringLiteral("楼房结构"));
    check->bind(&ds, QStringLiteral("楼房结构"));
    always->bind(&ds, QStringLiteral("楼宇名称"));
    always->setFollowState(false);
    alwaysNumber->bind(&ds, QStringLiteral("楼宇层数"));
    alwaysNumber->setFollowState(false);

    const auto check_ = [&](bool editing) {
        QCOMPARE(text->isReadOnly(), !editing);
        QVERIFY(text->isEnabled());
        QCOMPARE(memo->isReadOnly(), !editing);
        QCOMPARE(number->isEnabled(), editing);
        QCOMPARE(date->isEnabled(), editing);
        QCOMPARE(combo->isEnabled(), editing);
        QCOMPARE(check->isEnabled(), editing);
        QVERIFY(!always->isReadOnly());
        QVERIFY(alwaysNumber->isEnabled());
    };
    check_(false);
    ds.edit();
    check_(true);
    ds.cancel();
    check_(false);
    ds.append();
    check_(true);
    ds.cancel();
    ds.close();
    check_(false);
}

void TestDbCtrls::enterRing()
{
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    auto *a = new DBEdit(&form);
    auto *b = new DBComboBoxEh(&form);
    auto *skipped = new DBEdit(&form);
    auto *c = new DBMemo(&form);
    for (QWidget *w : {static_cast<QWidget *>(a), static_cast<QWidget *>(b), static_cast<QWidget *>(skipped),
                       static_cast<QWidget *>(c)}) {
        layout->addWidget(w);
    }
    skipped->setEnabled(false);
    b->setEditable(false);
    EnterRing::install({a, b, skipped, c});
    b->setEditable(true); // its editor is made after the ring was installed
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    QVERIFY(b->hasFocus() || b->lineEdit()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QVERIFY(c->hasFocus());
    // Enter in a field of several lines starts a new line; the ring does not take it back to
    // the first field.
    typeText(c, QStringLiteral("x"));
    QTest::keyClick(c, Qt::Key_Return);
    typeText(c, QStringLiteral("y"));
    QVERIFY(c->hasFocus());
    QCOMPARE(c->toPlainText(), QStringLiteral("x\ny"));
    QVERIFY(a->text().isEmpty());
}

void TestDbCtrls::enterRingLastFieldAction()
{
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    auto *a = new QLineEdit(&form);
    auto *b = new QLineEdit(&form);
    layout->addWidget(a);
    layout->addWidget(b);
    int saved = 0;
    EnterRing::install({a, b}, [&saved] { ++saved; });
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    a->setFocus();
    QTest::keyClick(a, Qt::Key_Return);
    QVERIFY(b->hasFocus());
    QCOMPARE(saved, 0);
    QTest::keyClick(b, Qt::Key_Return);
    QCOMPARE(saved, 1);
    QVERIFY(b->hasFocus());
}

// What the operator types into a number stays as typed, key by key or pasted: it is judged when
// it is taken into the row, and refused naming the field ("3.5" never becomes 35 or 4). Dates
// still refuse a key they cannot take, with a tip.
void TestDbCtrls::typedTextStaysUntilRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("refusal"); // when it is taken into the row; empty: taken
    const auto k = [](Kind x) { return int(x); };
    const QString whole = QStringLiteral("“楼宇层数”只能是整数！");
    QTest::newRow("point typed into a whole number") << k(Kind::Integer) << "楼宇资料"
                                                     << "楼宇层数"
                                                     << "3.5" << false << "3.5" << whole;
    QTest::newRow("comma typed into a whole number") << k(Kind::Integer) << "楼宇资料"
                                                     << "楼宇层数"
                                                     << "1,2" << false << "1,2" << whole;
    QTest::newRow("letters typed into a whole number") << k(Kind::Integer) << "楼宇资料"
                                                       << "楼宇层数"
                                                       << "abc3.5x" << false << "abc3.5x" << whole;
    QTest::newRow("decimal pasted into a whole number") << k(Kind::Integer) << "楼宇资料"
                                                        << "楼宇层数"
                                                        << "3.5" << true << "3.5" << whole;
    QTest::newRow("whole number pasted") << k(Kind::Integer) << "楼宇资料"
                                         << "楼宇层数"
                                         << "1234" << true << "1234"
                                         << "";
    QTest::newRow("fifth decimal of an area") << k(Kind::Decimal) << "房屋资料"
                                              << "房屋面积"
                                              << "1.23456" << false << "1.23456"
                                              << "“房屋面积”最多四位小数！";
    QTest::newRow("letter typed into money") << k(Kind::Money) << "押金明细表"
                                             << "金额"
                                             << "1a" << false << "1a"
                                             << "“金额”只能是数字！";
    QTest::newRow("words pasted into money") << k(Kind::Money) << "押金明细表"
                                             << "金额"
                                             << "十元" << true << "十元"
                                             << "“金额”只能是数字！";
    QTest::newRow("letter typed into a date") << k(Kind::Date) << "楼宇资料"
                                              << "建成日期"
                                              << "2004x" << false << "2004"
                                              << "输入的内容不正确,请重新输入!";
}

void TestDbCtrls::typedTextStaysUntilRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(bool, pasted);
    QFETCH(QString, shownAfter);
    QFETCH(QString, refusal);
    ScriptedPrompt *prompt = ScriptedPrompt::install();
    QToolTip::hideText();
    QWidget form;
    DataSet ds;
    QWidget *editor = editorOnNewRow(Kind(kind), &form, &ds, table, field);
    QVERIFY(editor);
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (pasted) {
        QApplication::clipboard()->setText(input);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        typeText(edit, input);
    }
    QCOMPARE(edit->text(), shownAfter);
    QVERIFY(prompt->shown.isEmpty());
    if (Kind(kind) == Kind::Date) {
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("只能输入日期，如2004-08-15"));
        QToolTip::hideText();
    } else {
        QVERIFY(!QToolTip::isVisible());
    }
    QCOMPARE(DBControl::of(editor)->refusal(), refusal);
    QCOMPARE(DBControl::of(editor)->commit(), refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QVERIFY(ds.value(field).isNull());
        QVERIFY(!DBControl::commitAllOrRefuse(&form));
        QCOMPARE(prompt->texts(), QStringList(refusal));
        QCOMPARE(edit->text(), shownAfter);
    }
    Prompt::setHandler(nullptr);
}

// Names, codes and remarks keep to their length and hold no control characters, however they
// are typed or pasted: line breaks stay only in remarks of several lines, a tab or a line
// break of one line becomes a blank. A longer text stored by another program is shown whole.
void TestDbCtrls::textsKeepToTheirRule_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("shownAfter");
    const auto k = [](Kind x) { return int(x); };
    QTest::newRow("control characters in a name") << k(Kind::Edit) << "楼宇资料"
                                                  << "楼宇名称" << QStringLiteral("一\x01号\x07楼\x1b") << "一号楼";
    QTest::newRow("tab and line break of a receipt number") << k(Kind::Edit) << "押金明细表"
                                                            << "单据号码"
                                                            << "SF\t2004\r\n01"
                                                            << "SF 2004 01";
    QTest::newRow("a fee name of 10,000 characters")
        << k(Kind::Edit) << "收费项目"
        << "收费名称" << QString(10000, QChar(0x8d39)) << QString(50, QChar(0x8d39));
    QTest::newRow("a code of 30 characters") << k(Kind::Edit) << "房屋资料"
                                             << "房屋代码" << QString(30, u'9') << QString(20, u'9');
    QTest::newRow("line breaks stay in remarks")
        << k(Kind::Memo) << "房屋资料"
        << "备注" << QStringLiteral("第一行\r\n第二行\x07\n\x1b第三行") << "第一行\n第二行\n第三行";
    QTest::newRow("remarks of 3,000 characters") << k(Kind::Memo) << "房屋资料"
                                                 << "备注" << QString(3000, u'x') << QString(2000, u'x');
    QTest::newRow("payer in a drop-down's box") << k(Kind::Combo) << "收费明细表"
                                                << "缴费人" << QStringLiteral("张\x01三") << "张三";
}

void TestDbCtrls::textsKeepToTheirRule()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, pasted);
    QFETCH(QString, shownAfter);
    QWidget form;
    DataSet ds;
    QWidget *editor = editorOnNewRow(Kind(kind), &form, &ds, table, field);
    QVERIFY(editor);
    QApplication::clipboard()->setText(pasted);
    QWidget *target = editor;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        target = combo->lineEdit();
    }
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(shown(editor), shownAfter);
    QVERIFY(DBControl::of(editor)->commit());
    QCOMPARE(ds.value(field).toString(), shownAfter);

    // What another program stored is shown whole, and stays so when the row is saved untouched.
    const QString stored = QString(3000, u'长');
    ds.cancel();
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into %1 (%2) values (?)").arg(table, Schema::quoted(field)),
                               {stored}));
    ds.reopen();
    ds.last();
    QCOMPARE(shown(editor), stored);
    QVERIFY(DBControl::of(editor)->commit());
    QCOMPARE(ds.value(field).toString(), stored);
}

// Number, date and drop-down editors are disabled while browsing; their values stay as
// readable as text on the panel (a contrast of at least 4.5 to 1 between the text and its
// background).
void TestDbCtrls::disabledValuesAreReadable_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("field");
    QTest::newRow("number") << int(Kind::Integer) << "楼宇层数";
    QTest::newRow("date") << int(Kind::Date) << "建成日期";
    QTest::newRow("drop-down") << int(Kind::Combo) << "楼房结构";
    QTest::newRow("check box") << int(Kind::Check) << "楼宇层数";
}

void TestDbCtrls::disabledValuesAreReadable()
{
    QFETCH(int, kind);
    QFETCH(QString, field);
    QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称, 建成日期, 楼宇层数, 楼房结构) values "
                                              "('A', '2001-01-01 00:00:00', 888, '钢混结构')")));
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    QWidget *editor = makeEditor(Kind(kind), &form);
    layout->addWidget(editor);
    DataSet ds;
    openTable(ds, QStringLiteral("楼宇资料"));
    DBControl::of(editor)->bind(&ds, field);
    if (auto *check = qobject_cast<QCheckBox *>(editor)) {
        check->setText(QStringLiteral("楼宇层数八百八十八"));
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(!editor->isEnabled());

    const QImage image = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The background is the commonest colour; the text is the darkest.
    QHash<QRgb, int> counts;
    QRgb darkest = qRgb(255, 255, 255);
    const auto luminance = [](QRgb c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    // Inside the frame only.
    for (int y = 4; y < image.height() - 4; ++y) {
        for (int x = 4; x < image.width() - 4; ++x) {
            const QRgb c = image.pixel(x, y);
            ++counts[c];
            if (luminance(c) < luminance(darkest)) {
                darkest = c;
            }
        }
    }
    QRgb background = counts.constBegin().key();
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        if (it.value() > counts.value(background)) {
            background = it.key();
        }
    }
    const double contrast = (luminance(background) + 0.05) / (luminance(darkest) + 0.05);
    QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("contrast %1").arg(contrast)));
}

QTEST_MAIN(TestDbCtrls)
#include "tst_dbctrls.moc"
