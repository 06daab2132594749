#pragma once

#include "reports/core/ownerstatement.h"
#include "reports/reportwindow.h"

#include <memory>
#include <optional>

class QLabel;

// "业主对账单": one house's fee ledger and deposit movements over a range of days, with the
// balance after every row, the totals, the aging of what is unpaid at the end and the house's
// 零头 and 押金 under the grid. "打印对账单" previews the statement through its template,
// "批量打印" writes the statements of a building (or of every house owing) into one PDF.
class TForm_duizhangdan : public ReportWindow
{
    Q_OBJECT
public:
    explicit TForm_duizhangdan(QWidget *parent = nullptr);

    void prepare(Preparation &p) override;
    // The statement shown, once computed.
    const std::optional<OwnerStatement::Statement> &statement() const { return m_shown; }

public slots:
    void chooseHouse();
    void printStatement();
    void printBatch();

protected:
    ReportRun::Computation computation() override;

private:
    void showSummary(bool ok);

    std::shared_ptr<OwnerStatement::Statement> m_pending; // filled by the computation
    std::optional<OwnerStatement::Statement> m_shown;
    QLabel *m_summary;
};
