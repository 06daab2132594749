#include "data/refusal.h"

#include "data/dataset.h"
#include "data/dialect.h"

#include <QRegularExpression>

namespace {

// "表.字段" as SQLite names a column in its constraint messages: the field.
QString fieldOf(const QString &qualified)
{
    const QString name = qualified.trimmed();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.mid(dot + 1) : name;
}

QStringList fieldsAfter(const QString &reason, const QString &prefix)
{
    QStringList fields;
    for (const QString &part : reason.mid(prefix.size()).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        fields << fieldOf(part);
    }
    return fields;
}

// The database (and its driver) speaks English and begins with a word of it; the program's own
// reasons begin otherwise (in Chinese, or with the file they name), whatever codes or names
// they hold further on ("房屋A-101的零头有误", "/home/a/data.db 不是可用的数据库文件").
bool isOwnReason(const QString &text)
{
    if (text.isEmpty()) {
        return false;
    }
    const QChar first = text.front();
    return !((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z'));
}

// The first double-quoted name of a server's message (a constraint, a column); the quotes
// stay whatever language the server speaks.
QString firstQuoted(const QString &text)
{
    const qsizetype open = text.indexOf(QLatin1Char('"'));
    const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('"'), open + 1);
    return close < 0 ? QString() : text.mid(open + 1, close - open - 1);
}

// The fields of one of the estate's unique keys, by the name the server gives the index.
QStringList keyFields(const QString &indexName)
{
    for (const IndexDef &ix : Schema::indexes()) {
        if (ix.unique && Dialect::postgres().storedName(ix.name()) == indexName) {
            return ix.columns;
        }
    }
    return {};
}

// A server's reason in the words SQLite uses for the same refusal, so that one set of
// messages serves both; the server's own text stays the detail.
QString asSqliteReason(const QString &state, const QString &text)
{
    if (state == QLatin1String("23505")) {
        return QStringLiteral("UNIQUE constraint failed: ") + keyFields(firstQuoted(text)).join(QStringLiteral(", "));
    }
    if (state == QLatin1String("23502")) {
        return QStringLiteral("NOT NULL constraint failed: ") + firstQuoted(text);
    }
    return {};
}

} // namespace

QString Refusal::sqlState(const QString &reason)
{
    static const QRegularExpression state(QStringLiteral("\\(([0-9A-Z]{5})\\)\\s*$"));
    const QRegularExpressionMatch m = state.match(reason);
    return m.hasMatch() ? m.captured(1) : QString();
}

bool Refusal::isRetryable(const QString &reason)
{
    const QString state = sqlState(reason);
    return state == QLatin1String("40P01") || state == QLatin1String("40001");
}

const QString Refusal::InUse = QStringLiteral("正被其他程序使用");

bool Refusal::isBusy(const QString &reason)
{
    const QString text = reason.trimmed();
    return isRetryable(text) || sqlState(text) == QLatin1String("55P03")
        || text.contains(QLatin1String("database is locked"))
        || text.contains(QLatin1String("database table is locked")) || text.contains(QLatin1String("database is busy"))
        || text.contains(InUse);
}

bool Refusal::isConnectionLost(const QString &reason)
{
    const QString state = sqlState(reason);
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))) {
        return true;
    }
    // libpq's own words when the server is gone: no SQLSTATE then.
    return state.isEmpty()
        && (reason.contains(QLatin1String("server closed the connection"))
            || reason.contains(QLatin1String("no connection to the server"))
            || reason.contains(QLatin1String("could not receive data from server"))
            || reason.contains(QLatin1String("could not send data to server"))
            || reason.contains(QLatin1String("terminating connection")));
}

