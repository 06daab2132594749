#pragma once

#include "components/common/fixeddialog.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

// "数据库服务器口令": the password of the database server, asked when the server wants one and
// none is kept for it (libpq's ~/.pgpass). Letters stay as typed: a server's passwords tell
// upper and lower case apart. The password is kept in memory only.
class TForm_serverpassword : public FixedDialog
{
    Q_OBJECT
public:
    explicit TForm_serverpassword(const QString &question, QWidget *parent = nullptr);

    // Shows the dialog: the password typed, or nothing when the operator chose "取消".
    static std::optional<QString> ask(QWidget *parent, const QString &question);

    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
};
