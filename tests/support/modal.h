#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs the script on the next modal dialog of class T as soon as it is shown. A dialog that
// does not appear within the deadline fails the running test, and whatever modal window holds
// the test up meanwhile is closed, so the test ends instead of hanging.
template<typename T>
void whenShown(std::function<void(T *)> script, std::chrono::milliseconds deadline = std::chrono::seconds(30))
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    const QDeadlineTimer until(deadline);
    QObject::connect(timer, &QTimer::timeout, [timer, script, until] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *d = qobject_cast<T *>(modal)) {
            timer->stop();
            timer->deleteLater();
            script(d);
        } else if (until.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            QTest::qFail(qPrintable(QStringLiteral("%1 was not shown in time; %2 was shown instead")
                                        .arg(QString::fromLatin1(T::staticMetaObject.className()),
                                             modal ? QString::fromLatin1(modal->metaObject()->className())
                                                   : QStringLiteral("nothing"))),
                         __FILE__, __LINE__);
            if (auto *other = qobject_cast<QDialog *>(modal)) {
                other->reject();
            } else if (modal) {
                modal->close();
            }
        }
    });
    timer->start();
}
