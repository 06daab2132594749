#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QValidator>

class QHBoxLayout;
class QLabel;
class QPushButton;

// The small dialogs (administration, the choosers): fixed size, centred on the screen. Without title-bar
// buttons (login, password, settings) Esc does not close them, only their own buttons do;
// the maintenance windows keep a close box.
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    enum class TitleBar { NoButtons, CloseBox };
    explicit FixedDialog(QWidget *parent = nullptr, TitleBar titleBar = TitleBar::NoButtons);

protected:
    // Fixes the size to the laid-out size; call at the end of the constructor.
    void fixSize();
    // A label for an entry field, with the field as its buddy.
    QLabel *labelFor(const QString &text, QWidget *field);
    // A push button of the dialog: its name, its caption as accessible name (without the "&"
    // of its accelerator), and no default-button behaviour, so Enter stays with the fields.
    QPushButton *makeButton(const QString &objectName, const QString &text);
    // The dialog's buttons in a centred row, as far apart as the platform sets neighbouring
    // buttons (a row inside a grid of unequal spacings would otherwise get none).
    QHBoxLayout *buttonRow(const QList<QPushButton *> &buttons) const;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TitleBar m_titleBar;
};

// A password box: shows "*" for each character and turns letters into upper case as they
// are typed.
class PasswordBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit PasswordBox(QWidget *parent = nullptr);
};

// Turns letters into upper case as they are typed (passwords, codes).
class UpperCase : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
