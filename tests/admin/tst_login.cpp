#include "admin/core/passwords.h"
#include "admin/enter.h"
#include "admin/password.h"
#include "admin/qxb_edit.h"
#include "app/main.h"
#include "app/windowregistry.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbedit.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "temphome.h"
#include "typing.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

namespace {
const QString Admin = Dm1::defaultOperator();

QPushButton *button(QWidget *w, const QString &name)
{
    auto *b = w->findChild<QPushButton *>(name);
    Q_ASSERT(b);
    return b;
}

template<typename T> T *child(QWidget *w, const QString &name)
{
    auto *c = w->findChild<T *>(name);
    Q_ASSERT(c);
    return c;
}

// One login attempt: choose the operator (empty: none), type the password, press "确认".
void attempt(TForm_Enter *d, const QString &name, const QString &password)
{
    auto *combo = child<QComboBox>(d, QStringLiteral("ComboBox1"));
    combo->setCurrentIndex(name.isEmpty() ? -1 : combo->findText(name));
    auto *edit = child<QLineEdit>(d, QStringLiteral("Edit1"));
    edit->clear();
    typeText(edit, password);
    button(d, QStringLiteral("BitBtn1"))->click();
}
}

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { WindowRegistry::registerAll(); }
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        m_prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 30)));
    }
    void cleanup()
    {
        m_preparation.reset();
        m_home.reset();
        Clock::setFixed({});
    }

    void passwordBox();
    void login_data();
    void login();
    void refusals_data();
    void refusals();
    void enterMovesAndConfirms();
    void emptyOperatorTable();
    void startUp_data();
    void startUp();
    void unattendedStartUp_data();
    void unattendedStartUp();
    void changeOperator_data();
    void changeOperator();
    void newOperatorLogsInWithEmptyBox();
    void duplicateOperatorRefused();
    void renamingOneselfRenamesTheSession();
    void operatorEditorButtons();
    void changePassword_data();
    void changePassword();
    void changePasswordEnterSaves();
    void settingsChecks_data();
    void settingsChecks();
    void settingsInsertOnEmptyTable();
    void settingsThroughMainWindow();
    void smallDialogsShowTheirWholeTitleAndSpacedButtons_data();
    void smallDialogsShowTheirWholeTitleAndSpacedButtons();

private:
    void addOperator(const QString &name, const QString &stored, const QString &inputMethod = {})
    {
        QVERIFY(m_home->dm()->exec(QStringLiteral("insert into 权限表 (姓名, 操作口令, 输入法) values (?, ?, ?)"),
                                   {name, stored, inputMethod}));
    }
    void openOperators()
    {
        DataSet *q = m_home->dm()->q_qxb;
        q->close();
        q->clearSql();
        q->addLine(QStringLiteral("select * from 权限表 order by 姓名"));
        QVERIFY(q->open());
    }
    Session &session() const { return m_home->dm()->session(); }
    // The dialog prepared as the main window prepares it.
    void prepare(QDialog *dialog)
    {
        m_preparation = std::make_unique<Preparation>(dialog, m_home->dm());
        QVERIFY(m_preparation->run());
    }
    QString storedPassword(const QString &name)
    {
        return m_home->dm()->scalar(QStringLiteral("select 操作口令 from 权限表 where 姓名=?"), {name}).toString();
    }

    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<Preparation> m_preparation;
    ScriptedPrompt *m_prompt = nullptr;
};

void TestLogin::passwordBox()
{
    TForm_Enter d;
    prepare(&d);
    d.show();
    auto *edit = child<QLineEdit>(&d, QStringLiteral("Edit1"));
    typeText(edit, QStringLiteral("abC1"));
    QCOMPARE(edit->text(), QStringLiteral("ABC1"));
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    QVERIFY(edit->displayText() != edit->text());
    // Operators in name order, none chosen yet.
    auto *combo = child<QComboBox>(&d, QStringLiteral("ComboBox1"));
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->maxVisibleItems(), 8);
}

