#pragma once

#include "components/common/preparation.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <memory>

// What a test of one list window keeps: a fresh home, the scripted prompt, a fixed clock and
// operator (张三, 2004-08-15 09:00), and the window W, opened after its own preparation.
template<typename W> class WindowFixture
{
protected:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<W> window;
    std::unique_ptr<Preparation> preparation; // what the window opened, undone when it goes

    void setUp()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 0)));
        home->dm()->session().currentOperator = QStringLiteral("张三");
    }
    void tearDown()
    {
        preparation.reset();
        window.reset();
        home.reset();
        Clock::setFixed({});
    }
    // A new window, prepared as the main window prepares it, and shown; false when any of it
    // failed.
    bool openWindow()
    {
        preparation.reset();
        window = std::make_unique<W>();
        preparation = std::make_unique<Preparation>(window.get(), dm());
        if (!preparation->run()) {
            return false;
        }
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    Dm1 *dm() const { return home->dm(); }
    DataSet *q() const { return window->dataSet(); }
    QToolButton *button(const char *name) const
    {
        return window->template findChild<QToolButton *>(QString::fromLatin1(name));
    }
    QWidget *field(const char *name) const { return window->template findChild<QWidget *>(QString::fromLatin1(name)); }
    QLineEdit *edit(const char *name) const
    {
        return window->template findChild<QLineEdit *>(QString::fromLatin1(name));
    }
    void click(const char *name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
};