Refusal Refusal::of(const QString &reason, const std::function<QVariant(const QString &)> &valueOf)
{
    QString text = reason.trimmed();
    const auto valueText = [&valueOf](const QString &field) { return valueOf ? valueOf(field).toString() : QString(); };
    const auto told = [&reason](const QString &message) { return Refusal {message, reason.trimmed()}; };

    // A server's reasons, by their SQLSTATE.
    if (const QString state = sqlState(text); !state.isEmpty()) {
        if (state == QLatin1String("55P03")) {
            return told(QStringLiteral("其他工作站正在处理该房屋，请稍后再试！"));
        }
        if (isRetryable(text)) {
            return told(QStringLiteral("数据库正被其他工作站使用，请稍后再试！"));
        }
        if (state == QLatin1String("57014")) {
            return told(QStringLiteral("操作已取消，没有保存任何修改。"));
        }
        if (state == QLatin1String("25006")) {
            return told(QStringLiteral("数据库只能读不能写，修改没有保存！"));
        }
        if (state == QLatin1String("53100")) {
            return told(QStringLiteral("磁盘已满，修改没有保存！"));
        }
        if (state == QLatin1String("22003")) {
            return told(QStringLiteral("数值超出了数据库能保存的范围，修改没有保存！"));
        }
        if (state.startsWith(QLatin1String("XX"))) {
            return told(QStringLiteral("数据库服务器上的数据已经损坏，请与管理员联系！"));
        }
        if (const QString same = asSqliteReason(state, text); !same.isEmpty()) {
            text = same;
        } else {
            // The server's first line without its severity ("ERROR:  …", in the server's
            // language), as SQLite words its reasons: a refusal in Chinese is told as it is.
            const QString first = text.section(QLatin1Char('\n'), 0, 0);
            const qsizetype colon = first.indexOf(QStringLiteral(":  "));
            text = (colon >= 0 ? first.mid(colon + 3) : first).trimmed();
        }
    }
    if (isConnectionLost(text)) {
        return told(QStringLiteral("与数据库服务器的连接已经断开，这次操作没有保存！请检查网络后重新启动程序。"));
    }

    static const QString unique = QStringLiteral("UNIQUE constraint failed:");
    static const QString notNull = QStringLiteral("NOT NULL constraint failed:");
    if (text.startsWith(unique)) {
        const QStringList fields = fieldsAfter(text, unique);
        QStringList named;
        bool allKnown = !fields.isEmpty();
        for (const QString &field : fields) {
            const QString value = valueText(field);
            allKnown = allKnown && !value.isEmpty();
            named << field + QStringLiteral("“") + value + QStringLiteral("”");
        }
        if (!allKnown) {
            return told(QStringLiteral("已经有相同%1的记录！").arg(fields.join(QStringLiteral("、"))));
        }
        if (fields.size() == 1) {
            return told(named.constFirst() + QStringLiteral("已经存在！"));
        }
        return told(named.join(QStringLiteral("、")) + QStringLiteral("的记录已经存在！"));
    }
    if (text.startsWith(notNull)) {
        return told(fieldsAfter(text, notNull).join(QStringLiteral("、")) + QStringLiteral("不能为空！"));
    }
    static const QRegularExpression busy(QStringLiteral("^database (table |schema )?is locked"));
    if (busy.match(text).hasMatch()) {
        return told(QStringLiteral("数据库正被其他工作站使用，请稍后再试！"));
    }
    if (text.startsWith(QStringLiteral("attempt to write a readonly database"))) {
        return told(QStringLiteral("数据库文件只能读不能写，修改没有保存！"));
    }
    if (text.startsWith(QStringLiteral("database or disk is full"))) {
        return told(QStringLiteral("磁盘已满，修改没有保存！"));
    }
    if (isDamage(text)) {
        return told(QStringLiteral("数据库文件已经损坏，请用备份恢复！"));
    }
    if (text.startsWith(QStringLiteral("unable to open database file"))) {
        return told(QStringLiteral("不能打开数据库文件，请检查文件和文件夹是否存在、能否读写！"));
    }
    if (text.startsWith(QStringLiteral("disk I/O error"))) {
        return told(QStringLiteral("读写磁盘出错！"));
    }
    // The program's own reasons are Chinese already.
    if (isOwnReason(text)) {
        return {text, {}};
    }
    return told(QStringLiteral("数据库拒绝了这次操作！"));
}

bool Refusal::isDamage(const QString &reason)
{
    // SQLite's words for SQLITE_CORRUPT and SQLITE_NOTADB.
    const QString text = reason.trimmed();
    return text.startsWith(QStringLiteral("database disk image is malformed"))
        || text.startsWith(QStringLiteral("malformed database schema"))
        || text.startsWith(QStringLiteral("file is not a database"));
}

Refusal Refusal::of(const QString &reason, const DataSet &row)
{
    return of(reason, [&row](const QString &field) { return row.hasField(field) ? row.value(field) : QVariant(); });
}
