#include "admin/core/passwords.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QTest>

using Passwords::Check;

class TestPasswords : public QObject
{
    Q_OBJECT
private slots:
    void verify_data();
    void verify();
    void hashIsSalted();
    void storeByRow();
};

void TestPasswords::verify_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");

    const QString secret = Passwords::hash(QStringLiteral("Secret"));
    QVERIFY(Passwords::isHash(secret));
    const QString longOne(200, QLatin1Char('x'));
    const QString longHash = Passwords::hash(longOne);

    QTest::newRow("hash, same case") << secret << "SECRET" << int(Check::Accepted);
    QTest::newRow("hash, lower case typed") << secret << "secret" << int(Check::Accepted);
    QTest::newRow("hash, wrong") << secret << "SECRE" << int(Check::Refused);
    QTest::newRow("hash, empty typed") << secret << "" << int(Check::Refused);
    QTest::newRow("plain upper, typed lower") << "ABC"
                                              << "abc" << int(Check::AcceptedPlainText);
    QTest::newRow("plain lower, typed upper") << "abc"
                                              << "ABC" << int(Check::AcceptedPlainText);
    QTest::newRow("plain, wrong") << "abc"
                                  << "abd" << int(Check::Refused);
    QTest::newRow("plain Chinese") << "口令"
                                   << "口令" << int(Check::AcceptedPlainText);
    QTest::newRow("empty, empty typed") << ""
                                        << "" << int(Check::Accepted);
    QTest::newRow("empty, something typed") << ""
                                            << "A" << int(Check::Refused);
    QTest::newRow("200 characters, hashed") << longHash << longOne << int(Check::Accepted);
    QTest::newRow("200 characters against empty") << "" << longOne << int(Check::Refused);
    QTest::newRow("hash cut short") << secret.left(secret.size() - 10) << "SECRET" << int(Check::Refused);
    QTest::newRow("hash prefix only") << "$argon2id$"
                                      << "SECRET" << int(Check::Refused);
    QTest::newRow("hash garbage") << "$argon2id$v=19$m=19456,t=2,p=1$@@@@$####"
                                  << "SECRET" << int(Check::Refused);
    QString greedy = secret;
    greedy.replace(QStringLiteral("m=19456"), QStringLiteral("m=999999999"));
    QTest::newRow("hash asking for 1 TB") << greedy << "SECRET" << int(Check::Refused);
    QString slow = secret;
    slow.replace(QStringLiteral("t=2"), QStringLiteral("t=9999"));
    QTest::newRow("hash asking for 9999 passes") << slow << "SECRET" << int(Check::Refused);
}

void TestPasswords::verify()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(int, expected);
    // How long a check takes (hostile hashes included) is measured by bench/bench_passwords.
    QCOMPARE(int(Passwords::verify(stored, typed)), expected);
}

void TestPasswords::hashIsSalted()
{
    const QString a = Passwords::hash(QStringLiteral("abc"));
    const QString b = Passwords::hash(QStringLiteral("ABC"));
    QVERIFY(a.startsWith(QStringLiteral("$argon2id$")));
    QVERIFY(a != b); // salted: the same password never gives the same text
    QCOMPARE(Passwords::verify(a, QStringLiteral("ABC")), Check::Accepted);
    QCOMPARE(Passwords::verify(b, QStringLiteral("abc")), Check::Accepted);
    QVERIFY(Passwords::hash(QString()).isEmpty());
}

void TestPasswords::storeByRow()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(
        dm->exec(QStringLiteral("insert into 权限表 (姓名, 操作口令) values (?, 'OLD')"), {QStringLiteral("O'Neil")}));
    const QVariant id = dm->scalar(QStringLiteral("select id from 权限表 where 姓名=?"), {QStringLiteral("O'Neil")});
    QVERIFY(Passwords::store(dm, id, QStringLiteral("new")));
    const QString stored = dm->scalar(QStringLiteral("select 操作口令 from 权限表 where id=?"), {id}).toString();
    QCOMPARE(Passwords::verify(stored, QStringLiteral("NEW")), Check::Accepted);
    // The other operator is untouched.
    QCOMPARE(
        dm->scalar(QStringLiteral("select 操作口令 from 权限表 where 姓名=?"), {Dm1::defaultOperator()}).toString(),
        QString());
}

QTEST_GUILESS_MAIN(TestPasswords)
#include "tst_passwords.moc"
