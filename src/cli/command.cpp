#include "cli/command.h"

#include "data/clock.h"
#include "data/storeddate.h"

#include <QJsonDocument>
#include <cstdio>

void Report::say(const QString &message)
{
    const QByteArray bytes = message.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int Report::fail(int code, const QString &message)
{
    m_error = message;
    say(message);
    return code;
}

void Report::finish(const QString &command, int code)
{
    if (!m_json) {
        return;
    }
    QJsonObject o = m_fields;
    o.insert(QStringLiteral("command"), command);
    o.insert(QStringLiteral("exit"), code);
    o.insert(QStringLiteral("ok"), code == Exit::Done);
    o.insert(QStringLiteral("finished"), StoredDate::format(Clock::now()));
    if (!m_error.isEmpty()) {
        o.insert(QStringLiteral("error"), m_error);
    }
    // Keys are ASCII; the text stays UTF-8 whatever the locale says.
    const QByteArray bytes = QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString Command::help()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(summary());
    parser.addHelpOption();
    define(parser);
    // Qt writes "Usage: <program> [options]"; the command belongs after the program's name.
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ");
    if (const auto at = text.indexOf(usage); at >= 0) {
        const auto end = text.indexOf(QLatin1Char(' '), at + usage.size());
        text.insert(end, QLatin1Char(' ') + name());
    }
    return text;
}

Command *Command::find(const QString &name)
{
    for (const auto &c : all()) {
        if (c->name() == name) {
            return c.get();
        }
    }
    return nullptr;
}
