#pragma once

#include <QClipboard>
#include <QLineEdit>

// A one-line field of numbers, amounts or dates: typed, never composed by an input method, and
// nothing dropped into it. Where it has a validator (dates), the validator decides what it
// takes and it says so when it refuses: a key it cannot take beeps and shows a short tip of
// what the field takes ("只能输入日期，如2004-08-15"); pasted text that would not make a value is
// refused whole with "输入的内容不正确,请重新输入!", never reshaped into another value. Numbers and
// amounts have none: they keep what is typed until it is judged (DBControl::refusal()).
class CheckedLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CheckedLineEdit(QWidget *parent = nullptr);

    void setRefusalTip(const QString &tip) { m_tip = tip; }
    QString refusalTip() const { return m_tip; }

    // Pastes the clipboard's text, refused whole when the field cannot take it.
    void pasteChecked(QClipboard::Mode mode = QClipboard::Clipboard);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Whether the field's text with `inserted` typed at the cursor (over the selection) is still
    // a value or the beginning of one.
    bool takes(const QString &inserted) const;

    QString m_tip;
};
