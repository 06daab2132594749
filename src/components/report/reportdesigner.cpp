#include "components/report/reportdesigner.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "components/report/core/reportengine.h"
#include "components/report/core/reportformat.h"
#include "components/report/designerproperties.h"
#include "components/report/reportpreview.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

enum MergeId { NudgeStep = 1 };

// One step of the undo history: the template and the selection before and after.
class TemplateStep : public QUndoCommand
{
public:
    TemplateStep(ReportDesigner *designer, const ReportTemplate &after, const DesignerSelection &selectAfter,
                 const QString &text, int id)
        : QUndoCommand(text)
        , m_designer(designer)
        , m_before(designer->reportTemplate())
        , m_after(after)
        , m_selectBefore(designer->selection())
        , m_selectAfter(selectAfter)
        , m_id(id)
    { }

    void undo() override { m_designer->apply(m_before, m_selectBefore); }
    void redo() override { m_designer->apply(m_after, m_selectAfter); }
    int id() const override { return m_id; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const TemplateStep *>(other);
        if (next->m_selectBefore != m_selectAfter) {
            return false;
        }
        m_after = next->m_after;
        m_selectAfter = next->m_selectAfter;
        return true;
    }

private:
    ReportDesigner *m_designer;
    ReportTemplate m_before;
    ReportTemplate m_after;
    DesignerSelection m_selectBefore;
    DesignerSelection m_selectAfter;
    int m_id;
};

// A new object's size in millimetres, made to fit the band.
QSizeF newObjectSize(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Text:
        return {40, 6};
    case ObjectKind::Line:
        return {40, 0};
    case ObjectKind::Rect:
        return {30, 10};
    case ObjectKind::Picture:
        return {30, 20};
    }
    return {};
}

} // namespace

