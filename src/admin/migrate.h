#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "迁移到服务器": this counter's database copied onto an empty database of a PostgreSQL server
// (ServerMigration), after which the office's counters work on the server; the counter that
// migrated may go on there at once (its data/server.conf then names the server). The main
// window closes its connection while this is open and opens it again afterwards.
class TForm_migrate : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit TForm_migrate(QWidget *parent = nullptr);
    void prepare(Preparation &) override { }

    void migrate();

    QLabel *Label1;
    QLineEdit *Edit1;
    QLabel *Label2;
    QPushButton *BitBtn1;
    QPushButton *BitBtn2;
};
