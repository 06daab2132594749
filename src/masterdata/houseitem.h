#pragma once

#include "listwindow/housedetailwindow.h"
#include "data/money.h"

#include <optional>

class FormulaPages;

// The fee items of each house: the houses on the left, the selected house's items on the
// right under the formula page of the current item.
class TForm_houseitem : public HouseDetailWindow
{
    Q_OBJECT
public:
    explicit TForm_houseitem(QWidget *parent = nullptr);

    FormulaPages *pages() const { return m_pages; }

public slots:
    // "新增项目": every fee item still charged that the house does not carry yet.
    void addItems();
    // "保存": the current item with its 预付金额 rule and amount, stamped.
    void saveItem();
    // "计算": the amount of every item of the house, in one transaction.
    void computeItems();
    // "删除项目": the current item, after the question.
    void deleteItem();

protected:
    QStringList detailLines(QVariantList *values) const override;

private:
    // Takes the page's editors into the current item; false, with the field focused, when one
    // holds no number.
    bool takeEditors();
    // 金额 of the current item for this multiplier; nothing, with the reason, when its price is
    // no amount.
    std::optional<Money> amountOf(Money quantity, QString *error) const;

    FormulaPages *m_pages;
};
