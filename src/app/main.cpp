#include "app/main.h"

#include "admin/enter.h"
#include "app/commands.h"
#include "app/windowregistry.h"
#include "components/common/icons.h"
#include "components/common/preparation.h"
#include "components/common/prompt.h"
#include "components/common/startupreminder.h"
#include "components/report/core/noticetemplate.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/refusal.h"
#include "reports/core/statementreport.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace {
const QString ConnectionFailed = QStringLiteral("系统数据库没有连接，请与软件公司联系！");

// Sets a label's text; a screen reader reads what is shown, so the accessible name follows it.
void showText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(text);
}
}

TForm_main::TForm_main(Dm1 *dm, QWidget *parent)
    : QMainWindow(parent)
    , m_dm(dm)
{
    setObjectName(QStringLiteral("Form_main"));
    setWindowTitle(QStringLiteral("Parvell"));
    m_dm->session().loggedIn = false;
    buildMenus();

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);
    buildTopBar();
    column->addWidget(m_textPanel->parentWidget());

    m_image1 = new QLabel(central);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setAlignment(Qt::AlignCenter);
    m_image1->setScaledContents(true);
    m_image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_image1->setAccessibleName(QStringLiteral("系统图片"));
    // The optional picture of the main window; a missing or unreadable file leaves it empty.
    const QPixmap picture(dm->homePath(QStringLiteral("jpg/system.jpg")));
    if (!picture.isNull()) {
        m_image1->setPixmap(picture);
    }
    column->addWidget(m_image1, 1);
    buildStatusBar();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(60);
    connect(m_timer1, &QTimer::timeout, this, &TForm_main::scrollText);
    m_timer1->start();
}

TForm_main::~TForm_main() = default;

void TForm_main::buildMenus()
{
    QMenu *menu = nullptr;
    int number = 0;
    for (const Command &c : Commands::all()) {
        if (!menu || menu->title() != c.menu) {
            menu = menuBar()->addMenu(c.menu);
            menu->setObjectName(QStringLiteral("N%1").arg(++number));
        }
        QAction *a = menu->addAction(c.item);
        a->setObjectName(QStringLiteral("N%1").arg(++number));
        a->setVisible(!c.hidden);
        connect(a, &QAction::triggered, this, [this, item = c.item] { runCommand(item); });
        if (c.separatorAfter) {
            menu->addSeparator();
        }
    }
}

void TForm_main::buildTopBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    bar->setFixedHeight(50);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(0);
    const QList<QPair<QString, QColor>> pictures = {
        {QStringLiteral("费"), QColor(0x2e, 0x7d, 0x32)}, {QStringLiteral("业"), QColor(0x15, 0x65, 0xc0)},
        {QStringLiteral("房"), QColor(0x6a, 0x1b, 0x9a)}, {QStringLiteral("应"), QColor(0xef, 0x6c, 0x00)},
        {QStringLiteral("缴"), QColor(0x00, 0x83, 0x8f)}, {QStringLiteral("警"), QColor(0xc6, 0x28, 0x28)},
        {QStringLiteral("退"), QColor(0x54, 0x6e, 0x7a)}};
    int i = 0;
    for (const QString &caption :
         {QStringLiteral("收费项目"), QStringLiteral("业主资料"), QStringLiteral("房屋资料"),
          QStringLiteral("应缴费用"), QStringLiteral("缴费管理"), QStringLiteral("到期报警"), QStringLiteral("退出")}) {
        QToolButton *b = Icons::button(bar, QStringLiteral("ToolButton%1").arg(i + 1), caption, pictures[i].first,
                                       pictures[i].second, 24);
        b->setFixedSize(60, 48);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, [this, caption] {
            for (const Command &c : Commands::all()) {
                if (c.toolbar == caption) {
                    runCommand(c.item);
                    return;
                }
            }
        });
        row->addWidget(b);
        ++i;
    }
    m_textPanel = new QWidget(bar);
    m_textPanel->setObjectName(QStringLiteral("Panel2"));
    row->addWidget(m_textPanel, 1);
    m_label1 = new QLabel(QStringLiteral("好人一生平安"), m_textPanel);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAccessibleName(m_label1->text());
    m_label1->setAccessibleDescription(QStringLiteral("滚动文字"));
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(15);
    f.setBold(true);
    m_label1->setFont(f);
    m_label1->setStyleSheet(QStringLiteral("color: blue;"));
    m_label1->adjustSize();
    m_label1->move(250, (50 - m_label1->height()) / 2);
}

