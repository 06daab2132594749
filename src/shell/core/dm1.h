#pragma once

#include "shell/core/dataset.h"

#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>
#include <functional>

class ScratchWriter;

// Values held for the life of the process, set at start-up and login.
struct Session
{
    QString currentOperator; // stamped into 操作人员 and printed as "制表:" on lists
    QString inputMethod; // the operator's preferred input method, from 权限表.输入法
    QString password; // the text typed at the last successful login
    bool loggedIn = false; // false until the start-up login dialog has closed

    static Session &current();
};

// The data module: the one connection ADO_system to HOME/data/data.db, the shared queries
// every window reuses.
class Dm1 : public QObject
{
    Q_OBJECT
public:
    static const QString ConnectionName; // "ADO_system"

    // Home is the folder holding data/, the layout files, report/ and jpg/.
    explicit Dm1(const QString &home, QObject *parent = nullptr);
    ~Dm1() override;
    static Dm1 *instance();

    QString home() const { return m_home; }
    QString databasePath() const;
    QString homePath(const QString &relative) const;

    // Opens the connection. A missing database file is created with every table, one operator
    // who logs in with an empty password and the organisation row. An existing file is opened
    // unchanged; a file that is not a readable database is left exactly as it was and refused.
    bool openConnection();
    void closeConnection();
    bool isConnected() const;
    QString lastError() const { return m_lastError; }
    QSqlDatabase database() const;

    // The shared queries (objectName as below).
    DataSet *q_qxb, *q_gsxx, *q_tongyong, *q_search, *q_change, *q_iteminfo, *q_guestinfo, *q_houseinfo, *q_storeyinfo,
        *q_sfhzb, *q_houselease;
    DataSet *query(const QString &name) const;
    QList<DataSet *> sharedQueries() const;

    // Small helpers over bound statements on the connection.
    bool exec(const QString &sql, const QVariantList &binds = {}, QString *error = nullptr);
    QVariant scalar(const QString &sql, const QVariantList &binds = {});
    QStringList column(const QString &sql, const QVariantList &binds = {});
    // Runs work in one transaction (a savepoint when one is open already): all its statements
    // take effect or none. See Transaction for the scoped form.
    bool inTransaction(const std::function<bool(QString *error)> &work, QString *error = nullptr);

    // Empties 通用 and opens q_tongyong on it ordered by texta, ready for a report to fill.
    bool prepareScratch();
    // Computes a report into 通用 in one transaction: empties it, lets fill write the rows
    // (ScratchWriter: row by row through one prepared statement, or INSERT … SELECT), and
    // opens q_tongyong on them in the order they were written, with `ordering` (" order by
    // texta,textb") as its last line for the operator's sorting. When fill or the database
    // fails, 通用 is left empty and error tells why.
    bool fillScratch(const std::function<bool(ScratchWriter &)> &fill,
                     const QString &ordering = QStringLiteral("order by texta"), QString *error = nullptr);
    // One field of every row of a query, in its order, duplicates kept: the items of the
    // drop-downs the main window fills. Empty when the query fails (error says why).
    QStringList fieldOfRows(const QStringList &sql, const QString &field, QString *error = nullptr);
    // Every 楼宇名称 in name order, duplicates kept.
    QStringList buildingNames();

    static QString defaultOperator() { return QStringLiteral("管理员"); }

private:
    bool createSchema();
    bool upgradeIndexes();
    void configureConnection();
    DataSet *makeQuery(const char *name, const char *table);

    QString m_home;
    QString m_lastError;
};
