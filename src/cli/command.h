#pragma once

#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <memory>

class Dm1;

// How parvell-cli ends, as <sysexits.h> names it, so that a script tells "try again later" from
// "fix the input".
namespace Exit {
constexpr int Done = 0;
constexpr int Usage = 64; // EX_USAGE: unknown command or option, a value that is no value
constexpr int BadData = 65; // EX_DATAERR: an import or restore file refused
constexpr int NoInput = 66; // EX_NOINPUT: the input file or the home's database is missing
constexpr int Internal = 70; // EX_SOFTWARE
constexpr int CannotCreate = 73; // EX_CANTCREAT: the output exists or its folder is missing
constexpr int IoError = 74; // EX_IOERR: reading or writing a file failed (disk full)
constexpr int Busy = 75; // EX_TEMPFAIL: the database is in use: retry later
constexpr int LoginRefused = 77; // EX_NOPERM
}

// What a run tells: messages in Chinese on the standard error, and with --json one object on
// the standard output holding the command's figures.
class Report
{
public:
    explicit Report(bool json)
        : m_json(json)
    { }
    // A line on the standard error (UTF-8 whatever the locale).
    void say(const QString &message);
    // Ends the run with code and the message (said on the standard error); returns code.
    int fail(int code, const QString &message);
    // A figure of the JSON answer.
    void set(const QString &key, const QJsonValue &value) { m_fields.insert(key, value); }
    bool json() const { return m_json; }
    // Writes the JSON object for a run ended with code (with --json only).
    void finish(const QString &command, int code);

private:
    bool m_json;
    QJsonObject m_fields;
    QString m_error;
};

// What every command works on: the estate's data module with the operator logged in.
struct Context
{
    Dm1 *dm = nullptr;
    Report *report = nullptr;
};

// One subcommand of parvell-cli: its name and summary, its own options and positional
// arguments (each command parses its own part of the command line), and what it does.
class Command
{
public:
    virtual ~Command() = default;
    virtual QString name() const = 0;
    virtual QString summary() const = 0;
    // Adds the command's options and positional arguments.
    virtual void define(QCommandLineParser &parser) = 0;
    // Checks the parsed arguments before the estate is opened: Exit::Done, or the code with the
    // message already told.
    virtual int check(const QCommandLineParser &parser, Report &report) = 0;
    // Whether the command works on the estate with an operator logged in (every command but
    // verify does).
    virtual bool needsLogin() const { return true; }
    virtual int run(const QCommandLineParser &parser, Context &context) = 0;

    // The command's usage text, as --help and a usage error show it.
    QString help();
    // Every command, in the order help lists them.
    static const std::vector<std::unique_ptr<Command>> &all();
    static Command *find(const QString &name);
};
