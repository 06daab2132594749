#include "admin/core/servermigration.h"

#include "admin/core/databaserestore.h"
#include "data/dm1.h"
#include "data/transaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString From = QStringLiteral("parvell_migrate_from");
const QString To = QStringLiteral("parvell_migrate_to");

bool fail(QString *error, const QString &text)
{
    *error = text;
    return false;
}

// The rows the server's database holds beyond what a counter's first start makes there (one
// operator 管理员 without a password, one organisation row); -1 when it cannot be read.
qint64 rowsBeyondAFirstStart(const QSqlDatabase &db, QString *error)
{
    const qint64 all = TableCopy::rowsIn(db, error);
    if (all < 0) {
        return -1;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT (SELECT count(*) FROM 权限表 WHERE 姓名=? AND coalesce(操作口令,'')=''), "
                             "(SELECT count(*) FROM 权限表), (SELECT count(*) FROM 公司信息)"));
    q.addBindValue(Dm1::defaultOperator());
    if (!q.exec() || !q.next()) {
        *error = q.lastError().databaseText();
        return -1;
    }
    const qint64 defaultOperator = q.value(0).toLongLong();
    const qint64 operators = q.value(1).toLongLong();
    const qint64 organisations = q.value(2).toLongLong();
    const bool firstStart = operators == defaultOperator && operators <= 1 && organisations <= 1;
    return firstStart ? all - operators - organisations : all;
}

bool copyInto(const QSqlDatabase &from, const QSqlDatabase &to, bool makeTables, QString *error, qint64 *rows,
              const TableCopy::Progress &progress)
{
    const Dialect &dialect = Dialect::of(to);
    Transaction tx(to);
    QString why = tx.error();
    if (!tx.begun()) {
        return fail(error, why);
    }
    QSqlQuery q(to);
    QStringList statements;
    if (makeTables) {
        statements = dialect.databaseStatements() + Schema::createStatements(dialect);
    } else {
        // What a first start made gives way to the office's own rows.
        statements << QStringLiteral("DELETE FROM 权限表") << QStringLiteral("DELETE FROM 公司信息");
    }
    for (const QString &s : std::as_const(statements)) {
        if (!q.exec(s)) {
            return fail(error, q.lastError().databaseText());
        }
    }
    qint64 copied = 0;
    const bool ok = TableCopy::copyAll(from, to, &why, [&](qint64 done) {
        copied = done;
        return !progress || progress(done);
    });
    if (!ok || !tx.commit(&why)) {
        return fail(error, why);
    }
    if (rows) {
        *rows = copied;
    }
    return true;
}

}

bool ServerMigration::migrate(const QString &file, const DatabaseAddress &server, QString *error, qint64 *rows,
                              const TableCopy::Progress &progress)
{
    QString why;
    if (!server.onServer) {
        return fail(error, QStringLiteral("请填写数据库服务器的连接。"));
    }
    if (!DatabaseRestore::check(file, &why)) {
        return fail(error, why);
    }
    const DatabaseAddress source {file, {}, false};
    bool ok = source.open(From, true, &why);
    if (!ok) {
        why = QStringLiteral("不能打开数据库文件 %1：%2").arg(file, why);
    }
    if (ok && !server.open(To, false, &why)) {
        why = QStringLiteral("%1不能连接：%2").arg(server.shownName(), why);
        ok = false;
    }
    if (ok) {
        const QSqlDatabase to = QSqlDatabase::database(To, false);
        Dialect::Catalog catalog;
        ok = server.dialect().catalog(to, &catalog, &why);
        const bool makeTables = ok && catalog.tables.isEmpty();
        if (ok && !makeTables) {
            const QStringList notOurs = server.dialect().whyNotOurs(to);
            const qint64 held = notOurs.isEmpty() ? rowsBeyondAFirstStart(to, &why) : 0;
            if (!notOurs.isEmpty()) {
                why = QStringLiteral("%1上的数据库不是本系统的数据库，没有迁移：\n%2")
                          .arg(server.shownName(), notOurs.mid(0, 8).join(QLatin1Char('\n')));
                ok = false;
            } else if (held != 0) {
                ok = false;
                if (held > 0) {
                    why = QStringLiteral("%1上的数据库已经有 %2 条记录，没有迁移。只能迁移到空的数据库。")
                              .arg(server.shownName())
                              .arg(held);
                }
            }
        }
        ok = ok && copyInto(QSqlDatabase::database(From, false), to, makeTables, &why, rows, progress);
    }
    DatabaseAddress::close(From);
    DatabaseAddress::close(To);
    if (!ok) {
        return fail(error, why);
    }
    return true;
}
