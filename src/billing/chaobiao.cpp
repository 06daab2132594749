#include "billing/chaobiao.h"

#include "components/common/prompt.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/scratchwriter.h"
#include "data/transaction.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>

namespace {
const QString Tick = QStringLiteral("√");
const QString NotRead = QStringLiteral("（不导入）");
const QString HouseCode = QStringLiteral("房屋代码");

FrameDesign design()
{
    FrameDesign d;
    d.className = QStringLiteral("TForm_chaobiao");
    d.caption = QStringLiteral("导入抄表");
    d.titleBand = QStringLiteral("导入抄表数据");
    d.printTitle = QStringLiteral("抄表数据导入预览打印清单");
    d.exportName = QStringLiteral("抄表数据导入预览");
    d.layoutFile = QStringLiteral("chaobiao.ini");
    d.resetButton = QStringLiteral("SpeedButton6");
    return d;
}

QList<GridColumn> columns()
{
    using C = GridColumn;
    const auto number = [](const QString &field, const QString &title, int width) {
        return C::of(field, title, width).alignRight();
    };
    C tick = C::of(QStringLiteral("texte"), QStringLiteral("导入"), 40);
    tick.alignment = Qt::AlignCenter;
    return {tick,
            number(QStringLiteral("numbera"), QStringLiteral("行号"), 45).sortButton(),
            C::of(QStringLiteral("texta"), QStringLiteral("房屋代码"), 80)
                .sortButton()
                .withFooter(GridColumn::Footer::Text, QStringLiteral("合计")),
            C::of(QStringLiteral("textb"), QStringLiteral("业主名称"), 80),
            C::of(QStringLiteral("textc"), QStringLiteral("收费名称"), 80).sortButton(),
            number(QStringLiteral("moneya"), QStringLiteral("上月表数"), 75),
            number(QStringLiteral("moneyb"), QStringLiteral("本月表数"), 75),
            number(QStringLiteral("moneyc"), QStringLiteral("用量"), 70),
            number(QStringLiteral("moneyd"), QStringLiteral("应缴费用"), 85).withFooter(GridColumn::Footer::Sum),
            C::of(QStringLiteral("textd"), QStringLiteral("状态"), 120).sortButton(),
            C::of(QStringLiteral("textg"), QStringLiteral("说明"), 130),
            C::of(QStringLiteral("textf"), QStringLiteral("文件中的读数"), 90)};
}

QVariant amountOrNull(const std::optional<Money> &m)
{
    return m ? QVariant::fromValue(*m) : QVariant();
}
}

TForm_chaobiao::TForm_chaobiao(BillMonth month, QWidget *parent)
    : WindowFrame(
        design(),
        {{BarButton::of(QStringLiteral("bitbtn_open"), QStringLiteral("打开文件"), QStringLiteral("开")),
          BarButton::of(QStringLiteral("bitbtn_tick"), QStringLiteral("勾选"), QStringLiteral("√"))
              .withHint(QStringLiteral("勾选或取消勾选当前行（也可双击该行）")),
          BarButton::of(QStringLiteral("bitbtn_import"), QStringLiteral("导入"), QStringLiteral("入"), ButtonBar::Save)
              .withHint(QStringLiteral("把勾选的读数写入本月应缴费用并计算"))}},
        {}, parent)
    , m_month(month)
{
    auto *top = new QWidget(this);
    top->setObjectName(QStringLiteral("Panel3"));
    auto *row = new QHBoxLayout(top);
    row->setContentsMargins(8, 4, 8, 4);
    m_file = new QLabel(QStringLiteral("文件：（请先打开抄表文件）"), top);
    m_file->setObjectName(QStringLiteral("Label1"));
    auto *monthLabel = new QLabel(QStringLiteral("月份：") + month.caption(), top);
    monthLabel->setObjectName(QStringLiteral("Label2"));
    row->addWidget(m_file, 1);
    row->addWidget(monthLabel);
    body()->addWidget(top);

    // One drop-down a column of the file, under the column's title.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setWidgetResizable(true);
    scroll->setFixedHeight(64);
    scroll->setFrameShape(QFrame::NoFrame);
    m_columnPanel = new QWidget(scroll);
    m_columnGrid = new QGridLayout(m_columnPanel);
    m_columnGrid->setContentsMargins(8, 2, 8, 2);
    m_columnGrid->setVerticalSpacing(2);
    m_columnGrid->setRowStretch(2, 1);
    scroll->setWidget(m_columnPanel);
    body()->addWidget(scroll);

    m_rows = new DataSet(QStringLiteral("q_chaobiao"), QStringLiteral("通用"), this);
    m_grid = new DBGridEh(this);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setAccessibleName(QStringLiteral("抄表数据预览"));
    m_grid->setColumns(columns());
    m_grid->setDataSet(m_rows);
    m_grid->setDichromatic(true);
    m_grid->setTieBreak(QStringLiteral("id"));
    body()->addWidget(m_grid, 1);
    setGrids(m_grid, m_grid);

    connect(button(QStringLiteral("bitbtn_open")), &QToolButton::clicked, this, &TForm_chaobiao::chooseFile);
    connect(button(QStringLiteral("bitbtn_tick")), &QToolButton::clicked, this, &TForm_chaobiao::toggleTick);
    connect(button(QStringLiteral("bitbtn_import")), &QToolButton::clicked, this, &TForm_chaobiao::importReadings);
    connect(m_grid, &DBGridEh::rowDoubleClicked, this, &TForm_chaobiao::toggleTick);
}

