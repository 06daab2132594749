#include "components/dbctrls/inputmethod.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>

namespace {
const char *const Property = "parvellInputMethod";

QStringList runLines(const QString &program, const QStringList &args)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return {};
    }
    QProcess p;
    p.start(path, args);
    if (!p.waitForFinished(1500) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(200);
        return {};
    }
    QStringList out;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            out << line.trimmed();
        }
    }
    return out;
}

// Fcitx 5 keeps its input methods in the profile of the user's configuration.
QStringList fcitxProfile()
{
    const QString file =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, QStringLiteral("fcitx5/profile"));
    if (file.isEmpty()) {
        return {};
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    QStringList out;
    static const QRegularExpression item(QStringLiteral("^\\s*Name\\s*=\\s*(.+)$"));
    bool inItem = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inItem = line.contains(QStringLiteral("/Items/"));
            continue;
        }
        const auto m = item.match(line);
        if (inItem && m.hasMatch() && !out.contains(m.captured(1))) {
            out << m.captured(1);
        }
    }
    return out;
}

void switchTo(const QString &name)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("ibus")).isEmpty()) {
        QProcess::startDetached(QStringLiteral("ibus"), {QStringLiteral("engine"), name});
    } else if (!QStandardPaths::findExecutable(QStringLiteral("fcitx5-remote")).isEmpty()) {
        QProcess::startDetached(QStringLiteral("fcitx5-remote"), {QStringLiteral("-s"), name});
    }
}

class Switcher : public QObject
{
public:
    using QObject::QObject;
    static Switcher *instance()
    {
        static Switcher *s = new Switcher(QCoreApplication::instance());
        return s;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const QString name = watched->property(Property).toString();
            if (!name.isEmpty()) {
                switchTo(name);
            }
        }
        return false;
    }
};
}

QStringList InputMethod::installed()
{
    QStringList names =
        runLines(QStringLiteral("ibus"), {QStringLiteral("list-engine"), QStringLiteral("--name-only")});
    if (names.isEmpty()) {
        names = fcitxProfile();
    }
    return names;
}

void InputMethod::apply(const QList<QWidget *> &fields, const QString &name)
{
    for (QWidget *w : fields) {
        if (!w) {
            continue;
        }
        w->setProperty(Property, name.isEmpty() ? QVariant() : QVariant(name));
        w->setAttribute(Qt::WA_InputMethodEnabled, true);
        w->removeEventFilter(Switcher::instance());
        if (!name.isEmpty()) {
            w->installEventFilter(Switcher::instance());
        }
    }
}

QString InputMethod::of(const QWidget *field)
{
    return field ? field->property(Property).toString() : QString();
}