ReportDesigner::ReportDesigner(const ReportTemplate &report, const QString &path, const ReportSources &previewData,
                               QWidget *parent)
    : QDialog(parent)
    , m_template(report)
    , m_path(path)
    , m_sources(previewData)
    , m_undo(new QUndoStack(this))
{
    setObjectName(QStringLiteral("ReportDesigner"));
    setSizeGripEnabled(true);
    resize(1180, 760);
    if (const ReportBand *master = report.band(BandKind::MasterData)) {
        m_masterName = master->dataSet;
    } else if (!previewData.isEmpty()) {
        QStringList names = previewData.keys();
        names.sort();
        m_masterName = names.constFirst();
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("toolBar"));
    buildToolBar(bar);
    layout->addWidget(bar);

    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("canvasArea"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_canvas = new DesignerCanvas(this, m_scroll);
    m_scroll->setWidget(m_canvas);
    m_properties = new DesignerProperties(this, previewData, this);
    body->addWidget(m_scroll, 1);
    body->addWidget(m_properties);
    layout->addLayout(body, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setContentsMargins(8, 4, 8, 4);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_status);

    connect(m_undo, &QUndoStack::cleanChanged, this, &ReportDesigner::updateState);
    connect(m_undo, &QUndoStack::indexChanged, this, &ReportDesigner::updateState);
    m_properties->refresh();
    updateState();
    m_canvas->setFocus();
}

ReportDesigner::~ReportDesigner()
{
    // The history's steps call back into the designer; they go first.
    m_undo->clear();
}

void ReportDesigner::buildToolBar(QWidget *bar)
{
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    const QColor file(0x6a, 0x1b, 0x9a);
    const QColor history(0x15, 0x65, 0xc0);
    const QColor objects(0x2e, 0x7d, 0x32);
    const QColor removing(0xc6, 0x28, 0x28);
    auto add = [&](const char *name, const QString &caption, const QString &glyph, const QColor &colour,
                   const QString &tip, const std::function<void()> &action) {
        QToolButton *b = Icons::button(bar, QString::fromLatin1(name), caption, glyph, colour);
        b->setToolTip(tip);
        row->addWidget(b);
        if (action) {
            connect(b, &QToolButton::clicked, this, action);
        }
        return b;
    };
    add("btnSave", QStringLiteral("保存"), QStringLiteral("存"), file, QStringLiteral("保存模板 (Ctrl+S)"), [this] {
        save();
    })->setShortcut(QKeySequence::Save);
    add("btnPreview", QStringLiteral("预览"), QStringLiteral("览"), file, QStringLiteral("用示例数据预览"),
        [this] { preview(); });
    row->addSpacing(8);
    add("btnUndo", QStringLiteral("撤销"), QStringLiteral("↶"), history, QStringLiteral("撤销 (Ctrl+Z)"), [this] {
        m_undo->undo();
    })->setShortcut(QKeySequence::Undo);
    add("btnRedo", QStringLiteral("重做"), QStringLiteral("↷"), history, QStringLiteral("重做 (Ctrl+Y)"), [this] {
        m_undo->redo();
    })->setShortcut(QKeySequence::Redo);
    row->addSpacing(8);
    add("btnAddText", QStringLiteral("文本"), QStringLiteral("文"), objects, QStringLiteral("在选中的栏中添加文本"),
        [this] { addObject(ObjectKind::Text); });
    add("btnAddLine", QStringLiteral("线条"), QStringLiteral("—"), objects, QStringLiteral("添加线条"),
        [this] { addObject(ObjectKind::Line); });
    add("btnAddRect", QStringLiteral("矩形"), QStringLiteral("□"), objects, QStringLiteral("添加矩形"),
        [this] { addObject(ObjectKind::Rect); });
    add("btnAddPicture", QStringLiteral("图片"), QStringLiteral("图"), objects, QStringLiteral("添加图片"),
        [this] { addObject(ObjectKind::Picture); });
    add("btnDelete", QStringLiteral("删除"), QStringLiteral("删"), removing, QStringLiteral("删除选中的对象 (Delete)"),
        [this] { deleteSelected(); });
    row->addSpacing(8);
    m_bandButton =
        add("btnAddBand", QStringLiteral("加栏"), QStringLiteral("栏"), objects, QStringLiteral("添加一个栏"), nullptr);
    auto *menu = new QMenu(m_bandButton);
    menu->setObjectName(QStringLiteral("bandMenu"));
    for (BandKind k :
         {BandKind::ReportTitle, BandKind::PageHeader, BandKind::MasterData, BandKind::Summary, BandKind::PageFooter}) {
        QAction *a = menu->addAction(ReportTemplate::bandCaption(k), this, [this, k] { addBand(k); });
        a->setData(int(k));
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        for (QAction *a : menu->actions()) {
            a->setEnabled(!m_template.band(BandKind(a->data().toInt())));
        }
    });
    m_bandButton->setMenu(menu);
    m_bandButton->setPopupMode(QToolButton::InstantPopup);
    add("btnDeleteBand", QStringLiteral("删栏"), QStringLiteral("✕"), removing, QStringLiteral("删除选中的栏"),
        [this] { deleteBand(); });
    row->addStretch(1);
    add("btnClose", QStringLiteral("关闭"), QStringLiteral("返"), QColor(0x75, 0x75, 0x75),
        QStringLiteral("关闭设计窗口"), [this] { reject(); });
}

bool ReportDesigner::isModified() const
{
    return !m_undo->isClean();
}

void ReportDesigner::apply(const ReportTemplate &report, const DesignerSelection &selection)
{
    m_template = report;
    m_selection = selection;
    m_canvas->templateChanged();
    m_properties->refresh();
    updateState();
}

void ReportDesigner::select(const DesignerSelection &selection)
{
    if (selection == m_selection) {
        return;
    }
    m_selection = selection;
    m_canvas->update();
    m_properties->refresh();
    updateState();
}

void ReportDesigner::change(const ReportTemplate &after, const QString &what, int mergeId,
                            const std::optional<DesignerSelection> &selectAfter)
{
    if (after == m_template && !selectAfter) {
        return;
    }
    m_undo->push(new TemplateStep(this, after, selectAfter.value_or(m_selection), what, mergeId));
}