void TestLogin::login_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("lower case typed, upper case stored") << "张三"
                                                         << "ABC"
                                                         << "abc" << true;
    QTest::newRow("upper case typed, lower case stored") << "张三"
                                                         << "abc"
                                                         << "ABC" << true;
    QTest::newRow("hashed") << "张三" << Passwords::hash(QStringLiteral("pw9")) << "Pw9" << true;
    QTest::newRow("empty stored, empty box") << "张三"
                                             << ""
                                             << "" << true;
    QTest::newRow("apostrophe in the name") << "O'Neil"
                                            << "X"
                                            << "x" << true;
    QTest::newRow("wrong") << "张三"
                           << "ABC"
                           << "abd" << false;
    QTest::newRow("200 characters") << "张三"
                                    << "ABC" << QString(200, QLatin1Char('a')) << false;
    QTest::newRow("200 characters stored")
        << "张三" << QString(200, QLatin1Char('A')) << QString(200, QLatin1Char('a')) << true;
    QTest::newRow("corrupt hash") << "张三"
                                  << "$argon2id$v=19$m=19456,t=2,p=1$AAAA"
                                  << "" << false;
}

void TestLogin::login()
{
    QFETCH(QString, name);
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    addOperator(name, stored, QStringLiteral("pinyin"));
    session() = Session {};

    TForm_Enter d;
    prepare(&d);
    d.show();
    attempt(&d, name, typed);
    if (accepted) {
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(m_prompt->shown.isEmpty());
        QCOMPARE(session().currentOperator, name);
        QCOMPARE(session().inputMethod, QStringLiteral("pinyin"));
        QCOMPARE(session().password, typed.toUpper());
        QCOMPARE(session().operatorId,
                 m_home->dm()->scalar(QStringLiteral("select id from 权限表 where 姓名=?"), {name}).toLongLong());
        // Whatever was stored, from now on only a hash (or nothing) is kept.
        const QString now = storedPassword(name);
        if (stored.isEmpty()) {
            QVERIFY(now.isEmpty());
        } else {
            QVERIFY(Passwords::isHash(now));
            QCOMPARE(Passwords::verify(now, typed), Passwords::Check::Accepted);
        }
    } else {
        QVERIFY(d.isVisible());
        QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("密码不对，第1次！  ")});
        QCOMPARE(m_prompt->shown.constFirst().caption, QStringLiteral("提示"));
        QCOMPARE(m_prompt->shown.constFirst().icon, Prompt::Icon::Warning);
        QVERIFY(child<QLineEdit>(&d, QStringLiteral("Edit1"))->text().isEmpty());
        QCOMPARE(storedPassword(name), stored);
        QVERIFY(session().currentOperator.isEmpty());
    }
}

void TestLogin::refusals_data()
{
    QTest::addColumn<QStringList>("names"); // operator chosen at each attempt ("" = none)
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("three wrong passwords")
        << QStringList {"张三", "张三", "张三"} << QStringList {"密码不对，第1次！  ", "密码不对，第2次！  "};
    QTest::newRow("no operator, then wrong")
        << QStringList {"", "张三", "张三"} << QStringList {"请选择操作人员！  ", "密码不对，第2次！  "};
    QTest::newRow("no operator three times")
        << QStringList {"", "", ""} << QStringList {"请选择操作人员！  ", "请选择操作人员！  "};
}

void TestLogin::refusals()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, messages);
    addOperator(QStringLiteral("张三"), QStringLiteral("RIGHT"));
    TForm_Enter d;
    prepare(&d);
    d.show();
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY(d.isVisible());
        attempt(&d, names[i], QStringLiteral("wrong"));
    }
    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(m_prompt->texts(), messages);

    // Shown again, the dialog counts from zero.
    m_prompt->clear();
    d.show();
    attempt(&d, QStringLiteral("张三"), QStringLiteral("wrong"));
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("密码不对，第1次！  ")});
}

