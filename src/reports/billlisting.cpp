#include "reports/billlisting.h"

namespace {
using Listing = BillReports::Listing;

ReportDesign listingDesign(Listing kind)
{
    using K = FilterField::Kind;
    ReportDesign r;
    switch (kind) {
    case Listing::All:
        r = ReportDesign::of(QStringLiteral("TForm_statistics_quankuang"), QStringLiteral("业主缴费全况表"),
                             QStringLiteral("按金额统计汇总表打印清单"), QStringLiteral("按金额统计汇总表"));
        break;
    case Listing::Paid:
    case Listing::Unpaid: {
        const bool paid = kind == Listing::Paid;
        r = paid ? ReportDesign::of(QStringLiteral("TForm_statistics_yijiao"), QStringLiteral("业主已缴费项目明细表"),
                                    QStringLiteral("业主已缴项目明细表打印清单"), QStringLiteral("业主已缴项目明细表"))
                 : ReportDesign::of(QStringLiteral("TForm_statistics_weijiao"), QStringLiteral("业主未缴费项目明细表"),
                                    QStringLiteral("业主未缴项目明细表打印清单"), QStringLiteral("业主未缴项目明细表"));
        r.list.fitInitially = true;
        r.stateMark = paid ? QStringLiteral("已 缴 费") : QStringLiteral("未 缴 费");
        break;
    }
    }
    r.list.columns = ReportColumns::listing(kind);
    // The worker stays on the statement that reads the lines; this thread makes the rows.
    r.keepRows = ReportRun::KeepRows::OnWindow;
    r.list.buttons = ListWindowDesign::Delete;
    // The full listing fills its buildings first, the other two their fee items.
    using I = Preparation::Items;
    r.fills = kind == Listing::All ? QList<QPair<QString, I>> {{QStringLiteral("ComboBox2"), I::Buildings},
                                                               {QStringLiteral("ComboBox3"), I::FeeNames}}
                                   : QList<QPair<QString, I>> {{QStringLiteral("ComboBox3"), I::FeeNames},
                                                               {QStringLiteral("ComboBox2"), I::Buildings}};
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), K::Text)
              << FilterField::of(QStringLiteral("ComboBox2"), QStringLiteral("楼宇名称："), K::Combo)
              << FilterField::of(QStringLiteral("ComboBox1"), QStringLiteral("楼宇单元："), K::Combo)
                     .withItems({QStringLiteral("一单元"), QStringLiteral("二单元"), QStringLiteral("三单元"),
                                 QStringLiteral("四单元"), QStringLiteral("五单元"), QStringLiteral("六单元"),
                                 QStringLiteral("七单元"), QStringLiteral("八单元"), QStringLiteral("九单元"),
                                 QStringLiteral("十单元"), QStringLiteral("十一单元"), QStringLiteral("十二单元")})
              << FilterField::of(QStringLiteral("ComboBox3"), QStringLiteral("收费名称："), K::Combo);
    r.compute =
        ReportDesign::overBills([kind](const QSqlDatabase &db, const BillReportFilter &f, ScratchSink &out,
                                       QString *error) { return BillReports::listing(db, kind, f, out, error); });
    return r;
}
}

BillListingWindow::BillListingWindow(Listing kind, QWidget *parent)
    : ReportWindow(listingDesign(kind), parent)
{ }