TForm_chaobiao::~TForm_chaobiao() = default;

void TForm_chaobiao::prepare(Preparation &p)
{
    m_rows->setConnectionName(db().connectionName());
    p.step([this](QString *error) {
         m_meterItems = ReadingImport::meterItems(db(), error);
         return error->isEmpty() && dm()->exec(QStringLiteral("delete from 通用"), {}, error);
     }).onFinish([this] {
        m_rows->close();
        dm()->exec(QStringLiteral("delete from 通用"));
    });
}

bool TForm_chaobiao::hasOutput() const
{
    return m_rows->isOpen() && !m_rows->isEmpty();
}

QString TForm_chaobiao::columnsFile() const
{
    return dm()->homePath(ReadingImport::ColumnsFile);
}

void TForm_chaobiao::chooseFile()
{
    const QString path = Prompt::openFile(this, QStringLiteral("打开抄表文件"), {},
                                          {QStringLiteral("抄表文件 (*.xlsx *.csv)"), QStringLiteral("所有文件 (*)")});
    if (!path.isEmpty()) {
        openFile(path);
    }
}

bool TForm_chaobiao::openFile(const QString &path)
{
    QList<SheetRow> rows;
    QString error;
    if (!SheetReader::read(path, &rows, &error)) {
        Prompt::notice(this, error);
        return false;
    }
    m_sheet = rows;
    m_titles = ReadingImport::titles(rows);
    m_file->setText(QStringLiteral("文件：") + QDir::toNativeSeparators(path));
    buildColumnChoices();
    refreshPreview();
    if (!chosenLayout().isComplete()) {
        Prompt::notice(this,
                       QStringLiteral("请在表头下方为每一列选择它的内容：房屋代码所在的列，以及各个抄表项目的列。"),
                       Prompt::Icon::Information);
    }
    return true;
}

