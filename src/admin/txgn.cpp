#include "admin/txgn.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "components/grid/dbgrideh.h"
#include "components/grid/gridexport.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "listwindow/windowframe.h"
#include "reports/core/expiryreminders.h"
#include "reports/core/reportrun.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString PrintTitle = QStringLiteral("提醒功能清单打印清单");
const QString ExportName = QStringLiteral("提醒功能清单");
}

TForm_txgn::TForm_txgn(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_txgn"));
    setWindowTitle(QStringLiteral("到期报警"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    setFont(f);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    Label1 = new QLabel(QStringLiteral("提前报警天数："), bar);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(bar);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("提前报警天数"));
    Edit1->setValidator(new QIntValidator(0, ExpiryReminders::MaxDays, Edit1));
    Edit1->setMaximumWidth(60);
    Label1->setBuddy(Edit1);
    row->addWidget(Label1);
    row->addWidget(Edit1);
    row->addSpacing(12);
    const QColor out(0x6a, 0x1b, 0x9a), remind(0xc6, 0x28, 0x28), back(0x54, 0x6e, 0x7a);
    const auto button = [&](const char *name, const char *caption, const char *glyph, const QColor &colour) {
        QToolButton *b =
            Icons::button(bar, QString::fromLatin1(name), QString::fromUtf8(caption), QString::fromUtf8(glyph), colour);
        b->setFixedSize(50, 43);
        row->addWidget(b);
        return b;
    };
    connect(button("bitbtn_out", "导出", "出", out), &QToolButton::clicked, this, &TForm_txgn::exportList);
    connect(button("SpeedButton1", "提醒", "警", remind), &QToolButton::clicked, this, &TForm_txgn::remind);
    connect(button("bitbtn_print", "打印", "印", out), &QToolButton::clicked, this, &TForm_txgn::printList);
    connect(button("SpeedButton4", "返回", "返", back), &QToolButton::clicked, this, &QDialog::reject);
    row->addStretch(1);
    column->addWidget(bar);

    DBGridEh1 = new DBGridEh(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setAccessibleName(QStringLiteral("到期房屋"));
    using C = GridColumn;
    DBGridEh1->setColumns({C::of(QStringLiteral("texta"), QStringLiteral("房屋代码"), 100),
                           C::of(QStringLiteral("textb"), QStringLiteral("房屋面积"), 80).alignRight(),
                           C::of(QStringLiteral("textc"), QStringLiteral("业主名称"), 120),
                           C::of(QStringLiteral("datea"), QStringLiteral("迁入日期"), 100),
                           C::of(QStringLiteral("dateb"), QStringLiteral("迁出日期"), 100)});
    DBGridEh1->setDataSet(Dm1::instance()->q_tongyong);
    DBGridEh1->setDichromatic(true);
    DBGridEh1->setFitToWidth(true);
    connect(DBGridEh1, &DBGridEh::rowDoubleClicked, this, &TForm_txgn::remind);
    column->addWidget(DBGridEh1, 1);
    resize(640, 420);
    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

bool TForm_txgn::remindAtStartUp()
{
    Label1->hide();
    Edit1->hide();
    return remind();
}

bool TForm_txgn::remind()
{
    // The days typed count when there are more than 0; else the organisation's setting.
    Dm1 *dm = Dm1::instance();
    int days = Edit1->isVisibleTo(this) ? Edit1->text().toInt() : 0;
    if (days <= 0) {
        days = dm->scalar(QStringLiteral("select 提前提醒天数 from 公司信息")).toInt();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QDate today = Clock::today();
    QString error;
    const bool ok =
        ReportRun::runHere([today, days](const QSqlDatabase &db, ScratchSink &out,
                                         QString *e) { return ExpiryReminders::compute(db, today, days, out, e); },
                           dm->q_tongyong, &error);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        Prompt::databaseError(this, error);
    }
    return ok;
}

void TForm_txgn::exportList()
{
    if (DBGridEh1->dataSet()->recordCount() > 0) {
        GridExport::exportGrid(this, DBGridEh1, ExportName);
    }
}

void TForm_txgn::printList()
{
    if (DBGridEh1->dataSet()->recordCount() > 0) {
        // The reminder of start-up is shown without a preparation: the program's operator.
        WindowFrame::printGrid(DBGridEh1, listPrintOptions(PrintTitle, Dm1::instance()->session().currentOperator));
    }
}
