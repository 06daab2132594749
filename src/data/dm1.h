#pragma once

#include "data/databaseaddress.h"
#include "data/dataset.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

class ScratchWriter;
struct sqlite3;

// Who works with the program, set at start-up and login; the data module keeps it for as long
// as it lives (the life of the process).
struct Session
{
    QString currentOperator; // stamped into 操作人员 and printed as "制表:" on lists
    qint64 operatorId = 0; // 权限表.id of the logged-in operator's row; 0 when unknown
    QString inputMethod; // the operator's preferred input method, from 权限表.输入法
    QString password; // the text typed at the last successful login
    bool loggedIn = false; // false until the start-up login dialog has closed
};

// The data module: the one connection ADO_system to the estate's database, the shared queries
// every window reuses. The database is HOME/data/data.db, or a database on a PostgreSQL server
// shared by several counters: given with setServer() (the command line's --server), or by the
// conninfo line of HOME/data/server.conf.
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
    // The operator working with the program.
    Session &session() { return m_session; }
    QString databasePath() const;
    QString homePath(const QString &relative) const;

    // The estate lives on a server from now on: conninfo is a libpq conninfo line without a
    // password (the password, when known, kept in memory only). Takes effect at the next
    // openConnection().
    void setServer(const QString &conninfo, const QString &password = {});
    bool onServer() const { return m_address.onServer; }
    // The engine's own forms (Dialect) for the statements of the program's connection.
    const Dialect &dialect() const { return m_address.dialect(); }
    // Where the database is, for a connection of a computation's own (ReadConnection).
    const DatabaseAddress &address() const { return m_address; }
    // HOME/data/server.conf: the conninfo line of the server a home's counter works on.
    QString serverConfPath() const;
    // How the program asks the operator for the server's password (DatabaseAddress::reach):
    // asked at most three times; the password is kept in memory only.
    using PasswordAsker = DatabaseAddress::PasswordAsker;
    void setPasswordAsker(PasswordAsker ask) { m_askPassword = std::move(ask); }

    // What a new database gets before it takes its name (the demo estate): false, with the
    // reason in error, leaves no database behind.
    using Filler = std::function<bool(Dm1 *building, QString *error)>;
    // Opens the connection. A missing database file is built complete under a private name
    // beside its place (every table, one operator who logs in with an empty password, the
    // organisation row, then fillNew) and named only then; when another copy of the program
    // named its own first, that one is kept. An existing file is opened unchanged; a file that
    // is not a readable, writable database is left exactly as it was and refused (lastError
    // says why, in Chinese). On a server, an empty database gets the same tables and rows in
    // one transaction (one counter makes them, the others wait and use them); a database of
    // another program or with other tables is refused untouched, with the reasons; a server
    // that cannot be reached gives its reason. Every opening gets its own empty scratch table
    // 通用 (see setUpConnection).
    bool openConnection(const Filler &fillNew = {});
    void closeConnection();
    bool isConnected() const;
    QString lastError() const { return m_lastError; }
    QSqlDatabase database() const;
    // The SQLite engine's own handle of the open connection, for what Qt SQL cannot do (the
    // online backup); null when not connected or on another database.
    sqlite3 *sqliteHandle() const;
    // What every connection to the estate's database is given once opened: the engine's own
    // settings (Dialect::setUpConnection: on a file the write-ahead journal, or the rollback
    // journal for Dm1's own connection on a network share) and its own temporary scratch table
    // 通用 (so one workstation's report never empties another's). False with the database's
    // reason when the scratch table cannot be made.
    static bool setUpConnection(const QSqlDatabase &db, QString *error = nullptr);

    // The shared queries (objectName as below).
    DataSet *q_qxb, *q_gsxx, *q_tongyong, *q_search, *q_change, *q_iteminfo, *q_guestinfo, *q_houseinfo, *q_storeyinfo,
        *q_sfhzb, *q_houselease;
    DataSet *query(const QString &name) const;
    QList<DataSet *> sharedQueries() const;

    // Small helpers over bound statements on the connection. A statement the database refuses
    // gives false (exec), an invalid value (scalar) or no rows (column), with the database's
    // reason in error; without an error to fill the reason is logged as a warning.
    bool exec(const QString &sql, const QVariantList &binds = {}, QString *error = nullptr);
    // The first column of the first row; a null value of a row that exists is valid but null.
    QVariant scalar(const QString &sql, const QVariantList &binds = {}, QString *error = nullptr);
    // The first column of every row, as text.
    QStringList column(const QString &sql, const QVariantList &binds = {}, QString *error = nullptr);
    // Runs work in one transaction (a savepoint when one is open already): all its statements
    // take effect or none. See Transaction for the scoped form.
    bool inTransaction(const std::function<bool(QString *error)> &work, QString *error = nullptr);

    // Empties this connection's 通用 and opens q_tongyong on it ordered by texta (pinyin
    // order), ready for a report to fill.
    bool prepareScratch(QString *error = nullptr);
    // Computes a report into this connection's 通用 in one transaction: empties it, lets fill
    // write the rows (ScratchWriter: row by row through one prepared statement, or INSERT …
    // SELECT), and opens q_tongyong on them in the order they were written, with `ordering`
    // (" order by texta,textb"; by default texta in pinyin order) as its last line for the
    // operator's sorting. When fill or the database fails, 通用 is left empty and error tells why.
    bool fillScratch(const std::function<bool(ScratchWriter &)> &fill, const QString &ordering = {},
                     QString *error = nullptr);
    // One field of every row of a query, in its order, duplicates kept: the items of the
    // windows' drop-downs. Empty when the query fails (error says why).
    QStringList fieldOfRows(const QStringList &sql, const QString &field, QString *error = nullptr);
    // Every 楼宇名称 by name, every 收费名称 by name, every 房屋代码 by code; duplicates kept.
    QStringList buildingNames(QString *error = nullptr);
    QStringList feeNames(QString *error = nullptr);
    QStringList houseCodes(QString *error = nullptr);

    static QString defaultOperator() { return QStringLiteral("管理员"); }
    // The rows a new database starts with, written on db: the operator defaultOperator() who
    // logs in with an empty password, and the organisation row. An imported database whose old
    // tables bring none gets them too.
    static bool insertFirstOperator(const QSqlDatabase &db, QString *error);
    static bool insertFirstOrganisation(const QSqlDatabase &db, QString *error);

    // The type of the filesystem a folder lies on ("ext4", "cifs", ...); tests replace it, null
    // restores the real one (QStorageInfo).
    using FileSystemProbe = std::function<QByteArray(const QString &folder)>;
    static void setFileSystemProbe(FileSystemProbe probe);
    // The database lies on a network filesystem (cifs, smb3, nfs, nfs4, fuse.sshfs), whose
    // locks cannot be trusted: it is opened with a rollback journal instead of the WAL.
    bool onNetworkShare() const { return m_onNetworkShare; }
    // The notice start-up shows once, in Chinese; empty when there is nothing to say.
    QString startUpWarning() const;
    // What to do about a damaged database, one line.
    static QString restoreAdvice();
    // The collation clause that sorts text the way Chinese office users expect (pinyin order):
    // " COLLATE pinyin", registered on every SQLite connection and made in every server
    // database under the same name (Dialect::collation).
    static QString chineseCollation();
    // A field as a term of an ordering line: quoted where its name needs it, and text fields
    // with the Chinese collation ("楼宇名称 COLLATE pinyin"). Without a kind, the field's kind
    // in the data model.
    static QString orderTerm(const QString &field, FieldKind kind);
    static QString orderTerm(const QString &field);

private:
    // Prepares, binds and runs sql; false with the reason in error (or logged without one).
    static bool runStatement(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error);
    bool createSchema(const Filler &fillNew);
    bool createDatabase(const Filler &fillNew);
    bool openDatabase();
    bool openServer(const Filler &fillNew);
    bool connectTo(const QString &where);
    // setUpConnection with the given journal ("wal" or "delete"); a file whose journal must
    // change is checked first and refused, unchanged, when damaged.
    static bool setUpConnection(const QSqlDatabase &db, const QString &journal, QString *error);
    bool upgradeIndexes();
    DataSet *makeQuery(const char *name, const char *table);

    QString m_home;
    Session m_session;
    DatabaseAddress m_address;
    PasswordAsker m_askPassword;
    QString m_lastError;
    bool m_onNetworkShare = false;
};
