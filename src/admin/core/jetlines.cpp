#include "admin/core/jetlines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <sys/resource.h>

namespace {

constexpr qint64 ErrorsKept = 8192;

void chopLineEnd(QByteArray *line)
{
    while (line->endsWith('\n') || line->endsWith('\r')) {
        line->chop(1);
    }
}

QString &readerOverride()
{
    static QString program;
    return program;
}

}

bool DeviceLines::next(QByteArray *line)
{
    // A pipe or socket is waited on until a whole line or its end has come; a file, a buffer or
    // the standard input give a line at once (the last one perhaps without its line end).
    while (m_device.isSequential() && !m_device.canReadLine() && m_device.waitForReadyRead(-1)) { }
    *line = m_device.readLine();
    if (line->isEmpty()) {
        return false;
    }
    chopLineEnd(line);
    return true;
}

JetReaderProcess::JetReaderProcess(const QString &file, const Limits &limits)
    : m_limits(limits)
{
    const rlim_t memory = rlim_t(limits.memoryMiB) * 1024 * 1024;
    const rlim_t seconds = rlim_t(limits.seconds);
    m_process.setChildProcessModifier([memory, seconds] {
        const rlimit as {memory, memory};
        setrlimit(RLIMIT_AS, &as);
        const rlimit cpu {seconds, seconds + 5};
        setrlimit(RLIMIT_CPU, &cpu);
    });
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start(program(), {file});
    m_started.start();
    m_lastLine.start();
    if (!m_process.waitForStarted()) {
        m_failure =
            QStringLiteral("不能启动读取程序 %1：%2").arg(QDir::toNativeSeparators(program()), m_process.errorString());
        m_done = true;
    }
}

JetReaderProcess::~JetReaderProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool JetReaderProcess::next(QByteArray *line)
{
    while (!m_done) {
        if (m_process.canReadLine()) {
            *line = m_process.readLine();
            chopLineEnd(line);
            m_lastLine.restart();
            return true;
        }
        if (m_process.state() == QProcess::NotRunning) {
            if (m_process.bytesAvailable() > 0) {
                *line = m_process.readAll(); // a last line without its line end
                chopLineEnd(line);
                return true;
            }
            finished();
            return false;
        }
        keepErrors();
        if (m_started.hasExpired(qint64(m_limits.seconds) * 1000)) {
            stop(QStringLiteral("读取超过 %1 秒，已停止").arg(m_limits.seconds));
        } else if (m_lastLine.hasExpired(qint64(m_limits.quietSeconds) * 1000)) {
            stop(QStringLiteral("读取程序 %1 秒没有读出数据，已停止").arg(m_limits.quietSeconds));
        } else {
            m_process.waitForReadyRead(250);
        }
    }
    return false;
}

void JetReaderProcess::stop(const QString &why)
{
    m_failure = why;
    m_done = true;
    m_process.kill();
    m_process.waitForFinished();
}

void JetReaderProcess::finished()
{
    m_done = true;
    keepErrors();
    if (m_process.exitStatus() == QProcess::CrashExit) {
        m_failure = QStringLiteral("读取程序意外终止（文件可能已经损坏，或读取用尽了允许的内存）");
    } else if (m_process.exitCode() != 0) {
        const QStringList said = remarks();
        m_failure = QStringLiteral("读取程序没有读完（代码 %1）%2")
                        .arg(m_process.exitCode())
                        .arg(said.isEmpty() ? QString() : QStringLiteral("：") + said.constLast());
    } else {
        // mdbtools goes on past a page it cannot read (the file ends early, the page is not what
        // the catalogue says), and what it then gives may lack whole tables or rows.
        static const QStringList damage {QStringLiteral("beyond EOF"), QStringLiteral("reading page"),
                                         QStringLiteral("Unable to read"), QStringLiteral("Unable to find page"),
                                         QStringLiteral("not a valid table definition page")};
        for (const QString &said : remarks()) {
            for (const QString &word : damage) {
                if (said.contains(word, Qt::CaseInsensitive)) {
                    m_failure = QStringLiteral("文件不完整或已经损坏（mdbtools：%1）").arg(said);
                    return;
                }
            }
        }
    }
}

void JetReaderProcess::keepErrors()
{
    m_errors += m_process.readAllStandardError();
    if (m_errors.size() > ErrorsKept) {
        m_errors = m_errors.right(ErrorsKept);
    }
}

QStringList JetReaderProcess::remarks() const
{
    QStringList lines;
    for (const QByteArray &l : m_errors.split('\n')) {
        if (!l.trimmed().isEmpty()) {
            lines << QString::fromUtf8(l.trimmed());
        }
    }
    return lines;
}

QString JetReaderProcess::program()
{
    if (!readerOverride().isEmpty()) {
        return readerOverride();
    }
    if (QCoreApplication::instance()) {
        const QFileInfo beside(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("parvell-jet-read")));
        if (beside.isExecutable()) {
            return beside.absoluteFilePath();
        }
    }
    return QStringLiteral(PARVELL_BUILT_JET_READER);
}

void JetReaderProcess::setProgram(const QString &program)
{
    readerOverride() = program;
}