void ReportDesigner::placeObject(const DesignerSelection &object, int band, const QRectF &box)
{
    if (!object.isObject() || band < 0 || band >= m_template.bands.size()) {
        return;
    }
    ReportTemplate t = m_template;
    ReportObject o = t.bands[object.band].objects[object.object];
    o.x = box.x();
    o.y = box.y();
    o.width = box.width();
    o.height = box.height();
    DesignerSelection after = object;
    if (band == object.band) {
        t.bands[band].objects[object.object] = o;
    } else {
        t.bands[object.band].objects.removeAt(object.object);
        t.bands[band].objects << o;
        after = {band, int(t.bands[band].objects.size()) - 1};
    }
    change(t, QStringLiteral("移动“%1”").arg(o.name), -1, after);
}

void ReportDesigner::nudge(double dx, double dy, bool resize)
{
    if (!m_selection.isObject()) {
        return;
    }
    ReportTemplate t = m_template;
    ReportObject &o = t.bands[m_selection.band].objects[m_selection.object];
    const double width = t.page.printableWidth();
    const double height = t.bands[m_selection.band].height;
    // Kept inside the band; steps land on tenths of a millimetre.
    auto tenth = [](double v) { return qRound(v * 10) / 10.0; };
    if (resize) {
        o.width = tenth(qBound(0.0, o.width + dx, qMax(0.0, width - o.x)));
        o.height = tenth(qBound(0.0, o.height + dy, qMax(0.0, height - o.y)));
    } else {
        o.x = tenth(qBound(0.0, o.x + dx, qMax(0.0, width - o.width)));
        o.y = tenth(qBound(0.0, o.y + dy, qMax(0.0, height - o.height)));
    }
    change(t, resize ? QStringLiteral("改变“%1”的大小").arg(o.name) : QStringLiteral("移动“%1”").arg(o.name),
           NudgeStep);
}

void ReportDesigner::addObject(ObjectKind kind)
{
    int band = m_selection.band;
    if (band < 0) {
        band = m_template.bandIndex(BandKind::MasterData);
    }
    if (band < 0 && !m_template.bands.isEmpty()) {
        band = 0;
    }
    if (band < 0) {
        Prompt::notice(this, QStringLiteral("请先添加一个栏。"));
        return;
    }
    ReportTemplate t = m_template;
    ReportObject o;
    o.kind = kind;
    o.name = t.freeName(kind);
    const QSizeF size = newObjectSize(kind);
    o.width = qMin(size.width(), t.page.printableWidth());
    o.height = qMin(size.height(), t.bands[band].height);
    if (kind == ObjectKind::Text) {
        o.text = QStringLiteral("文本");
    } else if (kind == ObjectKind::Picture) {
        const QString file =
            Prompt::openFile(this, QStringLiteral("选择图片"), {}, {QStringLiteral("图片 (*.png *.jpg *.jpeg *.bmp)")});
        if (file.isEmpty()) {
            return;
        }
        QFile in(file);
        if (in.open(QIODevice::ReadOnly)) {
            o.picture = in.read(ReportFormat::LargestFile / 2);
        }
        if (QImage::fromData(o.picture).isNull()) {
            Prompt::notice(this, QStringLiteral("“%1”不是能识别的图片。").arg(QFileInfo(file).fileName()));
            return;
        }
    }
    t.bands[band].objects << o;
    change(t, QStringLiteral("添加“%1”").arg(o.name), -1,
           DesignerSelection {band, int(t.bands[band].objects.size()) - 1});
}

void ReportDesigner::deleteSelected()
{
    if (m_selection.isBand()) {
        deleteBand();
        return;
    }
    if (!m_selection.isObject()) {
        return;
    }
    ReportTemplate t = m_template;
    const QString name = t.bands[m_selection.band].objects[m_selection.object].name;
    t.bands[m_selection.band].objects.removeAt(m_selection.object);
    change(t, QStringLiteral("删除“%1”").arg(name), -1, DesignerSelection {m_selection.band, -1});
}

