#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTabWidget>
#include <functional>

class DataSet;
class QLineEdit;

// One piece of a formula page's line, read left to right: a caption, an editor bound to a field
// of the current row, or a box that belongs to no field and stays disabled.
struct FormulaPart
{
    enum class Kind { Caption, Field, Unbound };

    Kind kind = Kind::Caption;
    QString text; // the caption, or the field the editor shows
    QString objectName; // editors: the control's name; empty gives "<page>_<field>"
    QString accessibleName; // editors: empty takes the last word of the caption before it
    bool amount = false; // the amount the formula gives, on sky blue

    static FormulaPart caption(const QString &text)
    {
        FormulaPart p;
        p.text = text;
        return p;
    }
    static FormulaPart field(const QString &field)
    {
        FormulaPart p;
        p.kind = Kind::Field;
        p.text = field;
        return p;
    }
    static FormulaPart unbound(const QString &objectName)
    {
        FormulaPart p;
        p.kind = Kind::Unbound;
        p.objectName = objectName;
        return p;
    }
    FormulaPart &onSkyBlue()
    {
        amount = true;
        return *this;
    }
    FormulaPart &named(const QString &name)
    {
        objectName = name;
        return *this;
    }
};

// One page: its caption is the stored 计算公式 it shows.
struct FormulaPage
{
    QString formula;
    QString objectName; // TabSheet1
    QList<FormulaPart> parts;
};

// The pages of a formula page control. Every page shows the row's name above its line.
struct FormulaPagesDesign
{
    QString nameField = QStringLiteral("收费名称");
    QString nameLabel = QStringLiteral("收费名称：");
    QList<FormulaPage> pages;

    // The fee items of a house: 单价, the multiplier 预付金额 and the amount 金额; the meter
    // page's readings are taken when the bills are made, so its two boxes stay empty.
    static FormulaPagesDesign houseItems();
    // The bill lines of a month: 单价, 本月表数/上月表数, 面积/数量 and the amount 收费金额.
    static FormulaPagesDesign billLines();
};

// The page control with one page per formula over the current row of a data set. It follows
// the row: the page whose caption equals the row's 计算公式 comes to the front (a formula
// outside the five leaves the page as it is), and a page picked by hand snaps back to the row's.
// Its editors are always writable; what is typed reaches the row when the editor is left or
// through commit(), and the data set writes it when it moves to another row.
//
//     auto *pages = new FormulaPages(FormulaPagesDesign::houseItems(), this);
//     pages->setDataSet(items);
//     ...
//     if (!pages->commit()) { /* not a number: it said so */ }
//     items->setMoney("金额", items->money("单价") * items->money("预付金额"));
class FormulaPages : public QTabWidget
{
    Q_OBJECT
public:
    explicit FormulaPages(const FormulaPagesDesign &design, QWidget *parent = nullptr);

    void setDataSet(DataSet *dataSet);
    DataSet *dataSet() const { return m_dataSet; }
    const FormulaPagesDesign &design() const { return m_design; }

    // The page's editor of a field, nullptr when the page has none.
    QWidget *editor(const QString &formula, const QString &field) const;
    // The formula of the page in front.
    QString currentFormula() const;
    // Brings the page of the current row's formula to the front.
    void followRow();
    // Copies the editors of the page in front into the current row (putting it into edit
    // state); when an editor's text is not a value of its field, says why, focuses it and
    // returns false.
    bool commit();
    // Whether an editor of the page in front shows something the row does not hold.
    bool isModified() const;
    // Rows that may not be changed (a paid bill line): while the current row is one, every
    // editor is read-only.
    void setRowLock(std::function<bool(const DataSet &row)> locked);
    bool isRowLocked() const;

private:
    QWidget *buildPage(const FormulaPage &page);
    void showName();
    void pickedByHand();

    FormulaPagesDesign m_design;
    QPointer<DataSet> m_dataSet;
    QList<QLineEdit *> m_nameBoxes;
    bool m_following = false;
    std::function<bool(const DataSet &)> m_locked;
};
