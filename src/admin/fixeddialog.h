#pragma once

#include <QDialog>
#include <QLineEdit>

class QLabel;

// The small dialogs of administration: fixed size, no buttons in the title bar, centred on
// the screen; Esc does not close them (only their own buttons do).
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FixedDialog(QWidget *parent = nullptr);

protected:
    // Fixes the size to the laid-out size; call at the end of the constructor.
    void fixSize();
    // A label for an entry field, with the field as its buddy.
    QLabel *labelFor(const QString &text, QWidget *field);
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// A password box: shows "*" for each character and turns letters into upper case as they
// are typed.
class PasswordBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit PasswordBox(QWidget *parent = nullptr);
};
