#include "billing/estaterun.h"

#include "billing/core/billgeneration.h"
#include "components/common/prompt.h"

bool EstateRun::run(QWidget *parent, const QSqlDatabase &db, BillMonth month)
{
    if (!Prompt::ask(parent,
                     QStringLiteral("要生成%1全部房屋的应缴费用吗？\n已经有该月应缴费用的房屋将被跳过。")
                         .arg(month.caption()))) {
        return false;
    }
    BillGeneration generation(db);
    std::unique_ptr<Prompt::Progress> progress;
    const BillGeneration::EstateOutcome out = generation.generateEstate(month, [&](int done, int total) {
        if (!progress) {
            progress = Prompt::progress(parent, QStringLiteral("正在生成%1的应缴费用……").arg(month.caption()), total);
        }
        // The bar moves (and "取消" is heard) every ten houses, which costs the run nothing.
        return (done % 10 != 0 && done != total) || progress->update(done);
    });
    progress.reset();
    const bool clean = out.error.isEmpty() && out.failed.isEmpty();
    Prompt::detailedNotice(parent, out.message(), out.error, clean ? Prompt::Icon::Information : Prompt::Icon::Warning);
    return true;
}
