#include "listwindow/formulapages.h"

#include "components/common/prompt.h"
#include "components/dbctrls/dbcontrol.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/dbnumberedit.h"
#include "data/formulas.h"
#include "data/dataset.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {
using P = FormulaPart;

// Delphi's clSkyBlue, the colour of the amount a formula gives.
const QString SkyBlue = QStringLiteral("background-color: rgb(166, 202, 240);");

// "元/平方米     面积：" names its editor "面积"; ") = 金额：" names it "金额".
QString lastWord(const QString &caption)
{
    QString s = caption;
    s.remove(QStringLiteral("："));
    const QStringList words = s.split(QRegularExpression(QStringLiteral("[\\s()=\\-]+")), Qt::SkipEmptyParts);
    return words.isEmpty() ? QString() : words.constLast();
}

QWidget *makeEditor(const QString &field, QWidget *parent)
{
    QWidget *w = nullptr;
    switch (Schema::kindOf(field)) {
    case FieldKind::Money:
        w = new DBMoneyEdit(parent);
        break;
    case FieldKind::Number: {
        // Readings and quantities: four decimals, as far as they count when taken as money.
        auto *n = new DBNumberEditEh(parent);
        n->setDecimals(4);
        w = n;
        break;
    }
    default:
        w = new DBEdit(parent);
        break;
    }
    w->setFixedWidth(100);
    return w;
}
}

namespace {
// The five pages over a row's price, multiplier and amount fields. The meter page shows the two
// readings bound to their fields, or, where the row keeps none, as two disabled boxes.
FormulaPagesDesign fivePages(const QString &price, const QString &quantity, const QString &amount,
                             const QString &thisReading, const QString &lastReading)
{
    const auto reading = [](const QString &field, const char *box) {
        return field.isEmpty() ? P::unbound(QString::fromLatin1(box)) : P::field(field);
    };
    const P unit = P::caption(QStringLiteral("元"));
    FormulaPagesDesign d;
    d.pages = {
        {Formula::ByArea,
         QStringLiteral("TabSheet1"),
         {P::caption(QStringLiteral("单价：")), P::field(price), P::caption(QStringLiteral("元/平方米     面积：")),
          P::field(quantity), P::caption(QStringLiteral("平方米    金额：")), P::field(amount).onSkyBlue(), unit}},
        {Formula::ByMeter,
         QStringLiteral("TabSheet2"),
         {P::caption(QStringLiteral("单价：")), P::field(price), P::caption(QStringLiteral("元/单位  (本月表数：")),
          reading(thisReading, "Edit4"), P::caption(QStringLiteral("-上月表数：")), reading(lastReading, "Edit5"),
          P::caption(QStringLiteral(") = 金额：")), P::field(amount).onSkyBlue(), unit}},
        {Formula::Direct,
         QStringLiteral("TabSheet3"),
         {P::caption(QStringLiteral("金额：")), P::field(price), P::caption(QStringLiteral("= 应缴费用：")),
          P::field(amount).onSkyBlue(), unit}},
        {Formula::ByQuantity,
         QStringLiteral("TabSheet4"),
         {P::caption(QStringLiteral("单价：")), P::field(price), P::caption(QStringLiteral("元/单位     数量：")),
          P::field(quantity), P::caption(QStringLiteral("= 应缴费用：")), P::field(amount).onSkyBlue(), unit}},
        {Formula::ByRatio,
         QStringLiteral("TabSheet5"),
         {P::caption(QStringLiteral("比例：")), P::field(price), P::caption(QStringLiteral("金额：")),
          P::field(quantity), P::caption(QStringLiteral("应缴费用：")), P::field(amount).onSkyBlue(), unit}},
    };
    return d;
}
}

FormulaPagesDesign FormulaPagesDesign::houseItems()
{
    return fivePages(QStringLiteral("单价"), QStringLiteral("预付金额"), QStringLiteral("金额"), {}, {});
}

FormulaPagesDesign FormulaPagesDesign::billLines()
{
    return fivePages(QStringLiteral("单价"), QStringLiteral("面积/数量"), QStringLiteral("收费金额"),
                     QStringLiteral("本月表数"), QStringLiteral("上月表数"));
}

FormulaPages::FormulaPages(const FormulaPagesDesign &design, QWidget *parent)
    : QTabWidget(parent)
    , m_design(design)
{
    setObjectName(QStringLiteral("PageControl1"));
    setAccessibleName(QStringLiteral("计算公式"));
    for (const FormulaPage &page : std::as_const(m_design.pages)) {
        addTab(buildPage(page), page.formula);
    }
    connect(this, &QTabWidget::currentChanged, this, &FormulaPages::pickedByHand);
}

