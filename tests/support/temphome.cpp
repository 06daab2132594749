#include "temphome.h"

#include "backend.h"

#include <QDir>
#include <QFile>
#include <QTest>

TempHome::TempHome()
{
    if (Backend::onServer()) {
        // A home whose counter works on the test server: every Dm1 of it opens that database.
        const QString conninfo = Backend::freshServerDatabase();
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        writeFile(QDir(m_dir.path()).filePath(QStringLiteral("data/server.conf")), conninfo.toUtf8() + '\n');
    }
    m_dm = std::make_unique<Dm1>(m_dir.path());
    QDir::setCurrent(m_dir.path());
    m_ok = m_dm->openConnection();
    Session &session = m_dm->session();
    session.currentOperator = Dm1::defaultOperator();
    session.operatorId =
        m_dm->scalar(QStringLiteral("select id from 权限表 where 姓名=?"), {Dm1::defaultOperator()}).toLongLong();
    session.loggedIn = true;
}

TempHome::~TempHome()
{
    m_dm.reset();
    QDir::setCurrent(QDir::tempPath());
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool addManyOwners(Dm1 *dm, int count)
{
    return dm->inTransaction([dm, count](QString *e) {
        for (int i = 0; i < count; ++i) {
            if (!dm->exec(QStringLiteral("insert into 业主资料 (业主名称, 备注) values (?, ?)"),
                          {QStringLiteral("业主%1").arg(i), QString(300, QLatin1Char('m'))}, e)) {
                return false;
            }
        }
        return true;
    });
}

void damagePages(QByteArray &databaseBytes)
{
    const int page = 4096;
    for (int p = 50; p < 54; ++p) {
        databaseBytes.replace(p * page + 8, page - 8, QByteArray(page - 8, '\xa5'));
    }
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}
