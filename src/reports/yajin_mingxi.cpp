#include "reports/yajin_mingxi.h"

#include "components/common/prompt.h"

#include <QToolButton>

namespace {
ReportDesign detailDesign()
{
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_yajin_mingxi"), QStringLiteral("业主押金明细表"),
                                      QStringLiteral("业主押金明细表打印清单"), QStringLiteral("业主押金明细表"));
    r.list.buttons = ListWindowDesign::Delete;
    r.list.fitInitially = true;
    r.list.columns = ReportColumns::depositDetail();
    r.filters = {FilterField::of(QStringLiteral("DateTimePicker1"), QStringLiteral("日期从："), K::Day),
                 FilterField::of(QStringLiteral("DateTimePicker2"), QStringLiteral("到："), K::Day),
                 FilterField::of(QStringLiteral("ComboBox1"), QStringLiteral("房屋代码："), K::Combo),
                 FilterField::of(QStringLiteral("ComboBox2"), QStringLiteral("楼宇名称："), K::Combo)};
    r.computeCaption = QStringLiteral("查询");
    r.fills = {{QStringLiteral("ComboBox1"), Preparation::Items::HouseCodes},
               {QStringLiteral("ComboBox2"), Preparation::Items::Buildings}};
    r.datesToday = true;
    r.compute = ReportDesign::overDeposits(&DepositReports::detail, true);
    return r;
}
}

TForm_yajin_mingxi::TForm_yajin_mingxi(QWidget *parent)
    : ReportWindow(detailDesign(), parent)
{
    QToolButton *tidy = addButton(QStringLiteral("SpeedButton3"), QStringLiteral("整理"), QStringLiteral("整"),
                                  QColor(0x00, 0x83, 0x8f));
    disableWhileComputing(tidy);
    connect(tidy, &QToolButton::clicked, this, &TForm_yajin_mingxi::tidyBalances);
}

void TForm_yajin_mingxi::tidyBalances()
{
    DataSet *rows = dataSet();
    if (!rows->isOpen() || isComputing()) {
        return;
    }
    QList<DepositReports::DetailRow> detail;
    StoredAmounts amount;
    for (int r = 0; r < rows->recordCount(); ++r) {
        detail << DepositReports::DetailRow {rows->value(r, rows->fieldIndex(QStringLiteral("id"))).toLongLong(),
                                             rows->value(r, rows->fieldIndex(QStringLiteral("textd"))).toString(),
                                             amount(rows->value(r, rows->fieldIndex(QStringLiteral("moneya")))),
                                             amount(rows->value(r, rows->fieldIndex(QStringLiteral("moneyb")))),
                                             amount(rows->value(r, rows->fieldIndex(QStringLiteral("moneyc"))))};
    }
    QString error;
    if (amount.refused(&error) || !DepositReports::tidy(db(), detail, &error)) {
        Prompt::databaseError(this, error);
        return;
    }
    rows->reopen();
    rows->first();
}
