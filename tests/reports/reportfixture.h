#pragma once

// Shared by the report tests: rows as comparable text, a sink that keeps them, the scratch
// table's rows read back, and a generated estate full of odd cases.
#include "reports/core/scratchrows.h"
#include "data/dm1.h"
#include "data/money.h"

#include <QList>
#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QTest>

// A report row as column → text, nulls left out; money in its shortest form.
using RowText = QMap<QString, QString>;

inline RowText rowText(const ScratchRow &row)
{
    RowText out;
    for (const ScratchCell &c : row) {
        if (c.value.isNull() || (c.value.typeId() == QMetaType::QString && c.value.toString().isNull())) {
            continue;
        }
        out.insert(QString::fromLatin1(c.column),
                   c.value.metaType() == QMetaType::fromType<Money>() ? c.value.value<Money>().toString()
                                                                      : c.value.toString());
    }
    return out;
}

class KeepRows : public ScratchSink
{
public:
    QList<RowText> rows;
    bool append(ScratchRow row) override
    {
        rows << rowText(row);
        return true;
    }
};

// Every row of 通用 in the order given, as RowText.
inline QList<RowText> scratchRows(const QString &ordering = QStringLiteral("order by id"))
{
    QList<RowText> out;
    QSqlQuery q(Dm1::instance()->database());
    if (!q.exec(QStringLiteral("select * from 通用 ") + ordering)) {
        return out;
    }
    while (q.next()) {
        RowText r;
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i) {
            const QString name = rec.fieldName(i);
            if (name == QLatin1String("id") || q.value(i).isNull()) {
                continue;
            }
            r.insert(name,
                     name.startsWith(QLatin1String("money")) ? Money::storedText(q.value(i)) : q.value(i).toString());
        }
        out << r;
    }
    return out;
}

// One bill line; state null (not set) when isNull.
struct BillLine
{
    QString house, building, unit, owner, fee, year, month;
    qint64 amount; // ten-thousandths
    QVariant state; // null: none
    QString paidOn; // stored date or empty
};

inline void insertLine(const BillLine &l)
{
    const int y = l.year.toInt(), m = l.month.toInt();
    const QDate first(y > 0 ? y : 2000, m >= 1 && m <= 12 ? m : 1, 1);
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(QStringLiteral("insert into 收费明细表 (房屋代码, 楼宇名称, 楼宇单元, 业主名称, 收费名称, 收费金额, "
                             "年度, 月份, 缴费状态, 开始日期, 结束日期, 缴费时间) values (?,?,?,?,?,?,?,?,?,?,?,?)"));
    for (const QVariant &v :
         QVariantList {l.house, l.building, l.unit, l.owner, l.fee, l.amount, l.year, l.month, l.state,
                       first.toString(QStringLiteral("yyyy-MM-dd 00:00:00")),
                       first.addMonths(1).addDays(-1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")),
                       l.paidOn.isEmpty() ? QVariant() : QVariant(l.paidOn)}) {
        q.addBindValue(v);
    }
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

inline void insertHouse(const QString &code, const QString &building, const QVariant &owner,
                        const QVariant &moveIn = {}, const QVariant &moveOut = {}, const QVariant &area = 86.5)
{
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(
        QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称, 楼宇单元, 业主名称, 迁入日期, 迁出日期, 房屋面积) "
                       "values (?,?,'一单元',?,?,?,?)"));
    for (const QVariant &v : QVariantList {code, building, owner, moveIn, moveOut, area}) {
        q.addBindValue(v);
    }
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

inline void insertItem(const QString &name)
{
    QVERIFY(
        Dm1::instance()->exec(QStringLiteral("insert into 收费项目 (收费名称, 停止收费) values (?, '否')"), {name}));
}