void ReportDesigner::addBand(BandKind kind)
{
    if (m_template.band(kind)) {
        return;
    }
    ReportTemplate t = m_template;
    const int band = t.addBand(kind);
    if (kind == BandKind::MasterData) {
        t.bands[band].dataSet = m_masterName;
    }
    change(t, QStringLiteral("添加%1").arg(ReportTemplate::bandCaption(kind)), -1, DesignerSelection {band, -1});
}

void ReportDesigner::deleteBand()
{
    if (m_selection.band < 0) {
        return;
    }
    const ReportBand &band = m_template.bands[m_selection.band];
    const QString what = ReportTemplate::bandCaption(band.kind);
    if (!band.objects.isEmpty()
        && !Prompt::ask(this, QStringLiteral("要删除%1和其中的 %2 个对象吗? ").arg(what).arg(band.objects.size()))) {
        return;
    }
    ReportTemplate t = m_template;
    t.bands.removeAt(m_selection.band);
    change(t, QStringLiteral("删除%1").arg(what), -1, DesignerSelection {});
}

void ReportDesigner::editText()
{
    m_properties->editText();
}

void ReportDesigner::preview()
{
    QString why;
    const std::optional<PreparedReport> prepared = ReportEngine::prepare(m_template, m_sources, &why);
    if (!prepared) {
        Prompt::notice(this, QStringLiteral("模板不能预览：\n%1").arg(why));
        return;
    }
    ReportPreview::present(this, *prepared);
}

bool ReportDesigner::save()
{
    QString why;
    if (!ReportFormat::save(m_template, m_path, &why)) {
        Prompt::notice(this, QStringLiteral("模板没有保存：\n%1").arg(why));
        return false;
    }
    m_undo->setClean();
    updateState();
    return true;
}

bool ReportDesigner::confirmClose()
{
    if (!isModified()) {
        return true;
    }
    if (Prompt::ask(this, QStringLiteral("模板已经修改，要保存吗? "))) {
        return save();
    }
    return true;
}

void ReportDesigner::reject()
{
    if (confirmClose()) {
        QDialog::reject();
    }
}

void ReportDesigner::updateState()
{
    setWindowTitle(QStringLiteral("报表设计 - %1[*]").arg(QFileInfo(m_path).fileName()));
    setWindowModified(isModified());
    findChild<QToolButton *>(QStringLiteral("btnUndo"))->setEnabled(m_undo->canUndo());
    findChild<QToolButton *>(QStringLiteral("btnRedo"))->setEnabled(m_undo->canRedo());
    findChild<QToolButton *>(QStringLiteral("btnDelete"))->setEnabled(m_selection.band >= 0);
    findChild<QToolButton *>(QStringLiteral("btnDeleteBand"))->setEnabled(m_selection.band >= 0);
    const QString fault = m_template.fault();
    if (!fault.isEmpty()) {
        m_status->setStyleSheet(QStringLiteral("color: #c62828;"));
        m_status->setText(QStringLiteral("模板有错，不能保存：%1").arg(fault));
        return;
    }
    m_status->setStyleSheet(QString());
    if (m_selection.isObject()) {
        const ReportObject &o = m_template.bands[m_selection.band].objects[m_selection.object];
        m_status->setText(QStringLiteral("%1（%2）  左 %3  上 %4  宽 %5  高 %6 毫米")
                              .arg(o.name, ReportTemplate::bandCaption(m_template.bands[m_selection.band].kind))
                              .arg(o.x)
                              .arg(o.y)
                              .arg(o.width)
                              .arg(o.height));
    } else {
        m_status->setText(QStringLiteral("单击选择对象，拖动或用方向键移动，Shift+方向键改变大小，双击编辑文本。"));
    }
}
