#include "scriptedprompt.h"

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
    shown.append({caption, text, icon, false});
}

bool ScriptedPrompt::question(QWidget *, const QString &text, const QString &caption)
{
    shown.append({caption, text, Prompt::Icon::Question, true});
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
