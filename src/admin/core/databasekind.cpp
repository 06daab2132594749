#include "admin/core/databasekind.h"

#include "data/schema.h"
#include "data/sqlitefile.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <sqlite3.h>

namespace {

using SqliteFile::Connection;

struct Column
{
    QString name;
    QString type;
    bool notNull = false;
    QVariant defaultValue;
    qint64 primaryKey = 0;
    qint64 hidden = 0; // generated columns are not 0
    QString collation;
};

QList<QVariantList> query(const Connection &db, const QString &sql, const QStringList &binds = {})
{
    QList<QVariantList> rows;
    db.table(sql, binds, &rows, nullptr);
    return rows;
}

QList<Column> columnsOf(const Connection &db, const QString &table)
{
    QList<Column> out;
    const QByteArray tableName = table.toUtf8();
    for (const QVariantList &r : query(db,
                                       QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk, hidden "
                                                      "FROM pragma_table_xinfo(?)"),
                                       {table})) {
        Column c {
            r[0].toString(), r[1].toString(), r[2].toLongLong() != 0, r[3], r[4].toLongLong(), r[5].toLongLong(), {}};
        const char *collation = nullptr;
        if (sqlite3_table_column_metadata(db.handle(), "main", tableName.constData(), c.name.toUtf8().constData(),
                                          nullptr, &collation, nullptr, nullptr, nullptr)
            == SQLITE_OK) {
            c.collation = QString::fromUtf8(collation ? collation : "");
        }
        out << c;
    }
    return out;
}

const Column *find(const QList<Column> &columns, const QString &name)
{
    for (const Column &c : columns) {
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &c;
        }
    }
    return nullptr;
}

// A table's unique keys, each as its sorted columns with their collations, mapped to the
// columns as the index lists them (for the message). A key with a condition or an expression
// never matches one of ours.
QHash<QString, QString> uniqueKeys(const Connection &db, const QString &table, QStringList *oddIndexes)
{
    QHash<QString, QString> keys;
    for (const QVariantList &ix :
         query(db, QStringLiteral("SELECT name, \"unique\", origin, partial FROM pragma_index_list(?)"), {table})) {
        const QString name = ix[0].toString();
        const bool unique = ix[1].toLongLong() != 0;
        if (ix[2].toString() == QLatin1String("pk")) {
            continue;
        }
        bool plain = ix[3].toLongLong() == 0;
        QStringList shown, signature;
        for (const QVariantList &col :
             query(db, QStringLiteral("SELECT cid, name, coll FROM pragma_index_xinfo(?) WHERE key=1 ORDER BY seqno"),
                   {name})) {
            plain = plain && col[0].toLongLong() >= 0;
            shown << (col[1].isNull() ? QStringLiteral("表达式") : col[1].toString());
            signature << col[1].toString().toLower() + QLatin1Char(' ') + col[2].toString().toUpper();
        }
        if (!plain) {
            // A condition or an expression may call functions this program does not know, so
            // every write to the table could fail.
            if (oddIndexes) {
                *oddIndexes << name;
            }
            signature << QStringLiteral("#") + name;
        }
        if (unique) {
            signature.sort();
            keys.insert(signature.join(QLatin1Char(',')), shown.join(QStringLiteral("、")));
        }
    }
    return keys;
}

// The CHECK constraints written in a CREATE TABLE statement (quoted names and texts skipped).
int checkConstraints(const QString &createSql)
{
    static const QRegularExpression quoted(QStringLiteral("'[^']*'|\"[^\"]*\"|`[^`]*`|\\[[^\\]]*\\]"));
    static const QRegularExpression check(QStringLiteral("\\bCHECK\\b"), QRegularExpression::CaseInsensitiveOption);
    QString bare = createSql;
    bare.replace(quoted, QStringLiteral(" "));
    return int(bare.count(check));
}

