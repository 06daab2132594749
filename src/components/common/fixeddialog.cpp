#include "components/common/fixeddialog.h"

#include "components/common/dialogframe.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
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
    // Wide enough for the whole caption in the title bar: its text in bold, with room for the
    // window icon and the close box.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int titleWidth = QFontMetrics(bold).horizontalAdvance(windowTitle()) + 100;
    QSize size = sizeHint().expandedTo(minimumSizeHint());
    size.setWidth(qMax(size.width(), titleWidth));
    setFixedSize(size);
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

QHBoxLayout *FixedDialog::buttonRow(const QList<QPushButton *> &buttons) const
{
    int spacing = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this);
    if (spacing < 0) {
        spacing = style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal);
    }
    auto *row = new QHBoxLayout;
    row->setSpacing(spacing >= 0 ? spacing : 6);
    row->addStretch();
    for (QPushButton *b : buttons) {
        row->addWidget(b);
    }
    row->addStretch();
    return row;
}

void FixedDialog::showEvent(QShowEvent *event)
{
    if (QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
    DialogFrame::apply(this);
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
