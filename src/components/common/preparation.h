#pragma once

#include "data/clock.h"
#include "data/dm1.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class DataSet;
class QComboBox;
class QDialog;
class QWidget;

// What a window needs before it is shown, declared by the window itself.
//
// Every window the menus and the toolbar open derives from PreparedWindow and says in prepare()
// what has to be ready when it appears: the queries it opens, the drop-downs it fills, the
// scratch table it empties, the date pickers it sets to today. The main window creates the
// window, runs its prepare(), shows it modally, and when it has closed undoes what the steps
// opened (the queries and the scratch table are closed again); then it frees the window. The
// main window knows only which window a menu item opens (app/commands.cpp).
//
//   class TForm_yajin_mingxi : public QDialog, public PreparedWindow
//   {
//       void prepare(Preparation &p) override
//       {
//           p.fill(ComboBox1, Preparation::Items::HouseCodes).fill(ComboBox2, Preparation::Items::Buildings);
//           p.today(DateTimePicker1, DateTimePicker2).scratch();
//       }
//   };
//
// A list window declares its query in its design (ListWindowDesign::query) and needs no
// prepare() of its own; one that needs more overrides prepare(), calls ListWindow::prepare(p)
// first and adds its steps, e.g. p.fill(searchCombo(u"DBComboBoxEh3"_s), Preparation::Items::Buildings).
// A window that needs nothing says so: void prepare(Preparation &) override {}.
//
// The steps run at once, in the order written. The first one that fails shows its reason to the
// operator and the rest are skipped; the window is then not shown. A step given a control that
// does not exist (a null pointer: a member not yet made, a misspelt search box) is a fault of the
// program: it stops a debug build (and so every test) at once, and in a release build refuses
// the command with a message.
//
// Add the window to app/windows.cpp (WindowRegistry::add<TForm_x>(), and take its name out of
// planned()); its menu item's row in app/commands.cpp already names the class. Then add its row
// to expectations() in tests/app/tst_windows.cpp: that test prepares every registered window on
// the demo estate, checks the queries open while it is shown, and that all is closed after.
//
// An ordering line's fields go through Dm1::orderTerm ("order by " + Dm1::orderTerm("业主名称")),
// so text sorts in pinyin order. A report window declares its drop-downs and pickers in its
// design (ReportDesign::fills, datesToday) and gets the scratch table emptied.
//
// Before prepare() runs, the window is given what it works on: the data module the preparation
// was made with (by default the program's) and with it the operator's session. The window
// reaches them as dm(), db() and session(), never through a global; a test prepares a window
// on its own home's data module.
// The reminder that start-up runs without showing the window is StartupReminder's business,
// not the preparation's.
class Preparation
{
public:
    // The lists a drop-down is filled with: every value in the order of the query, duplicates
    // kept, the drop-down's own items replaced.
    enum class Items {
        Buildings, // 楼宇名称 of 楼宇资料, by 楼宇名称
        FeeNames, // 收费名称 of 收费项目, by 收费名称
        HouseCodes, // 房屋代码 of 房屋资料, by 房屋代码
    };
    enum class Scratch { CloseAfter, KeepOpen };

    // Messages are shown over window. The window works on dm (its shared queries, its
    // connection and its session); null: the program's data module.
    explicit Preparation(QWidget *window, Dm1 *dm = nullptr);
    ~Preparation();
    Preparation(const Preparation &) = delete;
    Preparation &operator=(const Preparation &) = delete;

    // Runs the window's own prepare() (nothing for a window that is no PreparedWindow); false
    // when a step failed.
    bool run();
    bool ok() const { return m_ok; }
    // Undoes what the steps opened, the last first; runs once (the destructor runs it too).
    void finish();

    // Prepares window to work on dm, shows it modally and cleans up after it: the result of
    // exec(), or QDialog::Rejected when the preparation failed and the window was not shown.
    static int showModal(QDialog *window, Dm1 *dm = nullptr);
    Dm1 *dm() const { return m_dm; }

    // --- the steps ---
    // Opens query on these SQL lines (":name" placeholders bound from binds); closed after.
    Preparation &open(DataSet *query, const QStringList &lines, const QVariantMap &binds = {});
    // Replaces the drop-down's items by the list.
    Preparation &fill(QComboBox *box, Items items);
    // Empties the scratch table 通用 of this connection and opens q_tongyong on it ordered by
    // texta; q_tongyong is closed after unless kept open.
    Preparation &scratch(Scratch after = Scratch::CloseAfter);
    // Sets each date picker (anything with setDate(QDate)) to today.
    template<typename... Pickers> Preparation &today(Pickers *...pickers)
    {
        const QDate date = Clock::today();
        ((exists(pickers, "日期选择框") ? static_cast<void>(pickers->setDate(date)) : void()), ...);
        return *this;
    }
    // Anything else: false with the reason (shown as the database's refusal) stops the rest.
    Preparation &step(const std::function<bool(QString *error)> &work);
    // Clean-up of the window's own, run with the others after it has closed.
    Preparation &onFinish(std::function<void()> cleanUp);

private:
    // False (and the command refused) when the control does not exist.
    bool exists(const QObject *control, const char *what);
    void refuse(const QString &reason);

    QWidget *m_window;
    Dm1 *m_dm;
    bool m_ok = true;
    bool m_finished = false;
    QList<std::function<void()>> m_cleanUps;
};

// Implemented by every window the main window opens; see Preparation. Before its prepare()
// runs, the preparation gives the window what it works on: the data module (its shared queries
// and its connection) and, with it, the session of the logged-in operator.
class PreparedWindow
{
public:
    virtual ~PreparedWindow() = default;
    virtual void prepare(Preparation &p) = 0;

    // Given by the preparation; a window is never used before it was prepared.
    Dm1 *dm() const
    {
        Q_ASSERT_X(m_dm, "PreparedWindow", "the window is used before its preparation");
        return m_dm;
    }
    QSqlDatabase db() const { return dm()->database(); }
    Session &session() const { return dm()->session(); }

private:
    friend class Preparation;
    Dm1 *m_dm = nullptr;
};