void TestLogin::enterMovesAndConfirms()
{
    addOperator(QStringLiteral("张三"), QStringLiteral("PW"));
    TForm_Enter d;
    prepare(&d);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    auto *combo = child<QComboBox>(&d, QStringLiteral("ComboBox1"));
    auto *edit = child<QLineEdit>(&d, QStringLiteral("Edit1"));
    QVERIFY(combo->hasFocus());
    combo->setCurrentIndex(combo->findText(QStringLiteral("张三")));
    QTest::keyClick(combo, Qt::Key_Return);
    QVERIFY(edit->hasFocus());
    typeText(edit, QStringLiteral("pw"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(session().currentOperator, QStringLiteral("张三"));
}

void TestLogin::emptyOperatorTable()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("delete from 权限表")));
    TForm_Enter d;
    prepare(&d);
    d.show();
    QCOMPARE(child<QComboBox>(&d, QStringLiteral("ComboBox1"))->count(), 0);
    for (int i = 0; i < 3; ++i) {
        button(&d, QStringLiteral("BitBtn1"))->click();
    }
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(m_prompt->texts().size(), 2);
}

void TestLogin::startUp_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("logs in") << "ok";
    QTest::newRow("three refusals") << "refused";
    QTest::newRow("终止") << "abandon";
}

void TestLogin::startUp()
{
    QFETCH(QString, how);
    session() = Session {};
    TForm_main main(m_home->dm());
    whenShown<TForm_Enter>([how](TForm_Enter *d) {
        if (how == QStringLiteral("ok")) {
            attempt(d, Admin, QString());
        } else if (how == QStringLiteral("refused")) {
            for (int i = 0; i < 3; ++i) {
                attempt(d, Admin, QStringLiteral("x"));
            }
        } else {
            button(d, QStringLiteral("BitBtn2"))->click();
        }
    });
    const bool started = main.firstActivation();
    QCOMPARE(started, how == QStringLiteral("ok"));
    QCOMPARE(session().loggedIn, started);
    QCOMPARE(main.findChild<QLabel *>(QStringLiteral("Panel0"))->text(),
             started ? QStringLiteral("操作员：") + Admin : QStringLiteral("操作员："));
    if (!started) {
        // The main window closes, which ends the program.
        QTRY_VERIFY(!m_home->dm()->isConnected());
    }
}

void TestLogin::unattendedStartUp_data()
{
    QTest::addColumn<QString>("firstPassword"); // of the first operator in name order
    QTest::newRow("no password: in") << QString();
    QTest::newRow("a password: refused as usual") << QStringLiteral("SECRET");
}

// An unattended start confirms the login dialog as an operator would who takes the first
// operator and types no password: only an operator without a password gets in.
void TestLogin::unattendedStartUp()
{
    QFETCH(QString, firstPassword);
    // "阿" (ā) sorts before "管理员" (guǎn) in pinyin order; the administrator keeps his empty
    // password.
    addOperator(QStringLiteral("阿一"), Passwords::hash(firstPassword));
    session() = Session {};
    TForm_main main(m_home->dm());
    main.setUnattendedLogin(true);
    const bool refused = !firstPassword.isEmpty();
    if (refused) {
        whenShown<TForm_Enter>([](TForm_Enter *d) {
            QTRY_COMPARE(d->failures(), 1);
            button(d, QStringLiteral("BitBtn2"))->click();
        });
    }
    QCOMPARE(main.firstActivation(), !refused);
    QCOMPARE(session().currentOperator, refused ? QString() : QStringLiteral("阿一"));
    QCOMPARE(m_prompt->texts(), refused ? QStringList {QStringLiteral("密码不对，第1次！  ")} : QStringList());
    QVERIFY(!m_home->dm()->q_qxb->isOpen());
}

