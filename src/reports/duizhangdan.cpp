#include "reports/duizhangdan.h"

#include "components/common/prompt.h"
#include "components/report/reportpainter.h"
#include "components/report/reportpreview.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "masterdata/choosehouse.h"
#include "reports/core/statementreport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
ReportDesign statementDesign()
{
    using K = FilterField::Kind;
    ReportDesign r =
        ReportDesign::of(u"TForm_duizhangdan"_s, u"业主对账单"_s, u"业主对账单打印清单"_s, u"业主对账单"_s);
    r.list.columns = ReportColumns::ownerStatement();
    r.filters = {FilterField::of(u"ComboBox1"_s, u"房屋代码："_s, K::Combo),
                 FilterField::of(u"DateTimePicker1"_s, u"日期从："_s, K::Day),
                 FilterField::of(u"DateTimePicker2"_s, u"到："_s, K::Day),
                 FilterField::of(u"CheckBox1"_s, u"仅当前业主"_s, K::Check),
                 FilterField::of(u"ComboBox2"_s, u"批量楼宇："_s, K::Combo)};
    r.computeCaption = u"查询"_s;
    r.fills = {{u"ComboBox1"_s, Preparation::Items::HouseCodes}, {u"ComboBox2"_s, Preparation::Items::Buildings}};
    r.datesToday = true;
    return r;
}

QString yuan(Money m)
{
    return m.toWritten();
}
}

TForm_duizhangdan::TForm_duizhangdan(QWidget *parent)
    : ReportWindow(statementDesign(), parent)
    , m_summary(new QLabel(this))
{
    m_summary->setObjectName(u"Label_summary"_s);
    m_summary->setAccessibleName(u"对账汇总"_s);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary->setContentsMargins(8, 4, 8, 4);
    addUnderGrid(m_summary);

    QToolButton *choose = addButton(u"SpeedButton5"_s, u"选择房屋"_s, u"选"_s, QColor(0x2e, 0x7d, 0x32));
    QToolButton *print = addButton(u"SpeedButton6"_s, u"打印对账单"_s, u"单"_s, QColor(0x15, 0x65, 0xc0));
    QToolButton *batch = addButton(u"SpeedButton7"_s, u"批量打印"_s, u"批"_s, QColor(0x6a, 0x1b, 0x9a));
    for (QToolButton *b : {choose, print, batch}) {
        disableWhileComputing(b);
    }
    connect(choose, &QToolButton::clicked, this, &TForm_duizhangdan::chooseHouse);
    connect(print, &QToolButton::clicked, this, &TForm_duizhangdan::printStatement);
    connect(batch, &QToolButton::clicked, this, &TForm_duizhangdan::printBatch);
    connect(this, &ReportWindow::computed, this, &TForm_duizhangdan::showSummary);
}

void TForm_duizhangdan::prepare(Preparation &p)
{
    ReportWindow::prepare(p);
    // From the first of January to today.
    if (auto *from = qobject_cast<QDateEdit *>(filter(u"DateTimePicker1"_s))) {
        from->setDate(QDate(Clock::today().year(), 1, 1));
    }
}

void TForm_duizhangdan::chooseHouse()
{
    if (const std::optional<QString> code = TForm_choosehouse::pickCode(this)) {
        qobject_cast<QComboBox *>(filter(u"ComboBox1"_s))->setCurrentText(*code);
    }
}

ReportRun::Computation TForm_duizhangdan::computation()
{
    OwnerStatement::Request request;
    request.houseCode = textOf(u"ComboBox1"_s).trimmed();
    if (request.houseCode.isEmpty()) {
        refuseFilter(u"ComboBox1"_s, u"没有输入房屋代码,请重新输入!"_s);
        return {};
    }
    request.from = dateOf(u"DateTimePicker1"_s);
    request.to = dateOf(u"DateTimePicker2"_s);
    if (const auto refused = OwnerStatement::checkRange(request.from, request.to)) {
        refuseFilter(u"DateTimePicker1"_s, *refused);
        return {};
    }
    request.currentOwnerOnly = isTicked(u"CheckBox1"_s);
    m_shown.reset();
    m_pending = std::make_shared<OwnerStatement::Statement>();
    return [request, pending = m_pending](const QSqlDatabase &db, ScratchSink &out, QString *error) {
        return OwnerStatement::compute(db, request, pending.get(), error)
            && OwnerStatement::writeRows(*pending, out, error);
    };
}

