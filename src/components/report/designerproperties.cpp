#include "components/report/designerproperties.h"

#include "components/common/prompt.h"
#include "components/report/core/reportexpression.h"
#include "components/report/core/reportformat.h"
#include "components/report/reportdesigner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

enum Page { PagePage, BandPage, ObjectPage };

using Selection = DesignerSelection;

template<typename T> DesignerProperties::Field<T> ofObject(T ReportObject::*member)
{
    return [member](ReportTemplate &t, const Selection &s) -> T & { return t.bands[s.band].objects[s.object].*member; };
}

template<typename T> DesignerProperties::Field<T> ofFont(T ReportFont::*member)
{
    return [member](ReportTemplate &t, const Selection &s) -> T & {
        return t.bands[s.band].objects[s.object].font.*member;
    };
}

DesignerProperties::Field<bool> ofFrame(bool ReportFrame::*member)
{
    return [member](ReportTemplate &t, const Selection &s) -> bool & {
        return t.bands[s.band].objects[s.object].frame.*member;
    };
}

template<typename T> DesignerProperties::Field<T> ofBand(T ReportBand::*member)
{
    return [member](ReportTemplate &t, const Selection &s) -> T & { return t.bands[s.band].*member; };
}

template<typename T> DesignerProperties::Field<T> ofPage(T ReportPage::*member)
{
    return [member](ReportTemplate &t, const Selection &) -> T & { return t.page.*member; };
}

// The buddy label of a row, so the label names its control for screen readers and Alt keys.
QLabel *labelFor(QWidget *control, const QString &text)
{
    auto *label = new QLabel(text + QStringLiteral("："));
    label->setBuddy(control);
    control->setAccessibleName(text);
    return label;
}

} // namespace

DesignerProperties::DesignerProperties(ReportDesigner *designer, const ReportSources &sources, QWidget *parent)
    : QWidget(parent)
    , m_designer(designer)
{
    setObjectName(QStringLiteral("propertyPanel"));
    setFixedWidth(340);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto *title = new QLabel(QStringLiteral("属性"), this);
    title->setObjectName(QStringLiteral("propertyTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages, 1);
    buildPage();
    buildBand();
    buildObject(sources);
}

QFormLayout *DesignerProperties::addPage(const QString &name)
{
    auto *page = new QWidget(m_pages);
    page->setObjectName(name);
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 4, 0, 0);
    auto *form = new QFormLayout;
    column->addLayout(form);
    column->addStretch(1);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_show.page = m_pages->addWidget(page);
    return form;
}

int DesignerProperties::mergeId(const QString &key)
{
    if (!m_mergeNames.contains(key)) {
        m_mergeNames << key;
    }
    return 100 + int(m_mergeNames.indexOf(key));
}

void DesignerProperties::edit(const QString &what,
                              const std::function<void(ReportTemplate &, const DesignerSelection &)> &change)
{
    if (m_refreshing) {
        return;
    }
    ReportTemplate t = m_designer->reportTemplate();
    change(t, m_designer->selection());
    m_designer->change(t, what, mergeId(what));
}

void DesignerProperties::addNumber(QFormLayout *form, const char *name, const QString &label, double min, double max,
                                   const QString &suffix, const Field<double> &field)
{
    auto *spin = new QDoubleSpinBox(this);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(min, max);
    spin->setDecimals(suffix == QLatin1String(" 磅") ? 1 : 2);
    spin->setSingleStep(suffix == QLatin1String(" 毫米") ? 0.5 : 1);
    spin->setSuffix(suffix);
    spin->setKeyboardTracking(false);
    form->addRow(labelFor(spin, label), spin);
    connect(spin, &QDoubleSpinBox::valueChanged, this, [this, field, label](double v) {
        edit(QStringLiteral("修改%1").arg(label), [&](ReportTemplate &t, const Selection &s) { field(t, s) = v; });
    });
    m_show << [spin, field](ReportTemplate &t, const Selection &s) { spin->setValue(field(t, s)); };
}

void DesignerProperties::addFlag(QFormLayout *form, const char *name, const QString &label, const Field<bool> &field,
                                 QWidget *row)
{
    auto *box = new QCheckBox(label, row ? row : this);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(label);
    if (row) {
        row->layout()->addWidget(box);
    } else {
        form->addRow(QString(), box);
    }
    connect(box, &QCheckBox::toggled, this, [this, field, label](bool on) {
        edit(QStringLiteral("修改%1").arg(label), [&](ReportTemplate &t, const Selection &s) { field(t, s) = on; });
    });
    m_show << [box, field](ReportTemplate &t, const Selection &s) { box->setChecked(field(t, s)); };
}

void DesignerProperties::addLine(QFormLayout *form, const char *name, const QString &label, const Field<QString> &field)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    form->addRow(labelFor(edit, label), edit);
    connect(edit, &QLineEdit::textEdited, this, [this, field, label](const QString &text) {
        this->edit(QStringLiteral("修改%1").arg(label),
                   [&](ReportTemplate &t, const Selection &s) { field(t, s) = text; });
    });
    m_show << [edit, field](ReportTemplate &t, const Selection &s) {
        if (edit->text() != field(t, s)) {
            edit->setText(field(t, s));
        }
    };
}