void TestLogin::changeOperator_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("after");
    QTest::newRow("another operator") << "ok"
                                      << "张三";
    QTest::newRow("three refusals keep the operator") << "refused"
                                                      << "管理员";
    QTest::newRow("终止 keeps the operator") << "abandon"
                                             << "管理员";
}

void TestLogin::changeOperator()
{
    QFETCH(QString, how);
    QFETCH(QString, after);
    addOperator(QStringLiteral("张三"), QStringLiteral("ZS"));
    session() = Session {};
    TForm_main main(m_home->dm());
    whenShown<TForm_Enter>([](TForm_Enter *d) { attempt(d, Admin, QString()); });
    QVERIFY(main.firstActivation());

    whenShown<TForm_Enter>([how](TForm_Enter *d) {
        if (how == QStringLiteral("ok")) {
            attempt(d, QStringLiteral("张三"), QStringLiteral("zs"));
        } else if (how == QStringLiteral("refused")) {
            for (int i = 0; i < 3; ++i) {
                attempt(d, QStringLiteral("张三"), QStringLiteral("x"));
            }
        } else {
            button(d, QStringLiteral("BitBtn2"))->click();
        }
    });
    QVERIFY(main.runCommand(QStringLiteral("更换操作员")));
    QCOMPARE(session().currentOperator, after);
    QCOMPARE(session().password, after == Admin ? QString() : QStringLiteral("ZS"));
    QVERIFY(session().loggedIn);
    QVERIFY(m_home->dm()->isConnected());
    QCOMPARE(main.findChild<QLabel *>(QStringLiteral("Panel0"))->text(), QStringLiteral("操作员：") + after);
}

void TestLogin::newOperatorLogsInWithEmptyBox()
{
    openOperators();
    {
        TForm_qxb_edit editor;
        editor.show();
        QCOMPARE(child<DBEdit>(&editor, QStringLiteral("DBEdit1"))->text(), Admin);
        button(&editor, QStringLiteral("BitBtn1"))->click(); // 增加
        QVERIFY(!button(&editor, QStringLiteral("BitBtn1"))->isEnabled());
        QVERIFY(!button(&editor, QStringLiteral("BitBtn4"))->isEnabled());
        auto *name = child<DBEdit>(&editor, QStringLiteral("DBEdit1"));
        QVERIFY(name->text().isEmpty());
        typeText(name, QStringLiteral("李四"));
        typeText(child<DBEdit>(&editor, QStringLiteral("DBEdit3")), QStringLiteral("5551234"));
        button(&editor, QStringLiteral("BitBtn2"))->click(); // 存盘
        QVERIFY(m_prompt->shown.isEmpty());
        QVERIFY(button(&editor, QStringLiteral("BitBtn1"))->isEnabled());
        QVERIFY(button(&editor, QStringLiteral("BitBtn4"))->isEnabled());
    }
    Dm1 *dm = m_home->dm();
    QCOMPARE(dm->scalar(QStringLiteral("select 联系电话 || '/' || 操作员 || '/' || 操作日期 from 权限表 where 姓名=?"),
                        {QStringLiteral("李四")})
                 .toString(),
             QStringLiteral("5551234/管理员/2004-08-15 09:30:00"));
    QVERIFY(storedPassword(QStringLiteral("李四")).isEmpty());

    TForm_Enter d;
    prepare(&d);
    d.show();
    attempt(&d, QStringLiteral("李四"), QString());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(session().currentOperator, QStringLiteral("李四"));
}

