#include "admin/core/importreport.h"

#include <QDir>

namespace {

// Columns of Chinese text line up in a fixed-pitch font when a wide character counts twice.
int displayWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        width += (u >= 0x1100
                  && (u <= 0x115f || (u >= 0x2e80 && u <= 0xa4cf) || (u >= 0xac00 && u <= 0xd7a3)
                      || (u >= 0xf900 && u <= 0xfaff) || (u >= 0xfe30 && u <= 0xfe4f) || (u >= 0xff00 && u <= 0xff60)
                      || (u >= 0xffe0 && u <= 0xffe6)))
            ? 2
            : 1;
    }
    return width;
}

QString padded(const QString &text, int width, bool right = false)
{
    const QString fill(qMax(0, width - displayWidth(text)), QLatin1Char(' '));
    return right ? fill + text : text + fill;
}

// Rows of cells as lines, each column as wide as its widest cell; the first column left,
// the others right-aligned.
QStringList tableLines(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) {
                widths << 0;
            }
            widths[i] = qMax(widths[i], displayWidth(row[i]));
        }
    }
    QStringList lines;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (int i = 0; i < row.size(); ++i) {
            cells << padded(row[i], widths[i], i > 0);
        }
        lines << QStringLiteral("  ") + cells.join(QStringLiteral("  ")).trimmed();
    }
    return lines;
}

}

ImportReport::Table *ImportReport::table(const QString &name)
{
    for (Table &t : tables) {
        if (t.name == name) {
            return &t;
        }
    }
    return nullptr;
}

qint64 ImportReport::refusedRows() const
{
    qint64 n = 0;
    for (const Table &t : tables) {
        n += t.refused;
    }
    return n;
}

QString ImportReport::totalText(Total total)
{
    const bool negative = total < 0;
    Total magnitude = negative ? -total : total;
    QString digits;
    do {
        digits.prepend(QLatin1Char(char('0' + int(magnitude % 10))));
        magnitude /= 10;
    } while (magnitude > 0);
    digits = digits.rightJustified(5, QLatin1Char('0'));
    QString units = digits.left(digits.size() - 4);
    QString fraction = digits.right(4);
    while (fraction.endsWith(QLatin1Char('0'))) {
        fraction.chop(1);
    }
    QString text = fraction.isEmpty() ? units : units + QLatin1Char('.') + fraction;
    return negative ? QLatin1Char('-') + text : text;
}

QString ImportReport::fileName(const QDateTime &when)
{
    return QStringLiteral("导入报告-%1.txt").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString ImportReport::text() const
{
    QStringList out;
    out << QStringLiteral("导入旧数据报告");
    out << QStringLiteral("旧数据库：%1%2")
               .arg(QDir::toNativeSeparators(source),
                    format.isEmpty() ? QString() : QStringLiteral("（%1）").arg(format));
    out << QStringLiteral("导入时间：%1").arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out << QStringLiteral("结果：%1").arg(outcome);
    if (!backupFile.isEmpty()) {
        out << QStringLiteral("导入前的数据库已备份为：%1").arg(QDir::toNativeSeparators(backupFile));
    }

    out << QString() << QStringLiteral("一、各表行数");
    QList<QStringList> counts {
        {QStringLiteral("数据表"), QStringLiteral("读取"), QStringLiteral("导入"), QStringLiteral("拒绝")}};
    for (const Table &t : tables) {
        counts << QStringList {t.name, QString::number(t.read), QString::number(t.imported),
                               QString::number(t.refused)};
    }
    out << tableLines(counts);
    if (!skipped.isEmpty()) {
        out << QStringLiteral("  未导入的表（不是本系统的表）：%1").arg(skipped.join(QStringLiteral("、")));
    }

    out << QString() << QStringLiteral("二、金额合计（读取 = 导入 + 拒绝）");
    QList<QStringList> sums {
        {QStringLiteral("字段"), QStringLiteral("读取"), QStringLiteral("导入"), QStringLiteral("拒绝"), QString()}};
    for (const Table &t : tables) {
        for (const MoneyColumn &m : t.money) {
            sums << QStringList {t.name + QLatin1Char('.') + m.field, totalText(m.read), totalText(m.imported),
                                 totalText(m.refused),
                                 m.read == m.imported + m.refused ? QStringLiteral("相符") : QStringLiteral("不符！")};
        }
    }
    out << tableLines(sums);

    QStringList fields;
    for (const Table &t : tables) {
        if (!t.extraFields.isEmpty()) {
            fields << QStringLiteral("  %1：旧表中多出的字段（未导入）：%2")
                          .arg(t.name, t.extraFields.join(QStringLiteral("、")));
        }
        if (!t.missingFields.isEmpty()) {
            fields << QStringLiteral("  %1：旧表中没有的字段（导入为空）：%2")
                          .arg(t.name, t.missingFields.join(QStringLiteral("、")));
        }
    }
    out << QString() << QStringLiteral("三、字段");
    out << (fields.isEmpty() ? QStringList {QStringLiteral("  各表字段与本系统完全相同。")} : fields);

    out << QString() << QStringLiteral("四、说明");
    if (notes.isEmpty()) {
        out << QStringLiteral("  无。");
    }
    for (const QString &note : notes) {
        out << QStringLiteral("  ") + note;
    }

    out << QString() << QStringLiteral("五、拒绝的行（共 %1 行）").arg(refused.size());
    for (const Refused &r : refused) {
        out << QStringLiteral("  %1 第 %2 行：%3").arg(r.table).arg(r.row).arg(r.reason);
        out << QStringLiteral("    ") + r.values.join(QStringLiteral("；"));
    }

    out << QString() << QStringLiteral("六、押金与押金明细不符的房屋（共 %1 户）").arg(deposits.size());
    if (!deposits.isEmpty()) {
        QList<QStringList> rows {{QStringLiteral("房屋代码"), QStringLiteral("押金"), QStringLiteral("押金明细合计")}};
        for (const Deposit &d : deposits) {
            rows << QStringList {d.houseCode, d.balance.toString(), d.movements.toString()};
        }
        out << tableLines(rows);
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
