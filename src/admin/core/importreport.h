#pragma once

#include "data/money.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// What an import of an office's old database read, imported and refused: shown in the report
// window and written to the report file in the home, so the office can check it against the
// old program before working on.
struct ImportReport
{
    // A sum of amounts in ten-thousandths, wide enough for any number of rows.
    using Total = __int128;

    struct MoneyColumn
    {
        QString field;
        Total read = 0; // of every row read
        Total imported = 0; // of the rows imported
        Total refused = 0; // of the rows refused
    };
    struct Table
    {
        QString name;
        qint64 read = 0, imported = 0, refused = 0;
        QStringList extraFields; // only in the old table: not imported
        QStringList missingFields; // not in the old table: imported empty
        QList<MoneyColumn> money;
    };
    struct Refused
    {
        QString table;
        qint64 row = 0; // its place among the table's rows as read, from 1
        QString reason;
        QStringList values; // "字段=值", every field of the old row
    };
    struct Deposit
    {
        QString houseCode;
        Money balance; // 房屋资料.押金
        Money movements; // what its 押金明细表 rows add up to
    };

    QString source; // the old database file
    QString format; // "Jet 4", ...
    QDateTime when;
    bool imported = false;
    QString outcome; // one line: imported, or why not
    QString backupFile; // the copy of the database the import replaced

    QList<Table> tables; // this system's tables, in the order read
    QStringList skipped; // the other tables, "名称（N 行）"
    QList<Refused> refused;
    QStringList notes; // conversions counted, rows added, warnings
    QList<Deposit> deposits; // houses whose 押金 differs from their movements

    Table *table(const QString &name);
    qint64 refusedRows() const;
    // The report as text, one section after another.
    QString text() const;
    // "3.5", "-1234.0001" for a total.
    static QString totalText(Total total);
    // The file name of the report written at `when`: 导入报告-YYYYMMDD-HHMMSS.txt.
    static QString fileName(const QDateTime &when);
};
