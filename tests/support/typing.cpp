#include "typing.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80 && ch.unicode() >= 0x20) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
    }
}

void retype(QWidget *widget, const QString &text)
{
    QLineEdit *edit = qobject_cast<QLineEdit *>(widget);
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        edit = combo->lineEdit();
    }
    widget->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

QString focusedControl()
{
    QWidget *w = QApplication::focusWidget();
    if (!w) {
        return {};
    }
    return w->objectName().isEmpty() && w->parentWidget() ? w->parentWidget()->objectName() : w->objectName();
}