void TForm_main::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[] = {120, 100, 300, 50};
    for (int i = 0; i < 4; ++i) {
        auto *panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i != 2) {
            panel->setAlignment(Qt::AlignCenter);
        }
        bar->addWidget(panel);
        m_panels << panel;
    }
    showText(m_panels[0], QStringLiteral("操作员："));
    showText(m_panels[3], QStringLiteral("Parvell"));
    m_panels[0]->setAccessibleDescription(QStringLiteral("当前操作员"));
    m_panels[1]->setAccessibleDescription(QStringLiteral("今天日期"));
}

void TForm_main::scrollText()
{
    // Fully out on the left: re-enter from the right edge; otherwise one pixel to the left.
    if (m_label1->x() <= -m_label1->width()) {
        m_label1->move(m_textPanel->width(), m_label1->y());
    } else {
        m_label1->move(m_label1->x() - 1, m_label1->y());
    }
}

void TForm_main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &TForm_main::firstActivation);
    }
}

void TForm_main::failStartUp(const QString &message)
{
    Prompt::notice(this, message);
    m_exitCode = 1;
    QTimer::singleShot(0, this, &QWidget::close);
}

bool TForm_main::firstActivation()
{
    m_activated = true;
    if (!m_dm->openConnection()) {
        failStartUp(ConnectionFailed + QLatin1Char('\n') + Refusal::of(m_dm->lastError()).message);
        return false;
    }
    if (const QString warning = m_dm->startUpWarning(); !warning.isEmpty()) {
        Prompt::notice(this, warning);
    }
    // A new home (or one from before the notice existed) gets the default payment notice; an
    // operator's own template is kept. Should the copy fail, "打印" names the missing file.
    NoticeTemplate::install(m_dm->home());
    StatementReport::install(m_dm->home());
    DataSet *gsxx = m_dm->q_gsxx;
    gsxx->close();
    gsxx->clearSql();
    // Every field named, so a settings table that lacks one is reported here.
    QStringList fields;
    for (const FieldDef &f : Schema::table(QStringLiteral("公司信息"))->fields) {
        fields << f.name;
    }
    gsxx->addLine(QStringLiteral("select ") + fields.join(QStringLiteral(", ")) + QStringLiteral(" from 公司信息"));
    if (!gsxx->open()) {
        failStartUp(QStringLiteral("读取公司信息出错：\n%1").arg(Refusal::of(gsxx->lastError()).message));
        return false;
    }
    showText(m_label1, gsxx->text(QStringLiteral("动态文字")));
    m_label1->adjustSize();
    if (!gsxx->isEmpty()) {
        setWindowTitle(gsxx->text(QStringLiteral("系统标题")));
    }
    m_autoRemind = gsxx->yesNo(QStringLiteral("自动提醒"));
    gsxx->close();

    showText(m_panels[1], QLocale().toString(Clock::today(), QLocale::ShortFormat));
    if (!login()) {
        QTimer::singleShot(0, this, &QWidget::close);
        return false;
    }
    m_dm->session().loggedIn = true;
    showOperator();
    if (m_autoRemind) {
        remind();
    }
    emit started();
    return true;
}

