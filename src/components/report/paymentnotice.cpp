#include "components/report/paymentnotice.h"

#include "components/common/prompt.h"
#include "components/report/core/noticetemplate.h"
#include "components/report/core/reportformat.h"
#include "components/report/reportdesigner.h"
#include "components/report/reportpreview.h"
#include "data/dm1.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Broken = QStringLiteral("打印文件被破坏，请与程序员联系！");

QString home()
{
    return Dm1::instance() ? Dm1::instance()->home() : QDir::currentPath();
}

// The organisation's row, read afresh for each notice.
bool readOrganisation(DataSet *gsxx, QWidget *parent)
{
    if (gsxx->openOn({QStringLiteral("select * from 公司信息")})) {
        return true;
    }
    Prompt::databaseError(parent, gsxx->lastError());
    return false;
}

} // namespace

bool PaymentNotice::print(QWidget *parent, const DataSet *rows)
{
    const QString path = NoticeTemplate::pathIn(home());
    if (!QFileInfo::exists(path)) {
        Prompt::notice(parent, QStringLiteral("找不到缴款通知单的模板文件：\n%1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    QString why;
    const std::optional<ReportTemplate> notice = ReportFormat::load(path, &why);
    DataSet gsxx(QStringLiteral("q_notice_gsxx"));
    if (notice && !readOrganisation(&gsxx, parent)) {
        return false;
    }
    // Without a bill lines query the notice has no lines, and still the fields of 收费明细表.
    const DataSetRows given(rows);
    const MemoryRows none(Schema::table(QStringLiteral("收费明细表"))->fields);
    const ReportData *lines = given.fieldNames().isEmpty() ? static_cast<const ReportData *>(&none) : &given;
    const DataSetRows organisation(&gsxx);
    const std::optional<PreparedReport> prepared = notice
        ? ReportEngine::prepare(
            *notice, {{NoticeTemplate::LinesName, lines}, {NoticeTemplate::OrganisationName, &organisation}}, &why)
        : std::nullopt;
    if (!prepared) {
        Prompt::notice(parent, Broken + u'\n' + why);
        return false;
    }
    ReportPreview::present(parent, *prepared);
    return true;
}

bool PaymentNotice::design(QWidget *parent, const DataSet *rows)
{
    const QString path = NoticeTemplate::pathIn(home());
    QString why;
    std::optional<ReportTemplate> notice;
    if (QFileInfo::exists(path)) {
        notice = ReportFormat::load(path, &why);
    }
    if (!notice) {
        Prompt::notice(parent, why.isEmpty() ? Broken : Broken + u'\n' + why);
        return false;
    }
    // The preview's data: the rows given, or a sample house; the organisation as it is saved.
    const DataSetRows given(rows);
    const std::unique_ptr<MemoryRows> sample = NoticeTemplate::sampleLines();
    const std::unique_ptr<MemoryRows> sampleOrganisation = NoticeTemplate::sampleOrganisation();
    DataSet gsxx(QStringLiteral("q_notice_gsxx"));
    const bool haveOrganisation =
        Dm1::instance() && Dm1::instance()->isConnected() && gsxx.openOn({QStringLiteral("select * from 公司信息")});
    const DataSetRows organisation(&gsxx);
    const ReportSources sources {
        {NoticeTemplate::LinesName, given.rowCount() > 0 ? static_cast<const ReportData *>(&given) : sample.get()},
        {NoticeTemplate::OrganisationName,
         haveOrganisation ? static_cast<const ReportData *>(&organisation) : sampleOrganisation.get()},
    };
    ReportDesigner designer(*notice, path, sources, parent);
    designer.setWindowState(designer.windowState() | Qt::WindowMaximized);
    designer.exec();
    return true;
}
