#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

class QIODevice;

// The lines of an old Jet database as parvell-jet-read prints them: a line about the file, then
// per table a line with its columns, one line per row and a closing line, and a last line once
// everything was read (the format is described in src/tools/jetread/jetread.cpp).
class JetLines
{
public:
    virtual ~JetLines() = default;
    // The next line, without its line end; false when no more will come.
    virtual bool next(QByteArray *line) = 0;
    // Why the lines stopped before the reader was done (it crashed, ran out of time or memory,
    // or gave up with a reason), in Chinese; empty when it ended normally.
    virtual QString failure() const { return {}; }
    // What the reader said besides its lines (mdbtools' warnings), for the report.
    virtual QStringList remarks() const { return {}; }
};

// The lines of a stream already at hand: a file or pipe of the reader's output, a test's buffer.
class DeviceLines : public JetLines
{
public:
    explicit DeviceLines(QIODevice &device)
        : m_device(device)
    { }
    bool next(QByteArray *line) override;

private:
    QIODevice &m_device;
};

// parvell-jet-read run on a file in a process of its own. mdbtools is not trusted with damaged
// files, so the process gets a limit on its memory and its processor time, and it is stopped
// when it runs too long or stays silent too long.
class JetReaderProcess : public JetLines
{
public:
    struct Limits
    {
        int seconds = 3600; // the whole reading
        int quietSeconds = 300; // without a single line
        qint64 memoryMiB = 2048;
    };

    JetReaderProcess(const QString &file, const Limits &limits);
    ~JetReaderProcess() override;
    JetReaderProcess(const JetReaderProcess &) = delete;
    JetReaderProcess &operator=(const JetReaderProcess &) = delete;

    bool next(QByteArray *line) override;
    QString failure() const override { return m_failure; }
    QStringList remarks() const override;

    // The reader: the one a test put in place, else parvell-jet-read beside the program, else
    // the one of the build.
    static QString program();
    // Puts another reader in place (tests); empty returns to the real one.
    static void setProgram(const QString &program);

private:
    void stop(const QString &why);
    void finished();
    void keepErrors();

    QProcess m_process;
    Limits m_limits;
    QElapsedTimer m_started;
    QElapsedTimer m_lastLine;
    QString m_failure;
    QByteArray m_errors; // the end of what it wrote to its standard error
    bool m_done = false;
};