void TForm_chaobiao::buildColumnChoices()
{
    qDeleteAll(m_choices);
    m_choices.clear();
    while (QLayoutItem *item = m_columnGrid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const ReadingLayout layout =
        ReadingImport::recall(columnsFile(), m_titles).value_or(ReadingImport::guess(m_titles, m_meterItems));
    for (int c = 0; c < m_titles.size(); ++c) {
        auto *box = new QComboBox(m_columnPanel);
        box->setObjectName(QStringLiteral("ComboBox%1").arg(c + 1));
        box->addItems(QStringList {NotRead, HouseCode} + m_meterItems);
        int widest = 0;
        for (int i = 0; i < box->count(); ++i) {
            widest = qMax(widest, box->fontMetrics().horizontalAdvance(box->itemText(i)));
        }
        box->setMinimumWidth(widest + 36); // the text and the arrow
        box->setCurrentText(c == layout.houseColumn ? HouseCode : layout.items.value(c, NotRead));
        const QString title = m_titles[c].isEmpty() ? QStringLiteral("第%1列").arg(c + 1) : m_titles[c];
        auto *label = new QLabel(title, m_columnPanel);
        label->setBuddy(box);
        box->setAccessibleName(QStringLiteral("“%1”列的内容").arg(title));
        m_columnGrid->addWidget(label, 0, c);
        m_columnGrid->addWidget(box, 1, c);
        m_choices << box;
        connect(box, &QComboBox::currentTextChanged, this, &TForm_chaobiao::layoutChosen);
    }
    m_columnGrid->setColumnStretch(int(m_titles.size()), 1);
}

QComboBox *TForm_chaobiao::columnChoice(int column) const
{
    return column >= 0 && column < m_choices.size() ? m_choices[column] : nullptr;
}

ReadingLayout TForm_chaobiao::chosenLayout() const
{
    ReadingLayout layout;
    for (int c = 0; c < m_choices.size(); ++c) {
        const QString text = m_choices[c]->currentText();
        if (text == HouseCode && layout.houseColumn < 0) {
            layout.houseColumn = c;
        } else if (text != NotRead && text != HouseCode) {
            layout.items.insert(c, text);
        }
    }
    return layout;
}

void TForm_chaobiao::layoutChosen()
{
    ReadingImport::remember(columnsFile(), m_titles, chosenLayout());
    refreshPreview();
}

void TForm_chaobiao::refreshPreview()
{
    m_rows->close();
    const ReadingLayout layout = chosenLayout();
    QString error;
    m_preview = {};
    if (layout.isComplete() && !ReadingImport::preview(db(), m_sheet, layout, m_month, &m_preview, &error)) {
        Prompt::databaseError(this, error);
    }
    Transaction tx(db());
    bool ok = tx.begun() && dm()->exec(QStringLiteral("delete from 通用"), {}, &error);
    ScratchWriter out(db());
    for (qsizetype i = 0; ok && i < m_preview.lines.size(); ++i) {
        const ReadingLine &l = m_preview.lines[i];
        ok = out.append({{"texta", l.houseCode},
                         {"textb", l.owner},
                         {"textc", l.item},
                         {"textd", l.stateText()},
                         {"texte", l.ticked ? Tick : QString()},
                         {"textf", l.readingText},
                         {"textg", l.toGenerate ? QStringLiteral("本月应缴费用尚未生成") : QString()},
                         {"numbera", l.fileLine},
                         {"numberb", qint64(i)},
                         {"moneya", amountOrNull(l.lastReading)},
                         {"moneyb", amountOrNull(l.reading)},
                         {"moneyc", amountOrNull(l.usage)},
                         {"moneyd", amountOrNull(l.amount)}});
    }
    if (!ok || !tx.commit(&error)) {
        Prompt::databaseError(this, ok ? error : out.error().isEmpty() ? tx.error() : out.error());
        return;
    }
    if (!m_rows->openOn({QStringLiteral("select * from 通用"), QStringLiteral("order by id")})) {
        Prompt::databaseError(this, m_rows->lastError());
    }
}

void TForm_chaobiao::toggleTick()
{
    if (!m_rows->isOpen() || m_rows->isEmpty()) {
        return;
    }
    ReadingLine &line = m_preview.lines[m_rows->integer(QStringLiteral("numberb"))];
    if (!line.importable()) {
        Prompt::notice(this,
                       QStringLiteral("第 %1 行 %2 %3 的读数不能导入：%4。")
                           .arg(line.fileLine)
                           .arg(line.houseCode, line.item, line.stateText()));
        return;
    }
    m_rows->edit();
    m_rows->setText(QStringLiteral("texte"), line.ticked ? QString() : Tick);
    if (!m_rows->post()) {
        m_rows->cancel();
        Prompt::databaseError(this, m_rows->lastError());
        return;
    }
    line.ticked = !line.ticked;
}

void TForm_chaobiao::importReadings()
{
    const auto ticked =
        std::count_if(m_preview.lines.cbegin(), m_preview.lines.cend(), [](const ReadingLine &l) { return l.ticked; });
    if (ticked == 0) {
        Prompt::notice(this, QStringLiteral("没有勾选要导入的抄表数据！"));
        return;
    }
    bool generate = false;
    if (const int houses = m_preview.housesToGenerate(); houses > 0) {
        generate = Prompt::ask(this,
                               QStringLiteral("有 %1 户%2的应缴费用尚未生成。\n要先生成这些房屋的应缴费用再导入读数吗？"
                                              "\n（选“否”则跳过这些房屋的读数）")
                                   .arg(houses)
                                   .arg(m_month.caption()));
    }
    if (!Prompt::ask(this,
                     QStringLiteral("要把勾选的 %1 条读数写入%2的应缴费用并计算吗？\n已经缴费的项目不会改变。")
                         .arg(ticked)
                         .arg(m_month.caption()))) {
        return;
    }
    ReadingImport::Outcome out;
    QString error;
    if (!ReadingImport::write(db(), m_preview.lines, m_month, generate, &out, &error)) {
        Prompt::databaseError(this, error);
        return;
    }
    m_wrote = m_wrote || out.written > 0 || out.housesGenerated > 0;
    Prompt::detailedNotice(this, out.summary(), (out.skippedTexts() + out.doubtful).join(u'\n'),
                           Prompt::Icon::Information);
    // The preview as the bills are now: the lines written show their new amounts.
    refreshPreview();
}