template<typename E>
void DesignerProperties::addChoice(QFormLayout *form, const char *name, const QString &label, const QStringList &items,
                                   const Field<E> &field)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    form->addRow(labelFor(box, label), box);
    connect(box, &QComboBox::activated, this, [this, field, label](int index) {
        edit(QStringLiteral("修改%1").arg(label),
             [&](ReportTemplate &t, const Selection &s) { field(t, s) = E(index); });
    });
    m_show << [box, field](ReportTemplate &t, const Selection &s) { box->setCurrentIndex(int(field(t, s))); };
}

void DesignerProperties::buildPage()
{
    QFormLayout *form = addPage(QStringLiteral("pageProperties"));
    form->addRow(new QLabel(QStringLiteral("页面（未选中对象时）")));
    addLine(form, "reportTitle", QStringLiteral("报表标题"),
            [](ReportTemplate &t, const Selection &) -> QString & { return t.title; });
    auto *paper = new QComboBox(this);
    paper->setObjectName(QStringLiteral("paper"));
    const QStringList papers = ReportPage::paperNames();
    for (const QString &p : papers) {
        paper->addItem(p == QLatin1String("Custom") ? QStringLiteral("自定义") : p, p);
    }
    form->addRow(labelFor(paper, QStringLiteral("纸张")), paper);
    connect(paper, &QComboBox::activated, this, [this, paper](int i) {
        edit(QStringLiteral("修改纸张"),
             [&](ReportTemplate &t, const Selection &) { t.page.setPaper(paper->itemData(i).toString()); });
    });
    m_show << [paper](ReportTemplate &t, const Selection &) { paper->setCurrentIndex(paper->findData(t.page.paper)); };
    addChoice<bool>(form, "orientation", QStringLiteral("方向"), {QStringLiteral("纵向"), QStringLiteral("横向")},
                    ofPage(&ReportPage::landscape));
    const QString mm = QStringLiteral(" 毫米");
    addNumber(form, "paperWidth", QStringLiteral("纸宽"), 10, 2000, mm, ofPage(&ReportPage::paperWidth));
    addNumber(form, "paperHeight", QStringLiteral("纸高"), 10, 2000, mm, ofPage(&ReportPage::paperHeight));
    addNumber(form, "marginLeft", QStringLiteral("左边距"), 0, 500, mm, ofPage(&ReportPage::left));
    addNumber(form, "marginTop", QStringLiteral("上边距"), 0, 500, mm, ofPage(&ReportPage::top));
    addNumber(form, "marginRight", QStringLiteral("右边距"), 0, 500, mm, ofPage(&ReportPage::right));
    addNumber(form, "marginBottom", QStringLiteral("下边距"), 0, 500, mm, ofPage(&ReportPage::bottom));
    // Only a custom paper has its size typed in.
    m_show << [form](ReportTemplate &t, const Selection &) {
        const bool custom = t.page.paper == QLatin1String("Custom");
        for (const char *name : {"paperWidth", "paperHeight"}) {
            form->parentWidget()->findChild<QWidget *>(QString::fromLatin1(name))->setEnabled(custom);
        }
    };
}

void DesignerProperties::buildBand()
{
    QFormLayout *form = addPage(QStringLiteral("bandProperties"));
    auto *kind = new QLabel(this);
    kind->setObjectName(QStringLiteral("bandKind"));
    form->addRow(kind);
    m_show << [kind](ReportTemplate &t, const Selection &s) {
        if (s.isBand()) {
            kind->setText(ReportTemplate::bandCaption(t.bands[s.band].kind));
        }
    };
    addNumber(form, "bandHeight", QStringLiteral("高度"), 0, 2000, QStringLiteral(" 毫米"),
              ofBand(&ReportBand::height));
    addLine(form, "bandDataSet", QStringLiteral("数据集"), ofBand(&ReportBand::dataSet));
    // Only the master data band prints a data set.
    QWidget *dataSet = form->parentWidget()->findChild<QWidget *>(QStringLiteral("bandDataSet"));
    m_show << [form, dataSet](ReportTemplate &t, const Selection &s) {
        form->setRowVisible(dataSet, t.bands[s.band].kind == BandKind::MasterData);
    };
}

