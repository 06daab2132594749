#pragma once

#include "data/databaseaddress.h"

#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>

// A read-only connection of its own to the estate's database, for a computation on a worker
// thread: made, used and closed on that thread, never on the program's connection. Whatever it
// runs can be stopped from any thread by setting the cancel flag: a statement in progress then
// fails soon after (as interrupted; on a server through the server's cancel request) and the
// ones after it fail at once.
//
//     std::atomic<bool> cancel = false;           // set by the window's "取消"
//     ReadConnection reader(dm->address(), &cancel);
//     if (!reader.isOpen()) { ... reader.error() ... }
//     QSqlQuery q(reader.database());
class ReadConnection
{
public:
    ReadConnection(const DatabaseAddress &address, const std::atomic<bool> *cancel);
    ~ReadConnection();
    ReadConnection(const ReadConnection &) = delete;
    ReadConnection &operator=(const ReadConnection &) = delete;

    bool isOpen() const { return m_open; }
    QString error() const { return m_error; }
    QSqlDatabase database() const;
    // True once the cancel flag was seen set.
    bool cancelled() const { return m_cancel && m_cancel->load(); }

    // What a second connection beside db needs (SideBySide): the estate it reads and the flag that
    // cancels its computation, when db is a ReadConnection's; nothing for another connection.
    struct Origin
    {
        DatabaseAddress address;
        const std::atomic<bool> *cancel = nullptr;
    };
    static std::optional<Origin> originOf(const QSqlDatabase &db);

private:
    QString m_name;
    const std::atomic<bool> *m_cancel;
    std::shared_ptr<void> m_watch; // stops statements once the flag is set
    bool m_open = false;
    QString m_error;
};
