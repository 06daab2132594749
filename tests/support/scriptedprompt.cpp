#include "scriptedprompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QPrinter>

ScriptedPrompt *ScriptedPrompt::install()
{
    auto p = std::make_unique<ScriptedPrompt>();
    ScriptedPrompt *raw = p.get();
    Prompt::setHandler(std::move(p));
    return raw;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const Shown &s : shown) {
        out << s.text;
    }
    return out;
}

void ScriptedPrompt::message(QWidget *, const QString &text, const QString &caption, Prompt::Icon icon)
{
    shown.append({caption, text, icon, false, {}});
}

void ScriptedPrompt::detailedMessage(QWidget *, const QString &text, const QString &detail, const QString &caption,
                                     Prompt::Icon icon)
{
    shown.append({caption, text, icon, false, detail});
}

bool ScriptedPrompt::question(QWidget *, const QString &text, const QString &caption)
{
    shown.append({caption, text, Prompt::Icon::Question, true, {}});
    return answers.isEmpty() ? false : answers.dequeue();
}

QString ScriptedPrompt::saveFile(QWidget *, const QString &caption, const QString &fileName, const QStringList &,
                                 int *filterIndex, const QString &)
{
    lastDialogCaption = caption;
    lastSaveName = fileName;
    offeredFilter << (filterIndex ? *filterIndex : 0);
    if (filterIndex && !filterChoices.isEmpty()) {
        *filterIndex = filterChoices.dequeue();
    }
    return files.isEmpty() ? QString() : files.dequeue();
}

QString ScriptedPrompt::openFile(QWidget *, const QString &caption, const QString &, const QStringList &)
{
    lastDialogCaption = caption;
    return files.isEmpty() ? QString() : files.dequeue();
}

namespace {
// The next PDF file a print goes to.
QString nextPdf(QQueue<QString> *pdfFiles, QString *lastPdf)
{
    if (!pdfFiles->isEmpty()) {
        *lastPdf = pdfFiles->dequeue();
    } else if (lastPdf->isEmpty()) {
        *lastPdf =
            QDir::temp().filePath(QStringLiteral("parvell-print-%1.pdf").arg(QCoreApplication::applicationPid()));
    }
    return *lastPdf;
}
}

void ScriptedPrompt::printPreview(QWidget *, const std::function<void(QPrinter *)> &render)
{
    ++printed;
    nextPdf(&pdfFiles, &lastPdf);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(lastPdf);
    Prompt::setUpPage(&printer);
    render(&printer);
}

void ScriptedPrompt::documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &render,
                                     const std::function<void(QWidget *)> &)
{
    printPreview(parent, render);
}

bool ScriptedPrompt::print(QWidget *, QPrinter *printer, const std::function<void(QPrinter *)> &render)
{
    ++printed;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(nextPdf(&pdfFiles, &lastPdf));
    render(printer);
    return true;
}
