// The windows of a counter on a database server: the password question, and "迁移到服务器"
// moving this counter's database onto the server and working there afterwards.
#include "admin/migrate.h"
#include "admin/serverpassword.h"
#include "backend.h"
#include "data/dm1.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "temphome.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The test server's login that must give its password (scripts/test.sh lets it in so only).
const QString Login = u"parvell_password"_s;
const QString Password = u"Secret-1"_s;

// Types each of the answers into the password question as it comes ("" cancels it).
void answerPasswords(QStringList answers, QStringList *questions)
{
    if (answers.isEmpty()) {
        return;
    }
    const QString next = answers.takeFirst();
    whenShown<TForm_serverpassword>([next, answers, questions](TForm_serverpassword *d) {
        *questions << d->Label1->text();
        QCOMPARE(d->Label1->buddy(), d->Edit1);
        QCOMPARE(d->Edit1->echoMode(), QLineEdit::Password);
        if (next.isEmpty()) {
            QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
            return;
        }
        answerPasswords(answers, questions);
        QTest::keyClicks(d->Edit1, next);
        QTest::keyClick(d->Edit1, Qt::Key_Return);
    });
}
}

class TestServerWindows : public QObject
{
    Q_OBJECT

    ScriptedPrompt *m_prompt = nullptr;

private slots:
    void initTestCase()
    {
        const Counter admin(TempHome().dm(), u"admin"_s);
        QSqlQuery q(admin.database());
        q.exec(u"DROP ROLE IF EXISTS %1"_s.arg(Login));
        QVERIFY(q.exec(u"CREATE ROLE %1 LOGIN SUPERUSER PASSWORD '%2'"_s.arg(Login, Password)));
    }
    void init() { m_prompt = ScriptedPrompt::install(); }

    // The password is asked when the server wants one, again when it is refused (three times
    // at most), and kept as typed, upper and lower case.
    void passwordIsAskedUntilTheServerTakesIt_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("connected");
        QTest::newRow("right at once") << QStringList {Password} << true;
        QTest::newRow("right at the third") << QStringList {u"x"_s, Password.toUpper(), Password} << true;
        QTest::newRow("wrong three times") << QStringList {u"x"_s, u"y"_s, u"z"_s} << false;
        QTest::newRow("cancelled") << QStringList {QString()} << false;
    }
    void passwordIsAskedUntilTheServerTakesIt()
    {
        QFETCH(QStringList, typed);
        QFETCH(bool, connected);
        DatabaseAddress server {Backend::serverConninfo() + u" user="_s + Login, {}, true};
        QStringList questions;
        answerPasswords(typed, &questions);
        QString error;
        QCOMPARE(server.reach([](const QString &q) { return TForm_serverpassword::ask(nullptr, q); }, &error),
                 connected);
        QCOMPARE(questions.size(), typed.size());
        QVERIFY(questions.constFirst().startsWith(u"请输入数据库服务器（"_s));
        for (int i = 1; i < questions.size(); ++i) {
            QVERIFY(questions[i].startsWith(u"口令不正确，请重新输入。"_s));
        }
        QCOMPARE(server.password, connected ? Password : typed.constLast());
        if (!connected) {
            QVERIFY2(error.contains(typed.constLast().isEmpty() ? u"没有输入口令"_s : u"不能连接"_s),
                     qPrintable(error));
        }
    }

    // The counter's own database goes onto the empty server database, and the counter works
    // there from then on; an empty connection is asked for first.
    void migrateWindowMovesTheCounter()
    {
        // The counter's home with its file, and the server database it goes to.
        QTemporaryDir dir;
        Dm1 dm(dir.path());
        QVERIFY(dm.openConnection());
        QVERIFY(dm.exec(u"insert into 楼宇资料 (楼宇名称) values ('一号楼')"_s));
        const QString conninfo = Backend::freshServerDatabase();
        dm.closeConnection();

        TForm_migrate w;
        w.show();
        QCOMPARE(w.Label1->buddy(), w.Edit1);
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QVERIFY(m_prompt->lastText().startsWith(u"请填写数据库服务器的连接"_s));
        QTest::keyClicks(w.Edit1, conninfo);
        m_prompt->answers << true << true;
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY2(m_prompt->lastText().startsWith(u"迁移完毕，共复制 3 条记录。"_s), qPrintable(m_prompt->lastText()));
        QFile conf(dm.serverConfPath());
        QVERIFY(conf.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(conf.readAll()), conninfo + u"\n"_s);
        QVERIFY(dm.onServer());
        QVERIFY2(dm.openConnection(), qPrintable(dm.lastError()));
        QCOMPARE(dm.column(u"select 楼宇名称 from 楼宇资料"_s), QStringList {u"一号楼"_s});
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestServerWindows tc;
    return Backend::runOnServer(&tc, argc, argv);
}

#include "tst_serverwindows.moc"