bool TForm_main::login()
{
    // Without the operators nobody can log in, with or without a login window: that start
    // fails.
    QString error;
    const QStringList names = m_dm->column(
        QStringLiteral("select 姓名 from 权限表 order by ") + Dm1::orderTerm(QStringLiteral("姓名")), {}, &error);
    if (!error.isEmpty()) {
        Prompt::notice(this, QStringLiteral("读取操作员（权限表）出错：\n%1").arg(Refusal::of(error).message));
        m_exitCode = 1;
        return false;
    }
    if (!WindowRegistry::has(QStringLiteral("TForm_Enter"))) {
        // Without a login dialog the first operator in name order works.
        m_dm->session().currentOperator = names.value(0);
        m_dm->session().operatorId =
            m_dm->scalar(QStringLiteral("select id from 权限表 where 姓名=?"), {names.value(0)}).toLongLong();
        return true;
    }
    const std::unique_ptr<QDialog> dlg(WindowRegistry::create(QStringLiteral("TForm_Enter"), this));
    if (auto *enter = qobject_cast<TForm_Enter *>(dlg.get()); enter && m_unattendedLogin) {
        enter->confirmFirstOperatorWhenShown();
    }
    return Preparation::showModal(dlg.get(), m_dm) == QDialog::Accepted;
}

void TForm_main::remind()
{
    QDialog *w = WindowRegistry::create(QStringLiteral("TForm_txgn"), this);
    if (!w) {
        return;
    }
    auto *reminder = dynamic_cast<StartupReminder *>(w);
    if (reminder && reminder->remindAtStartUp() && m_dm->q_tongyong->recordCount() > 0 && !m_unattendedLogin) {
        w->exec();
    }
    delete w;
    m_dm->q_tongyong->close();
}

void TForm_main::showOperator()
{
    showText(m_panels[0], QStringLiteral("操作员：") + m_dm->session().currentOperator);
}

void TForm_main::refreshScrollingText()
{
    // The organisation row as saved, read afresh so the new text scrolls at once.
    QString error;
    const QVariant text = m_dm->scalar(QStringLiteral("select 动态文字 from 公司信息"), {}, &error);
    if (!error.isEmpty()) {
        Prompt::databaseError(this, error);
    } else if (text.isValid()) {
        showText(m_label1, text.toString());
        m_label1->adjustSize();
    }
}

bool TForm_main::runCommand(const QString &item)
{
    const Command *c = Commands::find(item);
    if (c) {
        execute(*c);
    }
    return c != nullptr;
}

void TForm_main::execute(const Command &c)
{
    using Part = Command::MainWindowPart;
    if (c.mainWindow == Part::Quit) {
        close();
        return;
    }
    if (c.mainWindow == Part::Help) {
        Prompt::notice(this, QStringLiteral("该系统操作非常简单，在窗口中已经有提示！"));
        return;
    }
    if (!WindowRegistry::has(c.window)) {
        // A window not built yet leaves its command without effect; any other name is a fault
        // of the command table.
        const bool planned = WindowRegistry::planned().contains(c.window);
        Q_ASSERT_X(planned, "TForm_main", qPrintable(QStringLiteral("no window class %1").arg(c.window)));
        if (!planned) {
            qCritical("TForm_main: %s opens the unknown window class %s", qUtf8Printable(c.item),
                      qUtf8Printable(c.window));
        }
        return;
    }
    std::unique_ptr<QDialog> w(WindowRegistry::create(c.window, this));
    if (c.mainWindow == Part::Reconnect) {
        m_dm->closeConnection();
    }
    Preparation::showModal(w.get(), m_dm);
    w.reset();
    switch (c.mainWindow) {
    case Part::Reconnect:
        // Back to the home folder and connected again, whatever the restore did.
        QDir::setCurrent(m_dm->home());
        if (!m_dm->openConnection()) {
            Prompt::notice(this, ConnectionFailed + QLatin1Char('\n') + Refusal::of(m_dm->lastError()).message);
        }
        break;
    case Part::ShowOperator:
        showOperator();
        break;
    case Part::ScrollingText:
        refreshScrollingText();
        break;
    default:
        break;
    }
}

void TForm_main::closeEvent(QCloseEvent *event)
{
    m_timer1->stop();
    m_dm->q_qxb->close();
    m_dm->closeConnection();
    QMainWindow::closeEvent(event);
}
