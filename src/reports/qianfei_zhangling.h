#pragma once

#include "reports/core/ownerstatement.h"
#include "reports/reportwindow.h"

// "业主欠费账龄表": each house owing at a date, its unpaid lines by days overdue in five
// buckets, 欠费合计, 零头 and 净欠, with the earliest month owed; filtered by building and a
// minimum 净欠. From the rows shown, "打印催缴单" prints one reminder per house and
// "导出催缴名单" writes the list the office's own messaging tools read (CSV). Nothing is sent.
class TForm_qianfei_zhangling : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_qianfei_zhangling(QWidget *parent = nullptr);

    void prepare(Preparation &p) override;

    // The rows shown, as the aging computed them.
    QList<OwnerStatement::AgingRow> rowsShown() const;

public slots:
    void printReminders();
    void exportReminderList();

protected:
    ReportRun::Computation computation() override;

private:
    QDate m_at; // the date of the rows shown
};