void DesignerProperties::buildObject(const ReportSources &sources)
{
    QFormLayout *form = addPage(QStringLiteral("objectProperties"));
    m_objectForm = form;
    auto *kind = new QLabel(this);
    kind->setObjectName(QStringLiteral("objectKind"));
    form->addRow(kind);
    addLine(form, "objName", QStringLiteral("名称"), ofObject(&ReportObject::name));
    const QString mm = QStringLiteral(" 毫米");
    addNumber(form, "objX", QStringLiteral("左"), 0, 2000, mm, ofObject(&ReportObject::x));
    addNumber(form, "objY", QStringLiteral("上"), 0, 2000, mm, ofObject(&ReportObject::y));
    addNumber(form, "objWidth", QStringLiteral("宽"), 0, 2000, mm, ofObject(&ReportObject::width));
    addNumber(form, "objHeight", QStringLiteral("高"), 0, 2000, mm, ofObject(&ReportObject::height));
    const int firstTextRow = form->rowCount();

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("objText"));
    m_text->setTabChangesFocus(true);
    m_text->setFixedHeight(76);
    form->addRow(labelFor(m_text, QStringLiteral("文本")), m_text);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_text->toPlainText();
        edit(QStringLiteral("修改文本"),
             [&](ReportTemplate &t, const Selection &s) { t.bands[s.band].objects[s.object].text = text; });
    });
    m_show << [this](ReportTemplate &t, const Selection &s) {
        const QString &text = t.bands[s.band].objects[s.object].text;
        if (m_text->toPlainText() != text) {
            m_text->setPlainText(text);
        }
    };

    // Fields of every data set and the functions, put into the text where the cursor is.
    auto *insert = new QComboBox(this);
    insert->setObjectName(QStringLiteral("insertField"));
    insert->addItem(QStringLiteral("插入字段或函数…"));
    QStringList names = sources.keys();
    names.sort();
    const ReportBand *masterBand = m_designer->reportTemplate().band(BandKind::MasterData);
    for (const QString &name : names) {
        const bool master = masterBand && name == masterBand->dataSet;
        for (const QString &field : sources.value(name)->fieldNames()) {
            const QString text =
                master ? QStringLiteral("[%1]").arg(field) : QStringLiteral("[%1.%2]").arg(name, field);
            insert->addItem(text, text);
        }
    }
    for (const auto &[function, help] : ReportText::functions()) {
        insert->addItem(help, QStringLiteral("[%1]").arg(help.section(QStringLiteral("："), 0, 0)));
    }
    form->addRow(labelFor(insert, QStringLiteral("插入")), insert);
    connect(insert, &QComboBox::activated, this, [this, insert](int i) {
        if (i > 0) {
            m_text->insertPlainText(insert->itemData(i).toString());
            m_text->setFocus();
        }
        insert->setCurrentIndex(0);
    });

    auto *font = new QComboBox(this);
    font->setObjectName(QStringLiteral("objFont"));
    font->setEditable(true);
    font->addItems({QStringLiteral("宋体"), QStringLiteral("黑体"), QStringLiteral("楷体"), QStringLiteral("仿宋")});
    form->addRow(labelFor(font, QStringLiteral("字体")), font);
    connect(font, &QComboBox::currentTextChanged, this, [this](const QString &family) {
        if (!family.trimmed().isEmpty()) {
            edit(QStringLiteral("修改字体"), [&](ReportTemplate &t, const Selection &s) {
                t.bands[s.band].objects[s.object].font.family = family.trimmed();
            });
        }
    });
    m_show << [font](ReportTemplate &t, const Selection &s) {
        font->setCurrentText(t.bands[s.band].objects[s.object].font.family);
    };
    addNumber(form, "objSize", QStringLiteral("字号"), 1, 200, QStringLiteral(" 磅"), ofFont(&ReportFont::size));
    auto *style = new QWidget(this);
    style->setLayout(new QHBoxLayout);
    style->layout()->setContentsMargins(0, 0, 0, 0);
    form->addRow(QString(), style);
    addFlag(form, "objBold", QStringLiteral("粗体"), ofFont(&ReportFont::bold), style);
    addFlag(form, "objItalic", QStringLiteral("斜体"), ofFont(&ReportFont::italic), style);
    addFlag(form, "objWrap", QStringLiteral("自动换行"), ofObject(&ReportObject::wordWrap), style);
    addChoice<HAlign>(form, "objAlign", QStringLiteral("水平对齐"),
                      {QStringLiteral("左对齐"), QStringLiteral("居中"), QStringLiteral("右对齐")},
                      ofObject(&ReportObject::hAlign));
    addChoice<VAlign>(form, "objVAlign", QStringLiteral("垂直对齐"),
                      {QStringLiteral("顶端"), QStringLiteral("居中"), QStringLiteral("底端")},
                      ofObject(&ReportObject::vAlign));
    auto *frame = new QWidget(this);
    frame->setLayout(new QHBoxLayout);
    frame->layout()->setContentsMargins(0, 0, 0, 0);
    auto *frameLabel = new QLabel(QStringLiteral("边框："));
    form->addRow(frameLabel, frame);
    addFlag(form, "frameLeft", QStringLiteral("左"), ofFrame(&ReportFrame::left), frame);
    addFlag(form, "frameTop", QStringLiteral("上"), ofFrame(&ReportFrame::top), frame);
    addFlag(form, "frameRight", QStringLiteral("右"), ofFrame(&ReportFrame::right), frame);
    addFlag(form, "frameBottom", QStringLiteral("下"), ofFrame(&ReportFrame::bottom), frame);
    frameLabel->setBuddy(frame->findChild<QWidget *>(QStringLiteral("frameLeft")));
    for (int row = firstTextRow; row < form->rowCount(); ++row) {
        m_textOnly << form->itemAt(row, QFormLayout::FieldRole)->widget();
    }

    addNumber(form, "objLineWidth", QStringLiteral("线宽"), 0, 10, mm, ofObject(&ReportObject::lineWidth));
    auto *picture = new QPushButton(QStringLiteral("选择图片…"), this);
    picture->setObjectName(QStringLiteral("btnPicture"));
    picture->setAccessibleName(QStringLiteral("选择图片"));
    form->addRow(QString(), picture);
    m_pictureRow = picture;
    connect(picture, &QPushButton::clicked, this, [this] {
        const QString file =
            Prompt::openFile(this, QStringLiteral("选择图片"), {}, {QStringLiteral("图片 (*.png *.jpg *.jpeg *.bmp)")});
        QFile in(file);
        if (file.isEmpty() || !in.open(QIODevice::ReadOnly)) {
            return;
        }
        const QByteArray bytes = in.read(ReportFormat::LargestFile / 2);
        if (QImage::fromData(bytes).isNull()) {
            Prompt::notice(this, QStringLiteral("这个文件不是能识别的图片。"));
            return;
        }
        edit(QStringLiteral("更换图片"),
             [&](ReportTemplate &t, const Selection &s) { t.bands[s.band].objects[s.object].picture = bytes; });
    });
    m_show << [this, kind](ReportTemplate &t, const Selection &s) {
        const ObjectKind k = t.bands[s.band].objects[s.object].kind;
        kind->setText(QStringLiteral("%1（%2）")
                          .arg(ReportTemplate::kindCaption(k), ReportTemplate::bandCaption(t.bands[s.band].kind)));
        for (QWidget *w : std::as_const(m_textOnly)) {
            m_objectForm->setRowVisible(w, k == ObjectKind::Text);
        }
        m_objectForm->setRowVisible(m_pictureRow, k == ObjectKind::Picture);
    };
}

void DesignerProperties::refresh()
{
    const Selection s = m_designer->selection();
    const int page = s.isObject() ? ObjectPage : s.isBand() ? BandPage : PagePage;
    m_pages->setCurrentIndex(page);
    ReportTemplate t = m_designer->reportTemplate();
    m_refreshing = true;
    // Each control shows its value on its own page only: a band's controls need a band.
    for (const auto &[onPage, show] : std::as_const(m_show.items)) {
        if (onPage == page) {
            show(t, s);
        }
    }
    m_refreshing = false;
}

void DesignerProperties::editText()
{
    if (m_designer->selection().isObject() && m_text->isVisible()) {
        m_text->setFocus();
        m_text->selectAll();
    }
}