void TForm_duizhangdan::showSummary(bool ok)
{
    if (!ok || !m_pending) {
        m_summary->clear();
        return;
    }
    m_shown = *m_pending;
    const OwnerStatement::Statement &s = *m_shown;
    QStringList aging;
    for (int i = 0; i < OwnerStatement::AgingBuckets; ++i) {
        aging << OwnerStatement::agingTitles()[i] + u" "_s + yuan(s.aging[size_t(i)]);
    }
    QString house = s.houseCode + u"　"_s + s.building + u" "_s + s.unit + u"　业主："_s + s.owner;
    if (!s.houseFound) {
        house += u"（房屋资料已删除）"_s;
    }
    m_summary->setText(house + u"\n期初余额："_s + yuan(s.opening) + u"　应缴合计："_s + yuan(s.totalDue)
                       + u"　实缴合计："_s + yuan(s.totalPaid) + u"　期末余额："_s + yuan(s.closing)
                       + (s.isEmpty() ? u"　（无往来记录）"_s : QString()) + u"\n截至"_s
                       + s.to.toString(u"yyyy-MM-dd"_s) + u"未缴 %1 项，账龄："_s.arg(s.unpaid.size())
                       + aging.join(u"　"_s) + u"\n当前零头："_s + yuan(s.odd) + u"　当前押金："_s + yuan(s.deposit)
                       + u"　（余额为正表示欠费，为负表示预存）"_s);
}

void TForm_duizhangdan::printStatement()
{
    if (!m_shown) {
        Prompt::notice(this, u"请先查询对账单！"_s);
        return;
    }
    const std::optional<ReportTemplate> report = homeTemplate(StatementReport::StatementFile);
    QString why;
    const std::unique_ptr<MemoryRows> organisation = report ? StatementReport::organisation(db(), &why) : nullptr;
    if (!report || !organisation) {
        if (!why.isEmpty()) {
            Prompt::databaseError(this, why);
        }
        return;
    }
    const std::optional<PreparedReport> prepared = StatementReport::statements(
        *report, {*m_shown}, *organisation, {Clock::now(), session().currentOperator}, &why);
    if (!prepared) {
        Prompt::notice(this, u"打印文件被破坏，请与程序员联系！\n"_s + why);
        return;
    }
    ReportPreview::present(this, *prepared);
}

void TForm_duizhangdan::printBatch()
{
    const QDate from = dateOf(u"DateTimePicker1"_s), to = dateOf(u"DateTimePicker2"_s);
    if (const auto refused = OwnerStatement::checkRange(from, to)) {
        refuseFilter(u"DateTimePicker1"_s, *refused);
        return;
    }
    const QString building = textOf(u"ComboBox2"_s).trimmed();
    const std::optional<ReportTemplate> report = homeTemplate(StatementReport::StatementFile);
    if (!report) {
        return;
    }
    const QString path =
        Prompt::saveFile(this, u"批量打印对账单"_s,
                         building.isEmpty() ? u"业主对账单（欠费）.pdf"_s : u"业主对账单（%1）.pdf"_s.arg(building),
                         {u"PDF 文件 (*.pdf)"_s}, nullptr, u"pdf"_s);
    if (path.isEmpty()) {
        return;
    }
    QString why;
    QList<OwnerStatement::Statement> list;
    {
        std::unique_ptr<Prompt::Progress> progress;
        const bool done = StatementReport::batch(db(), building, from, to, &list, &why, [&](int n, int total) {
            if (!progress) {
                progress = Prompt::progress(this, u"正在计算对账单……"_s, total);
            }
            return progress->update(n);
        });
        if (!done) {
            if (!why.isEmpty()) {
                Prompt::databaseError(this, why);
            }
            return;
        }
    }
    if (list.isEmpty()) {
        Prompt::notice(this, building.isEmpty() ? u"没有欠费的房屋！"_s : u"该楼宇没有房屋！"_s,
                       Prompt::Icon::Information);
        return;
    }
    const std::unique_ptr<MemoryRows> organisation = StatementReport::organisation(db(), &why);
    const std::optional<PreparedReport> prepared = organisation
        ? StatementReport::statements(*report, list, *organisation, {Clock::now(), session().currentOperator}, &why)
        : std::nullopt;
    if (!prepared || !ReportPainter::writePdf(*prepared, path, &why)) {
        Prompt::notice(this, u"对账单未能写入：\n"_s + why);
        return;
    }
    Prompt::notice(this, u"已将 %1 户的对账单写入：\n%2"_s.arg(list.size()).arg(QDir::toNativeSeparators(path)),
                   Prompt::Icon::Information);
}