QWidget *FormulaPages::buildPage(const FormulaPage &page)
{
    auto *w = new QWidget(this);
    w->setObjectName(page.objectName);
    w->setAccessibleName(page.formula);
    auto *column = new QVBoxLayout(w);
    column->setContentsMargins(10, 8, 10, 8);
    column->setSpacing(8);

    auto *nameRow = new QHBoxLayout;
    auto *name = new QLineEdit(w);
    name->setObjectName(page.objectName + QStringLiteral("_name"));
    name->setReadOnly(true);
    name->setFixedWidth(200);
    name->setAccessibleName(lastWord(m_design.nameLabel));
    auto *nameLabel = new QLabel(m_design.nameLabel, w);
    nameLabel->setBuddy(name);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(name);
    nameRow->addStretch(1);
    column->addLayout(nameRow);
    m_nameBoxes << name;

    auto *line = new QHBoxLayout;
    line->setSpacing(4);
    QLabel *lastCaption = nullptr;
    for (const FormulaPart &part : page.parts) {
        if (part.kind == FormulaPart::Kind::Caption) {
            lastCaption = new QLabel(part.text, w);
            line->addWidget(lastCaption);
            continue;
        }
        QWidget *editor = nullptr;
        if (part.kind == FormulaPart::Kind::Unbound) {
            auto *box = new QLineEdit(w);
            box->setEnabled(false);
            box->setFixedWidth(100);
            editor = box;
        } else {
            editor = makeEditor(part.text, w);
            if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
                // Leaving the editor takes its value into the row, as a data-aware editor does;
                // the row is written when the data set moves on or is saved. What cannot be
                // taken is refused there, and stays as typed.
                connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
                    DBControl *c = DBControl::of(edit);
                    if (c && c->dataSet() && c->isModified() && !c->commit()) {
                        Prompt::notice(this, c->refusal());
                        edit->setFocus();
                    }
                });
            }
        }
        editor->setObjectName(part.objectName.isEmpty() ? page.objectName + QLatin1Char('_') + part.text
                                                        : part.objectName);
        const QString accessible = !part.accessibleName.isEmpty()
            ? part.accessibleName
            : (lastCaption ? lastWord(lastCaption->text()) : part.text);
        editor->setAccessibleName(accessible.isEmpty() ? part.text : accessible);
        if (part.amount) {
            editor->setStyleSheet(SkyBlue);
        }
        if (lastCaption) {
            lastCaption->setBuddy(editor);
        }
        line->addWidget(editor);
        lastCaption = nullptr;
    }
    line->addStretch(1);
    column->addLayout(line);
    column->addStretch(1);
    return w;
}

void FormulaPages::setDataSet(DataSet *dataSet)
{
    if (m_dataSet) {
        disconnect(m_dataSet, nullptr, this, nullptr);
    }
    m_dataSet = dataSet;
    for (int p = 0; p < m_design.pages.size(); ++p) {
        const FormulaPage &page = m_design.pages[p];
        for (const FormulaPart &part : page.parts) {
            if (part.kind != FormulaPart::Kind::Field) {
                continue;
            }
            QWidget *w = editor(page.formula, part.text);
            if (DBControl *c = DBControl::of(w)) {
                c->bind(dataSet, part.text);
                c->setFollowState(false);
            }
        }
    }
    if (dataSet) {
        connect(dataSet, &DataSet::currentChanged, this, &FormulaPages::followRow);
        connect(dataSet, &DataSet::closed, this, &FormulaPages::followRow);
        connect(dataSet, &DataSet::rowChanged, this, [this](int row) {
            if (m_dataSet && row == m_dataSet->currentRow() && !m_dataSet->isEditing()) {
                followRow();
            }
        });
    }
    followRow();
}

QWidget *FormulaPages::editor(const QString &formula, const QString &field) const
{
    for (int p = 0; p < m_design.pages.size(); ++p) {
        const FormulaPage &page = m_design.pages[p];
        if (page.formula != formula) {
            continue;
        }
        for (const FormulaPart &part : page.parts) {
            if (part.kind == FormulaPart::Kind::Field && part.text == field) {
                const QString name =
                    part.objectName.isEmpty() ? page.objectName + QLatin1Char('_') + part.text : part.objectName;
                return widget(p)->findChild<QWidget *>(name);
            }
        }
    }
    return nullptr;
}

QString FormulaPages::currentFormula() const
{
    return m_design.pages.value(currentIndex()).formula;
}

void FormulaPages::showName()
{
    const bool hasRow = m_dataSet && m_dataSet->isOpen() && m_dataSet->currentRow() >= 0;
    const QString name = hasRow ? m_dataSet->text(m_design.nameField) : QString();
    for (QLineEdit *box : std::as_const(m_nameBoxes)) {
        box->setText(name);
        box->setCursorPosition(0);
    }
}

void FormulaPages::setRowLock(std::function<bool(const DataSet &)> locked)
{
    m_locked = std::move(locked);
    followRow();
}

bool FormulaPages::isRowLocked() const
{
    const bool hasRow = m_dataSet && m_dataSet->isOpen() && m_dataSet->currentRow() >= 0;
    return hasRow && m_locked && m_locked(*m_dataSet);
}

void FormulaPages::followRow()
{
    showName();
    const bool hasRow = m_dataSet && m_dataSet->isOpen() && m_dataSet->currentRow() >= 0;
    setEnabled(hasRow);
    if (m_locked) {
        const bool locked = isRowLocked();
        for (DBControl *c : DBControl::all(this)) {
            if (auto *edit = qobject_cast<QLineEdit *>(c->widget())) {
                edit->setReadOnly(locked);
            }
        }
    }
    if (!hasRow) {
        return;
    }
    const QString formula = m_dataSet->text(QStringLiteral("计算公式"));
    for (int p = 0; p < m_design.pages.size(); ++p) {
        if (m_design.pages[p].formula == formula) {
            m_following = true;
            setCurrentIndex(p);
            m_following = false;
            return;
        }
    }
}

void FormulaPages::pickedByHand()
{
    if (!m_following) {
        followRow();
    }
}

bool FormulaPages::commit()
{
    QWidget *page = currentWidget();
    return !page || DBControl::commitAllOrRefuse(page);
}

bool FormulaPages::isModified() const
{
    QWidget *page = currentWidget();
    return page && DBControl::anyModified(page);
}
