#include "admin/migrate.h"

#include "admin/core/servermigration.h"
#include "admin/serverpassword.h"
#include "components/common/prompt.h"
#include "data/dm1.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm_migrate::TForm_migrate(QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
{
    setObjectName(QStringLiteral("Form_migrate"));
    setWindowTitle(QStringLiteral("迁移到服务器"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(380);
    Edit1->setPlaceholderText(QStringLiteral("host=db.office dbname=cuiyuan user=parvell"));
    Edit1->setAccessibleName(QStringLiteral("服务器连接"));
    Label1 = labelFor(QStringLiteral("服务器连接："), Edit1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 =
        new QLabel(QStringLiteral("把本机的数据库复制到数据库服务器上一个空的数据库中，以后几个收费窗口都使用它。\n"
                                  "口令不要写在这里，需要时程序会询问。"),
                   this);
    Label2->setObjectName(QStringLiteral("Label2"));
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("迁移"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回"));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(16, 20, 16, 16);
    layout->setVerticalSpacing(16);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(Edit1, 0, 1);
    layout->addWidget(Label2, 1, 0, 1, 2);
    layout->addLayout(buttonRow({BitBtn1, BitBtn2}), 2, 0, 1, 2);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_migrate::migrate);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    fixSize();
}

void TForm_migrate::migrate()
{
    Dm1 *dm = Dm1::instance();
    DatabaseAddress server {Edit1->text().trimmed(), {}, true};
    if (server.where.isEmpty()) {
        Prompt::notice(this,
                       QStringLiteral("请填写数据库服务器的连接，例如 host=db.office dbname=cuiyuan user=parvell"));
        Edit1->setFocus();
        return;
    }
    if (dm->onServer()) {
        Prompt::notice(this, QStringLiteral("本机已经在使用%1，不需要迁移。").arg(dm->address().shownName()));
        return;
    }
    if (!Prompt::ask(this, QStringLiteral("要把本机的数据库迁移到%1吗？").arg(server.shownName()))) {
        return;
    }
    QString error;
    if (!server.reach([this](const QString &question) { return TForm_serverpassword::ask(this, question); }, &error)) {
        Prompt::notice(this, error);
        return;
    }
    qint64 rows = 0;
    {
        const auto progress = Prompt::progress(this, QStringLiteral("正在迁移……"), 0);
        if (!ServerMigration::migrate(dm->databasePath(), server, &error, &rows,
                                      [&](qint64) { return progress->update(0); })) {
            Prompt::notice(this, error);
            return;
        }
    }
    const QString done = QStringLiteral("迁移完毕，共复制 %1 条记录。").arg(rows);
    if (!Prompt::ask(this, done + QStringLiteral("\n以后本机使用服务器上的数据库吗？"))) {
        accept();
        return;
    }
    // This counter's home names the server from now on; the password stays in memory only.
    QFile conf(dm->serverConfPath());
    if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)
        || conf.write(server.where.toUtf8() + '\n') < 0 || !conf.flush()) {
        Prompt::notice(this,
                       QStringLiteral("不能写入文件 %1：%2")
                           .arg(QDir::toNativeSeparators(dm->serverConfPath()), conf.errorString()));
        return;
    }
    dm->setServer(server.where, server.password);
    accept();
}