void TestLogin::duplicateOperatorRefused()
{
    openOperators();
    TForm_qxb_edit editor;
    editor.show();
    button(&editor, QStringLiteral("BitBtn1"))->click();
    typeText(child<DBEdit>(&editor, QStringLiteral("DBEdit1")), Admin);
    typeText(child<DBEdit>(&editor, QStringLiteral("DBEdit2")), QStringLiteral("110101"));
    button(&editor, QStringLiteral("BitBtn2"))->click();
    QCOMPARE(m_prompt->shown.size(), 1);
    QCOMPARE(m_prompt->lastText(), QStringLiteral("姓名“管理员”已经存在！"));
    QCOMPARE(m_prompt->shown.constFirst().caption, QStringLiteral("提示"));
    // Still adding, with everything typed.
    QCOMPARE(m_home->dm()->q_qxb->state(), DataSet::State::Insert);
    QCOMPARE(child<DBEdit>(&editor, QStringLiteral("DBEdit2"))->text(), QStringLiteral("110101"));
    QVERIFY(!button(&editor, QStringLiteral("BitBtn4"))->isEnabled());
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 1);

    // A name of its own is then saved.
    auto *name = child<DBEdit>(&editor, QStringLiteral("DBEdit1"));
    name->clear();
    typeText(name, QStringLiteral("O'Neil"));
    button(&editor, QStringLiteral("BitBtn2"))->click();
    QCOMPARE(m_prompt->shown.size(), 1);
    QCOMPARE(m_home->dm()
                 ->scalar(QStringLiteral("select 身份证号 from 权限表 where 姓名=?"), {QStringLiteral("O'Neil")})
                 .toString(),
             QStringLiteral("110101"));
}

// The logged-in operator who renames his own row goes on under the new name (stamps, the
// password window); renaming another operator changes nothing of the session.
void TestLogin::renamingOneselfRenamesTheSession()
{
    addOperator(QStringLiteral("李四"), QString());
    openOperators();
    DataSet *q = m_home->dm()->q_qxb;
    TForm_qxb_edit editor;
    editor.show();
    auto *name = child<DBEdit>(&editor, QStringLiteral("DBEdit1"));
    for (const auto &[from, to, loggedIn] :
         {std::tuple {QStringLiteral("李四"), QStringLiteral("李四二"), Admin},
          std::tuple {Admin, QStringLiteral("管理员2"), QStringLiteral("管理员2")}}) {
        for (int r = 0; r < q->recordCount(); ++r) {
            if (q->value(r, q->fieldIndex(QStringLiteral("姓名"))).toString() == from) {
                q->moveTo(r);
            }
        }
        QCOMPARE(name->text(), from);
        name->clear();
        typeText(name, to);
        button(&editor, QStringLiteral("BitBtn2"))->click();
        QVERIFY(m_prompt->shown.isEmpty());
        QCOMPARE(session().currentOperator, loggedIn);
    }
}

void TestLogin::operatorEditorButtons()
{
    openOperators();
    TForm_qxb_edit editor;
    editor.setInputMethods({QStringLiteral("pinyin"), QStringLiteral("wubi")});
    editor.show();
    auto *name = child<DBEdit>(&editor, QStringLiteral("DBEdit1"));
    auto *add = button(&editor, QStringLiteral("BitBtn1"));

    // 增加 refuses while the shown operator has no name.
    name->clear();
    add->click();
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("姓名不能为空,请重新输入!")});
    QCOMPARE(m_home->dm()->q_qxb->recordCount(), 1);

    // 存盘 with an empty name refuses too and keeps editing.
    m_prompt->clear();
    button(&editor, QStringLiteral("BitBtn2"))->click();
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("姓名不能为空,请重新输入!")});
    QVERIFY(m_home->dm()->q_qxb->isEditing());

    // 取消 shows the row as stored.
    button(&editor, QStringLiteral("BitBtn3"))->click();
    QCOMPARE(name->text(), Admin);

    // An input method is chosen from the list and stored.
    add->click();
    typeText(name, QStringLiteral("王五"));
    auto *im = child<DBComboBoxEh>(&editor, QStringLiteral("DBComboBoxEh1"));
    QCOMPARE(im->count(), 2);
    im->setCurrentIndex(1);
    button(&editor, QStringLiteral("BitBtn3"))->click(); // 取消 drops the new row
    QCOMPARE(m_home->dm()->q_qxb->recordCount(), 1);
    QVERIFY(add->isEnabled());
    add->click();
    typeText(name, QStringLiteral("王五"));
    im->setCurrentIndex(1);
    button(&editor, QStringLiteral("BitBtn2"))->click();
    QCOMPARE(m_home->dm()
                 ->scalar(QStringLiteral("select 输入法 from 权限表 where 姓名=?"), {QStringLiteral("王五")})
                 .toString(),
             QStringLiteral("wubi"));
}

