#pragma once

#include <QMainWindow>

struct Command;
class Dm1;
class QLabel;
class QTimer;
class QWidget;

// The main window: starts the system (database, settings, login, reminders), scrolls the
// organisation's text along the top bar, and opens one modal window per menu or toolbar command
// (the commands are app/commands.cpp; each window prepares itself, see Preparation).
class TForm_main : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm_main(Dm1 *dm, QWidget *parent = nullptr);
    ~TForm_main() override;

    // The first-activation steps; false when start-up failed and the window is closing.
    bool firstActivation();
    // Runs the command of a menu item (by its caption); false when no such command.
    bool runCommand(const QString &item);
    // Unattended starts (--screenshot, --exit-when-ready, --command): the start-up login
    // confirms itself as an operator with an empty password would (TForm_Enter), and the
    // start-up reminder does not wait for anyone to close it.
    void setUnattendedLogin(bool on) { m_unattendedLogin = on; }
    int exitCode() const { return m_exitCode; }
    QLabel *scrollingText() const { return m_label1; }
    // One tick of Timer1: the scrolling text moves a pixel left, or re-enters on the right.
    void scrollText();

signals:
    // The first activation has finished: connected, settings read, logged in, reminded.
    void started();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildTopBar();
    void buildStatusBar();
    void execute(const Command &command);
    bool login();
    void remind();
    void showOperator();
    void refreshScrollingText();
    void failStartUp(const QString &message);

    Dm1 *m_dm;
    QWidget *m_textPanel = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_image1 = nullptr;
    QTimer *m_timer1 = nullptr;
    QList<QLabel *> m_panels;
    bool m_activated = false;
    bool m_autoRemind = false;
    bool m_unattendedLogin = false;
    int m_exitCode = 0;
};
