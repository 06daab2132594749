#include "data/refusal.h"

#include "data/dataset.h"

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

} // namespace

Refusal Refusal::of(const QString &reason, const std::function<QVariant(const QString &)> &valueOf)
{
    const QString text = reason.trimmed();
    const auto valueText = [&valueOf](const QString &field) { return valueOf ? valueOf(field).toString() : QString(); };
    const auto told = [&text](const QString &message) { return Refusal {message, text}; };

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