void TestLogin::changePassword_data()
{
    QTest::addColumn<QString>("oldPw");
    QTest::addColumn<QString>("newPw");
    QTest::addColumn<QString>("confirmPw");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    QTest::newRow("old wrong") << "XYZ"
                               << "NEW"
                               << "NEW"
                               << "旧操作口令不正确,请重新输入!"
                               << "Edit1";
    QTest::newRow("old wrong before mismatch") << "XYZ"
                                               << "A"
                                               << "B"
                                               << "旧操作口令不正确,请重新输入!"
                                               << "Edit1";
    QTest::newRow("entries differ") << "login"
                                    << "NEW1"
                                    << "NEW2"
                                    << "两次输入的操作口令不一致,请重新输入!"
                                    << "Edit2";
    QTest::newRow("both empty") << "login"
                                << ""
                                << ""
                                << "没有输入新操作口令,请重新输入!"
                                << "Edit2";
    QTest::newRow("both blanks") << "login"
                                 << "  "
                                 << "  "
                                 << "没有输入新操作口令,请重新输入!"
                                 << "Edit2";
    QTest::newRow("changed") << "login"
                             << "new"
                             << "NEW"
                             << "已经成功的修改了操作口令,请牢记!"
                             << "";
}

void TestLogin::changePassword()
{
    QFETCH(QString, oldPw);
    QFETCH(QString, newPw);
    QFETCH(QString, confirmPw);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    // The database holds something else: the old password is the one typed at login.
    addOperator(QStringLiteral("张三"), Passwords::hash(QStringLiteral("db")));
    session().currentOperator = QStringLiteral("张三");
    session().password = QStringLiteral("LOGIN");

    TForm_password d;
    prepare(&d);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QCOMPARE(child<QLabel>(&d, QStringLiteral("Label4"))->text(), QStringLiteral("张三"));
    typeText(child<QLineEdit>(&d, QStringLiteral("Edit1")), oldPw);
    typeText(child<QLineEdit>(&d, QStringLiteral("Edit2")), newPw);
    typeText(child<QLineEdit>(&d, QStringLiteral("Edit3")), confirmPw);
    button(&d, QStringLiteral("BitBtn1"))->click();
    QCOMPARE(m_prompt->texts(), QStringList {message});
    QCOMPARE(m_prompt->shown.constFirst().caption, QStringLiteral("提示"));
    const QString stored = storedPassword(QStringLiteral("张三"));
    if (focus.isEmpty()) {
        QCOMPARE(m_prompt->shown.constFirst().icon, Prompt::Icon::Information);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(session().password, QStringLiteral("NEW"));
        QCOMPARE(Passwords::verify(stored, QStringLiteral("new")), Passwords::Check::Accepted);
    } else {
        QCOMPARE(m_prompt->shown.constFirst().icon, Prompt::Icon::Warning);
        QVERIFY(d.isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(session().password, QStringLiteral("LOGIN"));
        QCOMPARE(Passwords::verify(stored, QStringLiteral("db")), Passwords::Check::Accepted);
    }
}

void TestLogin::changePasswordEnterSaves()
{
    session().password = QString();
    TForm_password d;
    prepare(&d);
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    auto *oldBox = child<QLineEdit>(&d, QStringLiteral("Edit1"));
    QVERIFY(oldBox->hasFocus());
    QTest::keyClick(oldBox, Qt::Key_Return);
    auto *newBox = child<QLineEdit>(&d, QStringLiteral("Edit2"));
    QVERIFY(newBox->hasFocus());
    typeText(newBox, QStringLiteral("abcdefghijkl")); // at most 10 characters
    QCOMPARE(newBox->text(), QStringLiteral("ABCDEFGHIJ"));
    QTest::keyClick(newBox, Qt::Key_Return);
    auto *confirmBox = child<QLineEdit>(&d, QStringLiteral("Edit3"));
    QVERIFY(confirmBox->hasFocus());
    typeText(confirmBox, QStringLiteral("abcdefghij"));
    QTest::keyClick(confirmBox, Qt::Key_Return);
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("已经成功的修改了操作口令,请牢记!")});
    QCOMPARE(Passwords::verify(storedPassword(Admin), QStringLiteral("abcdefghij")), Passwords::Check::Accepted);
}

