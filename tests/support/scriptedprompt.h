#pragma once

#include "components/common/prompt.h"

#include <QList>
#include <QQueue>
#include <QString>

// Answers the program's questions and file dialogs from a script and records every message,
// so a test can assert the exact caption, text and icon the operator would have seen.
class ScriptedPrompt : public Prompt::Handler
{
public:
    struct Shown
    {
        QString caption;
        QString text;
        Prompt::Icon icon;
        bool isQuestion;
        QString detail; // the database's own words under a refusal
    };

    // Installs a fresh script as the program's prompt and returns it (owned by Prompt).
    static ScriptedPrompt *install();

    QList<Shown> shown;
    QQueue<bool> answers; // next answers to questions; No when empty
    QQueue<QString> files; // next file names; cancelled when empty
    QQueue<int> filterChoices; // next chosen file type (1-based); unchanged when empty
    QList<int> offeredFilter; // the file type each save dialog offered

    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.constLast().text; }
    void clear() { shown.clear(); }

    void message(QWidget *, const QString &text, const QString &caption, Prompt::Icon icon) override;
    void detailedMessage(QWidget *, const QString &text, const QString &detail, const QString &caption,
                         Prompt::Icon icon) override;
    bool question(QWidget *, const QString &text, const QString &caption) override;
    QString saveFile(QWidget *, const QString &caption, const QString &fileName, const QStringList &filters,
                     int *filterIndex, const QString &defaultSuffix) override;
    QString openFile(QWidget *, const QString &caption, const QString &dir, const QStringList &filters) override;

    // A print preview writes its pages to this PDF instead (one preview per file; the last path
    // is kept when the queue is empty); printed counts the previews.
    QQueue<QString> pdfFiles;
    QString lastPdf;
    int printed = 0;
    void printPreview(QWidget *, const std::function<void(QPrinter *)> &render) override;
    // A report's own preview prints to PDF like a list's; so does the print dialog (confirmed).
    void documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &render,
                         const std::function<void(QWidget *)> &showWindow) override;
    bool print(QWidget *parent, QPrinter *printer, const std::function<void(QPrinter *)> &render) override;

    QString lastSaveName; // the file name a save dialog proposed
    QString lastDialogCaption;
};
