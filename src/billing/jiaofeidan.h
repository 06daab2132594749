#pragma once

#include "billing/core/billmonth.h"
#include "listwindow/housedetailwindow.h"

class FormulaPages;

// "业主应缴费用管理": the bill lines of the chosen month. The houses on the left; on the right the
// selected house's lines of the month under the formula page of the current line, where its
// readings, price and quantity are typed. A house gets its lines with "新增项目" (only while it
// has none in the month), every house at once with "全部生成"; "导入抄表" brings in the meter
// readings of the month from a spreadsheet; "计算" prices the house's
// unpaid lines and "保存" does so and stamps the current line. Paid lines are settled: they are
// shown but neither edited, recomputed nor deleted.
class TForm_jiaofeidan : public HouseDetailWindow
{
    Q_OBJECT
public:
    explicit TForm_jiaofeidan(QWidget *parent = nullptr);

    FormulaPages *pages() const { return m_pages; }
    BillMonth chosenMonth() const;

public slots:
    // "新增项目": the selected house's lines of the chosen month.
    void generateLines();
    // "全部生成": the lines of every house without lines in the chosen month.
    void generateEstate();
    // "导入抄表": the month's readings from the meter reader's spreadsheet (TForm_chaobiao).
    void importReadings();
    // "删除项目": the current line, after the question.
    void deleteLine();
    // "计算": 面积/数量 and 收费金额 of the house's unpaid lines of the month.
    void computeLines();
    // "保存": the computation, and the current line stamped with the operator and the time.
    void saveLine();
    // "取消": the current line's unsaved edits dropped.
    void cancelLine();

protected:
    QStringList detailLines(QVariantList *values) const override;

private:
    // "新增项目" while the house has no line in the month, the red state of the current line.
    void followLines();
    // Writes what was typed on the page into the current line: false (with the reason shown,
    // the field focused or the lines read again) when it cannot be written.
    bool takeEditors();
    // Computes the house's unpaid lines, stamping the current one when asked; false when
    // nothing was computed.
    bool compute(bool stampCurrent);
    // The lines read again, on the line with this id when it is still there.
    void reloadLines(qint64 lineId);
    bool currentIsPaid() const;

    FormulaPages *m_pages;
};