void TestLogin::settingsChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("both empty: only the name") << ""
                                               << ""
                                               << "公司名称不能为空,请重新输入!"
                                               << "DBEdit1";
    QTest::newRow("name of blanks") << "   "
                                    << "标题"
                                    << "公司名称不能为空,请重新输入!"
                                    << "DBEdit1";
    QTest::newRow("title of blanks") << "物业公司"
                                     << "   "
                                     << "系统标题不能为空,请重新输入!"
                                     << "DBEdit8";
    QTest::newRow("saved") << "物业公司"
                           << "小区收费"
                           << ""
                           << "";
}

void TestLogin::settingsChecks()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    DataSet *q = m_home->dm()->q_gsxx;
    QDialog *d = WindowRegistry::create(QStringLiteral("TForm_gsxx_edit"), nullptr);
    prepare(d);
    const QString before = q->text(QStringLiteral("系统标题"));
    d->show();
    QVERIFY(QTest::qWaitForWindowActive(d));
    auto *nameBox = child<QLineEdit>(d, QStringLiteral("DBEdit1"));
    QVERIFY(nameBox->hasFocus());
    nameBox->setText(name);
    child<QLineEdit>(d, QStringLiteral("DBEdit8"))->setText(title);
    // Enter runs along the chain; in 动态文字 it saves.
    for (int i = 1; i <= 8; ++i) {
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("DBEdit%1").arg(i));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("DBEdit9"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    const QString stored = m_home->dm()->scalar(QStringLiteral("select 系统标题 from 公司信息")).toString();
    if (message.isEmpty()) {
        QVERIFY(m_prompt->shown.isEmpty());
        QCOMPARE(stored, title);
        QVERIFY(d->isVisible()); // stays open after saving
    } else {
        QCOMPARE(m_prompt->texts(), QStringList {message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(stored, before);
        QVERIFY(q->isEditing());
    }
    button(d, QStringLiteral("BitBtn2"))->click();
    QVERIFY(!q->isEditing());
    delete d;
}

void TestLogin::settingsInsertOnEmptyTable()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("delete from 公司信息")));
    QDialog *d = WindowRegistry::create(QStringLiteral("TForm_gsxx_edit"), nullptr);
    prepare(d);
    d->show();
    for (int i = 1; i <= 9; ++i) {
        QVERIFY(child<QLineEdit>(d, QStringLiteral("DBEdit%1").arg(i))->text().isEmpty());
    }
    typeText(child<QLineEdit>(d, QStringLiteral("DBEdit1")), QStringLiteral("O'Neil 物业"));
    typeText(child<QLineEdit>(d, QStringLiteral("DBEdit4")), QStringLiteral("王经理"));
    typeText(child<QLineEdit>(d, QStringLiteral("DBEdit8")), QStringLiteral("标题"));
    button(d, QStringLiteral("BitBtn1"))->click();
    QVERIFY(m_prompt->shown.isEmpty());
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select count(*) from 公司信息")).toInt(), 1);
    QCOMPARE(m_home->dm()
                 ->scalar(QStringLiteral("select 公司名称 || '/' || 联系人 || '/' || 系统标题 from 公司信息"))
                 .toString(),
             QStringLiteral("O'Neil 物业/王经理/标题"));
    // Saving again changes that row, no second one.
    button(d, QStringLiteral("BitBtn1"))->click();
    QCOMPARE(m_home->dm()->scalar(QStringLiteral("select count(*) from 公司信息")).toInt(), 1);
    delete d;
}