QString tableSql(const Connection &db, const QString &table)
{
    const auto rows = query(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?"), {table});
    return rows.isEmpty() ? QString() : rows[0][0].toString();
}

QString indexSql(const Connection &db, const QString &index)
{
    const auto rows = query(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type='index' AND name=?"), {index});
    return rows.isEmpty() ? QString() : rows[0][0].toString();
}

qint64 count(const Connection &db, const QString &sql, const QStringList &binds = {})
{
    const auto rows = query(db, sql, binds);
    return rows.isEmpty() ? 0 : rows[0][0].toLongLong();
}

void compareTable(const Connection &ours, const Connection &db, const TableDef &t, QStringList *why)
{
    const QString &name = t.name;
    const auto kind = query(db, QStringLiteral("SELECT type, wr, strict FROM pragma_table_list(?)"), {name});
    const auto ourKind = query(ours, QStringLiteral("SELECT type, wr, strict FROM pragma_table_list(?)"), {name});
    if (kind != ourKind) {
        *why << QStringLiteral("数据表 %1 不是本系统那样的普通数据表").arg(name);
        return;
    }
    const QList<Column> expected = columnsOf(ours, name);
    const QList<Column> present = columnsOf(db, name);
    QStringList missing;
    for (const Column &e : expected) {
        const Column *p = find(present, e.name);
        if (!p) {
            missing << e.name;
        } else if (p->type.compare(e.type, Qt::CaseInsensitive) != 0) {
            *why << QStringLiteral("数据表 %1 的字段 %2 类型为 %3，应为 %4")
                        .arg(name, e.name, p->type.isEmpty() ? QStringLiteral("（无）") : p->type, e.type);
        } else if (p->notNull != e.notNull || p->defaultValue != e.defaultValue || p->primaryKey != e.primaryKey
                   || p->hidden != e.hidden || p->collation.compare(e.collation, Qt::CaseInsensitive) != 0) {
            *why << QStringLiteral("数据表 %1 的字段 %2 带有本系统没有的约束或默认值").arg(name, e.name);
        }
    }
    if (!missing.isEmpty()) {
        *why << QStringLiteral("数据表 %1 缺少字段：%2").arg(name, missing.join(QStringLiteral("、")));
    }
    for (const Column &p : present) {
        if (find(expected, p.name)) {
            continue;
        }
        // A newer version's column is fine as long as rows written without it are accepted.
        if (p.hidden != 0) {
            *why << QStringLiteral("数据表 %1 的字段 %2 是计算字段").arg(name, p.name);
        } else if (p.notNull && p.defaultValue.isNull()) {
            *why << QStringLiteral("数据表 %1 的字段 %2 必须填写，本系统写入的数据会被拒绝").arg(name, p.name);
        }
    }
    if (checkConstraints(tableSql(db, name)) > checkConstraints(tableSql(ours, name))) {
        *why << QStringLiteral("数据表 %1 带有检查约束（CHECK），会拒绝本系统写入的数据").arg(name);
    }
    const QString foreignKeys = QStringLiteral("SELECT count(*) FROM pragma_foreign_key_list(?)");
    if (count(db, foreignKeys, {name}) > count(ours, foreignKeys, {name})) {
        *why << QStringLiteral("数据表 %1 带有外键约束").arg(name);
    }
    QStringList oddIndexes, ourOddIndexes;
    const QHash<QString, QString> expectedKeys = uniqueKeys(ours, name, &ourOddIndexes);
    const QHash<QString, QString> presentKeys = uniqueKeys(db, name, &oddIndexes);
    // An index with a condition that this program makes itself, word for word, is its own.
    oddIndexes.removeIf([&](const QString &index) {
        return ourOddIndexes.contains(index) && indexSql(db, index) == indexSql(ours, index);
    });
    for (auto it = expectedKeys.cbegin(); it != expectedKeys.cend(); ++it) {
        if (!presentKeys.contains(it.key())) {
            *why << QStringLiteral("数据表 %1 缺少唯一键（%2）").arg(name, it.value());
        }
    }
    for (auto it = presentKeys.cbegin(); it != presentKeys.cend(); ++it) {
        if (!expectedKeys.contains(it.key())) {
            *why
                << QStringLiteral("数据表 %1 有本系统没有的唯一键（%2），会拒绝本系统写入的数据").arg(name, it.value());
        }
    }
    if (!oddIndexes.isEmpty()) {
        *why << QStringLiteral("数据表 %1 的索引 %2 带有条件或表达式").arg(name, oddIndexes.join(QStringLiteral("、")));
    }
}

}

QStringList DatabaseKind::whyNotOurs(const Connection &db)
{
    QStringList why;
    Connection ours;
    QString error;
    if (!ours.openInMemory(&error)) {
        return {QStringLiteral("不能检查数据库：%1").arg(error)};
    }
    for (const QString &statement : Schema::createStatements()) {
        if (!ours.exec(statement, &error)) {
            return {QStringLiteral("不能检查数据库：%1").arg(error)};
        }
    }

    QStringList missing;
    for (const TableDef &t : Schema::tables()) {
        // A temporary table (the scratch table 通用) belongs to each connection, not to the
        // file: a copy made by this version has none, one of an older version keeps it.
        if (!t.temporary && tableSql(db, t.name).isEmpty()) {
            missing << t.name;
        }
    }
    if (!missing.isEmpty()) {
        return {QStringLiteral("缺少数据表：%1").arg(missing.join(QStringLiteral("、")))};
    }
    // Triggers run hidden statements whenever a row is written; views and virtual tables are
    // not tables this program makes.
    for (const QVariantList &r : query(db,
                                       QStringLiteral("SELECT type, name FROM sqlite_master "
                                                      "WHERE type IN ('trigger', 'view') ORDER BY type, name"))) {
        why << (r[0].toString() == QLatin1String("trigger")
                    ? QStringLiteral("带有触发器 %1（保存数据时会暗中执行别的语句）").arg(r[1].toString())
                    : QStringLiteral("带有视图 %1").arg(r[1].toString()));
    }
    for (const QVariantList &r : query(db,
                                       QStringLiteral("SELECT name FROM pragma_table_list "
                                                      "WHERE schema='main' AND type IN ('virtual', 'shadow')"))) {
        why << QStringLiteral("带有虚拟表 %1").arg(r[0].toString());
    }
    for (const TableDef &t : Schema::tables()) {
        if (!t.temporary) {
            compareTable(ours, db, t, &why);
        }
    }
    if (!why.isEmpty()) {
        return why;
    }
    if (count(db, QStringLiteral("SELECT count(*) FROM 权限表 WHERE 姓名 IS NOT NULL AND trim(姓名)<>''")) == 0) {
        why << QStringLiteral("权限表中没有操作员，恢复后谁也不能登录");
    }
    if (count(db, QStringLiteral("SELECT count(*) FROM 公司信息")) == 0) {
        why << QStringLiteral("公司信息表中没有记录");
    }
    return why;
}
