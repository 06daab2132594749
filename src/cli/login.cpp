#include "cli/login.h"

#include "admin/core/passwords.h"
#include "cli/command.h"
#include "data/dm1.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <optional>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// One line of a stream, without its line end.
QString readLine(FILE *from)
{
    std::string line;
    for (int c = std::fgetc(from); c != EOF && c != '\n'; c = std::fgetc(from)) {
        line.push_back(char(c));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return QString::fromUtf8(line.data(), qsizetype(line.size()));
}

// Asks on the terminal with echo off; nothing when there is no terminal to ask on.
std::optional<QString> askTerminal(const QString &question)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty) {
        return std::nullopt;
    }
    const QByteArray prompt = question.toUtf8();
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), tty);
    std::fflush(tty);
    termios before {};
    const bool terminal = tcgetattr(fileno(tty), &before) == 0;
    if (terminal) {
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
    }
    const QString typed = readLine(tty);
    if (terminal) {
        tcsetattr(fileno(tty), TCSAFLUSH, &before);
    }
    std::fputs("\n", tty);
    std::fclose(tty);
    return typed;
}

}

int Login::logIn(Dm1 *dm, const QString &operatorName, bool passwordFromStdin, Report &report)
{
    QString error;
    QSqlQuery q(dm->database());
    const QString order = QStringLiteral(" order by ") + Dm1::orderTerm(QStringLiteral("姓名"));
    const bool named = !operatorName.isEmpty();
    q.prepare(QStringLiteral("select id, 姓名, 操作口令, 输入法 from 权限表")
              + (named ? QStringLiteral(" where 姓名=?") : QString()) + order);
    if (named) {
        q.addBindValue(operatorName);
    }
    if (!q.exec()) {
        return report.fail(Exit::IoError, QStringLiteral("不能读取操作人员：%1").arg(q.lastError().text()));
    }
    if (!q.next()) {
        return report.fail(Exit::LoginRefused,
                           named ? QStringLiteral("没有操作人员 %1。").arg(operatorName)
                                 : QStringLiteral("没有任何操作人员。"));
    }
    const qint64 id = q.value(0).toLongLong();
    const QString name = q.value(1).toString();
    const QString stored = q.value(2).toString();
    const QString inputMethod = q.value(3).toString();
    q.finish();

    QString typed;
    Passwords::Check check = Passwords::verify(stored, QString());
    if (check == Passwords::Check::Refused || passwordFromStdin) {
        if (passwordFromStdin) {
            typed = readLine(stdin);
        } else if (const auto answer = askTerminal(QStringLiteral("操作员 %1 的操作口令：").arg(name))) {
            typed = *answer;
        } else {
            return report.fail(
                Exit::LoginRefused,
                QStringLiteral("需要操作员 %1 的操作口令：请用 --password-stdin 从标准输入给出。").arg(name));
        }
        typed = Passwords::normalise(typed);
        check = Passwords::verify(stored, typed);
    }
    if (check == Passwords::Check::Refused) {
        return report.fail(Exit::LoginRefused, QStringLiteral("密码不对！"));
    }
    if (check == Passwords::Check::AcceptedPlainText && !Passwords::store(dm, id, typed, &error)) {
        // Logged in all the same, as the login dialog lets him in; the hash waits for next time.
        report.say(QStringLiteral("口令没有改存为散列：%1").arg(error));
    }
    Session &s = dm->session();
    s.currentOperator = name;
    s.operatorId = id;
    s.inputMethod = inputMethod;
    s.password = typed;
    s.loggedIn = true;
    return Exit::Done;
}