void TestLogin::settingsThroughMainWindow()
{
    QVERIFY(m_home->dm()->exec(QStringLiteral("update 公司信息 set 系统标题='旧标题', 动态文字='旧文字'")));
    session() = Session {};
    {
        TForm_main main(m_home->dm());
        whenShown<TForm_Enter>([](TForm_Enter *d) { attempt(d, Admin, QString()); });
        QVERIFY(main.firstActivation());
        QCOMPARE(main.windowTitle(), QStringLiteral("旧标题"));
        QCOMPARE(main.scrollingText()->text(), QStringLiteral("旧文字"));

        whenShown<QDialog>([](QDialog *d) {
            auto *title = child<QLineEdit>(d, QStringLiteral("DBEdit8"));
            title->clear();
            typeText(title, QStringLiteral("新标题"));
            auto *text = child<QLineEdit>(d, QStringLiteral("DBEdit9"));
            text->clear();
            typeText(text, QStringLiteral("欢迎光临"));
            button(d, QStringLiteral("BitBtn1"))->click();
            button(d, QStringLiteral("BitBtn2"))->click();
        });
        QVERIFY(main.runCommand(QStringLiteral("使用单位信息")));
        QVERIFY(m_prompt->shown.isEmpty());
        QCOMPARE(main.scrollingText()->text(), QStringLiteral("欢迎光临"));
        QCOMPARE(main.windowTitle(), QStringLiteral("旧标题")); // the caption waits for the next start
        QVERIFY(!m_home->dm()->q_gsxx->isOpen());
    }
    TForm_main next(m_home->dm());
    whenShown<TForm_Enter>([](TForm_Enter *d) { attempt(d, Admin, QString()); });
    QVERIFY(next.firstActivation());
    QCOMPARE(next.windowTitle(), QStringLiteral("新标题"));
}

void TestLogin::smallDialogsShowTheirWholeTitleAndSpacedButtons_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("login") << "TForm_Enter" << QStringList({"BitBtn1", "BitBtn2"});
    QTest::newRow("password") << "TForm_password" << QStringList({"BitBtn1", "BitBtn2"});
    QTest::newRow("operator editor") << "TForm_qxb_edit" << QStringList({"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4"});
}

// The whole caption fits the title bar (its text in bold, with room for the window icon and the
// close box), and neighbouring buttons keep the platform's distance instead of touching.
void TestLogin::smallDialogsShowTheirWholeTitleAndSpacedButtons()
{
    QFETCH(QString, dialog);
    QFETCH(QStringList, buttons);
    openOperators();
    std::unique_ptr<QDialog> d(dialog == QStringLiteral("TForm_qxb_edit") ? new TForm_qxb_edit
                                                                          : WindowRegistry::create(dialog, nullptr));
    QVERIFY(d);
    if (dialog != QStringLiteral("TForm_qxb_edit")) {
        prepare(d.get());
    }
    d->show();
    QVERIFY(QTest::qWaitForWindowExposed(d.get()));
    QFont bold = QApplication::font();
    bold.setBold(true);
    QVERIFY2(d->width() >= QFontMetrics(bold).horizontalAdvance(d->windowTitle()) + 100,
             qPrintable(QStringLiteral("%1 px for %2").arg(d->width()).arg(d->windowTitle())));
    const int gap = qMax(1, d->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing));
    for (int i = 0; i + 1 < buttons.size(); ++i) {
        QWidget *left = button(d.get(), buttons[i]);
        QWidget *right = button(d.get(), buttons[i + 1]);
        QVERIFY2(right->x() - left->geometry().right() - 1 >= gap, qPrintable(buttons[i]));
    }
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
