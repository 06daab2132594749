#include "components/dbctrls/checkedlineedit.h"

#include "components/common/prompt.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>
#include <QValidator>

CheckedLineEdit::CheckedLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    // Digits and dates are typed, not composed: no input method, no dropped text.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
}

bool CheckedLineEdit::takes(const QString &inserted) const
{
    if (!validator()) {
        return true;
    }
    QString candidate = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    candidate.replace(start, hasSelectedText() ? selectedText().size() : 0, inserted);
    int position = start + int(inserted.size());
    return validator()->validate(candidate, position) != QValidator::Invalid;
}

void CheckedLineEdit::pasteChecked(QClipboard::Mode mode)
{
    if (isReadOnly() || !isEnabled()) {
        return;
    }
    // A value copied from a spreadsheet cell comes with its line break.
    const QString pasted = QApplication::clipboard()->text(mode).trimmed();
    if (pasted.isEmpty()) {
        return;
    }
    if (!takes(pasted)) {
        QApplication::beep();
        Prompt::notice(this, QStringLiteral("输入的内容不正确,请重新输入!"));
        return;
    }
    insert(pasted);
}

void CheckedLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        pasteChecked();
        event->accept();
        return;
    }
    const QString typed = event->text();
    const bool character = !typed.isEmpty() && typed.front().isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (character && !isReadOnly() && !takes(typed)) {
        QApplication::beep();
        if (!m_tip.isEmpty()) {
            QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()), m_tip, this);
        }
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// The menu's "粘贴" goes through the same check as Ctrl+V.
void CheckedLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, [this] { pasteChecked(); });
        }
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// The middle button pastes the selection on X11: checked as well.
void CheckedLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        pasteChecked(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
