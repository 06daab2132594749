#include "components/common/fixeddialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QValidator>

QValidator::State UpperCase::validate(QString &input, int &) const
{
    input = input.toUpper();
    return Acceptable;
}

FixedDialog::FixedDialog(QWidget *parent, TitleBar titleBar)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | (titleBar == TitleBar::CloseBox ? Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                                                    : Qt::WindowFlags()))
    , m_titleBar(titleBar)
{
    setModal(true);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    setFont(f);
}

void FixedDialog::fixSize()
{
    adjustSize();
    setFixedSize(sizeHint().expandedTo(minimumSizeHint()));
}

QLabel *FixedDialog::labelFor(const QString &text, QWidget *field)
{
    auto *label = new QLabel(text, this);
    label->setBuddy(field);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (field->accessibleName().isEmpty()) {
        QString name = text;
        name.remove(QStringLiteral("："));
        field->setAccessibleName(name);
    }
    return label;
}

QPushButton *FixedDialog::makeButton(const QString &objectName, const QString &text)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(objectName);
    b->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    b->setAutoDefault(false);
    return b;
}

void FixedDialog::showEvent(QShowEvent *event)
{
    if (QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void FixedDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_titleBar == TitleBar::NoButtons) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

PasswordBox::PasswordBox(QWidget *parent)
    : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    setValidator(new UpperCase(this));
    setAttribute(Qt::WA_InputMethodEnabled, false);
}
