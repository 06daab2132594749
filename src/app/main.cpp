#include "app/main.h"

#include "app/windowregistry.h"
#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "components/common/startupreminder.h"
#include "components/report/core/noticetemplate.h"
#include "listwindow/housedetailwindow.h"
#include "shell/core/clock.h"
#include "shell/core/dm1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
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

namespace {
const QString SystemMenu = QStringLiteral("【系统维护】");
const QString BasicMenu = QStringLiteral("【基本资料】");
const QString FeeMenu = QStringLiteral("【收费管理】");
const QString HelpMenu = QStringLiteral("【帮助】");
const QString ConnectionFailed = QStringLiteral("系统数据库没有连接，请与软件公司联系！");

QStringList lines(std::initializer_list<const char *> parts)
{
    QStringList out;
    for (const char *p : parts) {
        out << QString::fromUtf8(p);
    }
    return out;
}
}

TForm_main::TForm_main(Dm1 *dm, QWidget *parent)
    : QMainWindow(parent)
    , m_dm(dm)
{
    setObjectName(QStringLiteral("Form_main"));
    setWindowTitle(QStringLiteral("Parvell"));
    Session::current().loggedIn = false;
    buildCommands();
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

bool TForm_main::openShared(const char *query, const QStringList &sql)
{
    DataSet *q = m_dm->query(QString::fromLatin1(query));
    if (!q->openOn(sql)) {
        Prompt::databaseError(this, q->lastError());
        return false;
    }
    return true;
}

// Clears a window's drop-down and fills it with one field of every row of a query, in order.
bool TForm_main::fillBox(QDialog *w, const QString &box, const QString &sql, const QString &field)
{
    auto *combo = w->findChild<QComboBox *>(box);
    if (!combo) {
        return true;
    }
    QString error;
    const QStringList items = m_dm->fieldOfRows(sql.split(QLatin1Char('\n')), field, &error);
    if (!error.isEmpty()) {
        Prompt::databaseError(this, error);
        return false;
    }
    combo->clear();
    combo->addItems(items);
    return true;
}

void TForm_main::buildCommands()
{
    const auto closeShared = [this](const char *name) {
        return [this, name](QDialog *) { m_dm->query(QString::fromLatin1(name))->close(); };
    };
    const auto shared = [this](const char *name, QStringList sql) {
        return [this, name, sql](QDialog *) { return openShared(name, sql); };
    };
    // The window's own query, opened on the given lines, found by its object name.
    const auto own = [this](const char *name, QStringList sql) {
        return [this, name, sql](QDialog *w) {
            DataSet *q = w->findChild<DataSet *>(QString::fromLatin1(name));
            if (!q) {
                return true;
            }
            if (!q->openOn(sql)) {
                Prompt::databaseError(this, q->lastError());
                return false;
            }
            return true;
        };
    };
    const auto closeOwn = [](const char *name) {
        return [name](QDialog *w) {
            if (DataSet *q = w->findChild<DataSet *>(QString::fromLatin1(name))) {
                q->close();
            }
        };
    };
    const QString buildings = QStringLiteral("select * from 楼宇资料\norder by 楼宇名称");
    const QString fees = QStringLiteral("select * from 收费项目\norder by 收费名称");
    const auto buildingBox = [this, buildings](const QString &box) {
        return [this, buildings, box](QDialog *w) { return fillBox(w, box, buildings, QStringLiteral("楼宇名称")); };
    };
    const auto scratch = [this]() {
        if (!m_dm->prepareScratch()) {
            Prompt::databaseError(this, m_dm->q_tongyong->lastError());
            return false;
        }
        return true;
    };
    const auto closeScratch = [this](QDialog *) { m_dm->q_tongyong->close(); };
    const auto datesToday = [](QDialog *w) {
        for (QDateEdit *d : w->findChildren<QDateEdit *>()) {
            d->setDate(Clock::today());
        }
    };
    const auto statistics = [=, this](bool feeBox) {
        return [=, this](QDialog *w) {
            if (feeBox && !fillBox(w, QStringLiteral("ComboBox3"), fees, QStringLiteral("收费名称"))) {
                return false;
            }
            return buildingBox(QStringLiteral("ComboBox2"))(w) && scratch();
        };
    };

    m_commands = {
        {SystemMenu,
         QStringLiteral("操作员设置"),
         {},
         QStringLiteral("TForm_qxb"),
         shared("q_qxb", lines({"select * from 权限表 ", "order by 姓名"})),
         closeShared("q_qxb")},
        {SystemMenu,
         QStringLiteral("修改操作员口令"),
         {},
         QStringLiteral("TForm_password"),
         [this](QDialog *) {
             // The current operator's row; the name is bound, not spliced into the text.
             DataSet *q = m_dm->q_qxb;
             q->close();
             q->clearSql();
             q->addLine(QStringLiteral("select * from 权限表 "));
             q->addLine(QStringLiteral("where 姓名=:name"));
             q->addLine(QStringLiteral("order by 姓名"));
             q->bind(QStringLiteral(":name"), Session::current().currentOperator);
             if (!q->open()) {
                 Prompt::databaseError(this, q->lastError());
                 return false;
             }
             return true;
         },
         closeShared("q_qxb")},
        {SystemMenu,
         QStringLiteral("更换操作员"),
         {},
         QStringLiteral("TForm_Enter"),
         shared("q_qxb", lines({"select * from 权限表 order by 姓名"})),
         [this](QDialog *) {
             m_dm->q_qxb->close();
             showOperator();
         },
         true},
        {SystemMenu, QStringLiteral("数据整理"), {}, QStringLiteral("TForm_arrange"), {}, {}, false, true},
        {SystemMenu, QStringLiteral("数据初始化"), {}, QStringLiteral("TForm_initialize"), {}, {}},
        {SystemMenu, QStringLiteral("数据备份"), {}, QStringLiteral("TForm_backup"), {}, {}},
        {SystemMenu,
         QStringLiteral("数据恢复"),
         {},
         QStringLiteral("TForm_restore"),
         [this](QDialog *) {
             m_dm->closeConnection();
             return true;
         },
         [this](QDialog *) {
             // Back to the home folder and connected again, whatever the restore did.
             QDir::setCurrent(m_dm->home());
             if (!m_dm->openConnection()) {
                 Prompt::notice(this, ConnectionFailed);
             }
         },
         true},
        {SystemMenu, QStringLiteral("退出系统"), QStringLiteral("退出"), {}, {}, {}},

        {BasicMenu,
         QStringLiteral("楼宇资料设置"),
         {},
         QStringLiteral("TForm_storeyinfo"),
         shared("q_storeyinfo", lines({"select * from 楼宇资料", "order by 楼宇名称"})),
         closeShared("q_storeyinfo")},
        {BasicMenu, QStringLiteral("收费项目设置"), QStringLiteral("收费项目"), QStringLiteral("TForm_iteminfo"),
         own("q_iteminfo", lines({"select * from 收费项目", "order by 收费名称"})), closeOwn("q_iteminfo")},
        {BasicMenu, QStringLiteral("业主资料管理"), QStringLiteral("业主资料"), QStringLiteral("TForm_guestinfo"),
         shared("q_guestinfo", lines({"select * from 业主资料", "order by 业主名称"})), closeShared("q_guestinfo")},
        {BasicMenu, QStringLiteral("房屋资料设置"), QStringLiteral("房屋资料"), QStringLiteral("TForm_houseinfo"),
         shared("q_houseinfo", lines({"select * from 房屋资料", "order by 房屋代码"})), closeShared("q_houseinfo")},
        {BasicMenu,
         QStringLiteral("业主迁入迁出管理"),
         {},
         QStringLiteral("TForm_houselease"),
         shared("q_houselease", lines({"select * from 房屋租赁表 where 已经迁出=0", "order by 房屋代码"})),
         closeShared("q_houselease"),
         true},
        {BasicMenu,
         QStringLiteral("房屋状态表"),
         {},
         QStringLiteral("TForm_house_zhuangtai"),
         [scratch](QDialog *) { return scratch(); },
         closeScratch,
         true},
        {BasicMenu,
         QStringLiteral("房屋收费项目设置"),
         {},
         QStringLiteral("TForm_houseitem"),
         // The window opens its house list and fills its building drop-down itself.
         [](QDialog *w) {
             auto *window = qobject_cast<HouseDetailWindow *>(w);
             return !window || window->prepare();
         },
         [](QDialog *w) {
             if (auto *window = qobject_cast<HouseDetailWindow *>(w)) {
                 window->cleanUp();
             }
         },
         true},
        {BasicMenu,
         QStringLiteral("使用单位信息"),
         {},
         QStringLiteral("TForm_gsxx_edit"),
         shared("q_gsxx", lines({"select * from 公司信息"})),
         [this](QDialog *) {
             DataSet *q = m_dm->q_gsxx;
             // The organisation row as saved, read afresh so the new text scrolls at once.
             if (q->reopen() && !q->isEmpty()) {
                 m_label1->setText(q->text(QStringLiteral("动态文字")));
                 m_label1->adjustSize();
             }
             q->close();
         },
         true},
        {BasicMenu,
         QStringLiteral("到期报警"),
         QStringLiteral("到期报警"),
         QStringLiteral("TForm_txgn"),
         [scratch](QDialog *) { return scratch(); },
         {}},
        {BasicMenu,
         QStringLiteral("到期报警设置"),
         {},
         QStringLiteral("TForm_txcsb"),
         shared("q_gsxx", lines({"select * from 公司信息"})),
         closeShared("q_gsxx")},

        {FeeMenu,
         QStringLiteral("业主应缴费用管理"),
         QStringLiteral("应缴费用"),
         QStringLiteral("TForm_jiaofeidan"),
         buildingBox(QStringLiteral("DBComboBoxEh3")),
         {}},
        {FeeMenu,
         QStringLiteral("业主缴费管理"),
         QStringLiteral("缴费管理"),
         QStringLiteral("TForm_jiaofeiguanli"),
         buildingBox(QStringLiteral("DBComboBoxEh3")),
         {},
         true},
        {FeeMenu,
         QStringLiteral("实收费用明细表"),
         {},
         QStringLiteral("TForm_shoufeimingxibiao"),
         buildingBox(QStringLiteral("DBComboBoxEh3")),
         {}},
        {FeeMenu,
         QStringLiteral("业主缴费明细查询"),
         {},
         QStringLiteral("TForm_jiaofeimingxi"),
         buildingBox(QStringLiteral("DBComboBoxEh3")),
         {},
         true},
        {FeeMenu,
         QStringLiteral("业主押金管理"),
         {},
         QStringLiteral("TForm_yajin"),
         [own, buildingBox](QDialog *w) {
             return own("q_yajin", lines({"select * from 押金明细表", "order by 日期"}))(w)
                 && buildingBox(QStringLiteral("DBComboBoxEh3"))(w);
         },
         closeOwn("q_yajin")},
        {FeeMenu,
         QStringLiteral("业主押金明细表"),
         {},
         QStringLiteral("TForm_yajin_mingxi"),
         [=, this](QDialog *w) {
             if (!fillBox(w, QStringLiteral("ComboBox1"), QStringLiteral("select * from 房屋资料\norder by 房屋代码"),
                          QStringLiteral("房屋代码"))
                 || !buildingBox(QStringLiteral("ComboBox2"))(w)) {
                 return false;
             }
             datesToday(w);
             return scratch();
         },
         closeScratch},
        {FeeMenu,
         QStringLiteral("业主押金汇总表"),
         {},
         QStringLiteral("TForm_yajin_sum"),
         [=](QDialog *w) {
             datesToday(w);
             return scratch();
         },
         closeScratch,
         true},
        {FeeMenu,
         QStringLiteral("业主缴费全况表"),
         {},
         QStringLiteral("TForm_statistics_quankuang"),
         statistics(true),
         closeScratch},
        {FeeMenu,
         QStringLiteral("业主已缴费项目明细表"),
         {},
         QStringLiteral("TForm_statistics_yijiao"),
         statistics(true),
         closeScratch},
        {FeeMenu,
         QStringLiteral("业主未缴费项目明细表"),
         {},
         QStringLiteral("TForm_statistics_weijiao"),
         statistics(true),
         closeScratch,
         true},
        {FeeMenu,
         QStringLiteral("业主欠费总表"),
         {},
         QStringLiteral("TForm_statistics_arrear"),
         statistics(false),
         closeScratch,
         true},
        {FeeMenu,
         QStringLiteral("按月份统计缴费总金额"),
         {},
         QStringLiteral("TForm_statistics_money"),
         [scratch](QDialog *) { return scratch(); },
         closeScratch},
        {FeeMenu,
         QStringLiteral("按收费项目统计缴费总金额"),
         {},
         QStringLiteral("TForm_statistics_item"),
         [scratch](QDialog *) { return scratch(); },
         closeScratch},

        {HelpMenu, QStringLiteral("帮助系统"), {}, {}, {}, {}, true},
        {HelpMenu, QStringLiteral("关于......"), {}, QStringLiteral("Tform_About"), {}, {}},
    };
}

void TForm_main::buildMenus()
{
    QMenu *menu = nullptr;
    int number = 0;
    for (const Command &c : std::as_const(m_commands)) {
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
            for (const Command &c : std::as_const(m_commands)) {
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
    m_label1->setAccessibleName(QStringLiteral("滚动文字"));
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
    m_panels[0]->setText(QStringLiteral("操作员："));
    m_panels[3]->setText(QStringLiteral("Parvell"));
    m_panels[0]->setAccessibleName(QStringLiteral("当前操作员"));
    m_panels[1]->setAccessibleName(QStringLiteral("今天日期"));
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
        failStartUp(ConnectionFailed);
        return false;
    }
    // A new home (or one from before the notice existed) gets the default payment notice; an
    // operator's own template is kept. Should the copy fail, "打印" names the missing file.
    NoticeTemplate::install(m_dm->home());
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
        failStartUp(QStringLiteral("读取公司信息出错：\n%1").arg(gsxx->lastError()));
        return false;
    }
    m_label1->setText(gsxx->text(QStringLiteral("动态文字")));
    m_label1->adjustSize();
    if (!gsxx->isEmpty()) {
        setWindowTitle(gsxx->text(QStringLiteral("系统标题")));
    }
    m_autoRemind = gsxx->yesNo(QStringLiteral("自动提醒"));
    gsxx->close();

    m_panels[1]->setText(QLocale().toString(Clock::today(), QLocale::ShortFormat));
    if (!login()) {
        m_exitCode = 0;
        QTimer::singleShot(0, this, &QWidget::close);
        return false;
    }
    Session::current().loggedIn = true;
    showOperator();
    if (m_autoRemind) {
        remind();
    }
    emit started();
    return true;
}

bool TForm_main::login()
{
    if (!WindowRegistry::has(QStringLiteral("TForm_Enter"))) {
        // Without a login dialog the first operator in name order works.
        const QStringList names = m_dm->column(QStringLiteral("select 姓名 from 权限表 order by 姓名"));
        Session::current().currentOperator = names.value(0);
        return true;
    }
    if (!openShared("q_qxb", lines({"select * from 权限表 order by 姓名"}))) {
        return false;
    }
    QDialog *dlg = WindowRegistry::create(QStringLiteral("TForm_Enter"), this);
    const bool accepted = dlg->exec() == QDialog::Accepted;
    delete dlg;
    m_dm->q_qxb->close();
    return accepted;
}

void TForm_main::remind()
{
    QDialog *w = WindowRegistry::create(QStringLiteral("TForm_txgn"), this);
    if (!w) {
        return;
    }
    auto *reminder = dynamic_cast<StartupReminder *>(w);
    if (reminder && reminder->remindAtStartUp() && m_dm->q_tongyong->recordCount() > 0) {
        w->exec();
    }
    delete w;
    m_dm->q_tongyong->close();
}

void TForm_main::showOperator()
{
    m_panels[0]->setText(QStringLiteral("操作员：") + Session::current().currentOperator);
}

bool TForm_main::runCommand(const QString &item)
{
    for (const Command &c : std::as_const(m_commands)) {
        if (c.item == item) {
            execute(c);
            return true;
        }
    }
    return false;
}

void TForm_main::execute(const Command &c)
{
    if (c.item == QStringLiteral("退出系统")) {
        close();
        return;
    }
    if (c.item == QStringLiteral("帮助系统")) {
        Prompt::notice(this, QStringLiteral("该系统操作非常简单，在窗口中已经有提示！"), Prompt::Icon::Information);
        return;
    }
    QDialog *w = WindowRegistry::create(c.windowClass, this);
    if (!w) {
        return;
    }
    if (!c.prepare || c.prepare(w)) {
        w->exec();
    }
    if (c.after) {
        c.after(w);
    }
    delete w;
}

void TForm_main::closeEvent(QCloseEvent *event)
{
    m_timer1->stop();
    m_dm->q_qxb->close();
    m_dm->closeConnection();
    QMainWindow::closeEvent(event);
}
