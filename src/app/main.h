#pragma once

#include <QMainWindow>
#include <functional>

class Dm1;
class QDialog;
class QLabel;
class QTimer;
class QWidget;

// The main window: starts the system (database, settings, login, reminders), scrolls the
// organisation's text along the top bar, and opens one modal window per menu or toolbar command.
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
    int exitCode() const { return m_exitCode; }
    QLabel *scrollingText() const { return m_label1; }
    // One tick of Timer1: the scrolling text moves a pixel left, or re-enters on the right.
    void scrollText();

    struct Command
    {
        QString menu;
        QString item;
        QString toolbar;
        QString windowClass;
        std::function<bool(QDialog *)> prepare; // false stops the command
        std::function<void(QDialog *)> after;
        bool separatorAfter = false;
        bool hidden = false;
    };

signals:
    // The first activation has finished: connected, settings read, logged in, reminded.
    void started();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildCommands();
    void buildMenus();
    void buildTopBar();
    void buildStatusBar();
    void execute(const Command &command);
    bool login();
    void remind();
    void showOperator();
    void failStartUp(const QString &message);
    bool openShared(const char *query, const QStringList &lines);
    bool fillBox(QDialog *w, const QString &box, const QString &sql, const QString &field);

    Dm1 *m_dm;
    QList<Command> m_commands;
    QWidget *m_textPanel = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_image1 = nullptr;
    QTimer *m_timer1 = nullptr;
    QList<QLabel *> m_panels;
    bool m_activated = false;
    bool m_autoRemind = false;
    int m_exitCode = 0;
};
