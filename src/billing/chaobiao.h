#pragma once

#include "billing/core/readingimport.h"
#include "listwindow/windowframe.h"

class DataSet;
class QComboBox;
class QGridLayout;
class QLabel;

// "导入抄表": the month's meter readings from the meter reader's spreadsheet, opened from
// "业主应缴费用管理" for the month chosen there. "打开文件" reads an .xlsx or .csv file; a
// drop-down a column says what the column holds (房屋代码, a meter item, or nothing), guessed
// from the titles and remembered for files with the same titles. The preview shows one row a
// reading with its state; problems start unticked, and a double click (or "勾选") ticks or
// unticks the current row. "导入" writes the ticked readings and prices their houses as "计算"
// does, then says what was written and skipped. "导出" and "打印" work on the preview.
class TForm_chaobiao : public WindowFrame
{
    Q_OBJECT
public:
    TForm_chaobiao(BillMonth month, QWidget *parent = nullptr);
    ~TForm_chaobiao() override;
    void prepare(Preparation &p) override;

    // Reads the file and shows its preview; false (after the message) when it cannot be read.
    bool openFile(const QString &path);
    const ReadingPreview &preview() const { return m_preview; }
    QComboBox *columnChoice(int column) const;
    // Whether anything was written since the window opened.
    bool wroteAny() const { return m_wrote; }

public slots:
    // "打开文件": the file dialog, then openFile().
    void chooseFile();
    // "勾选": the current row's tick turned over.
    void toggleTick();
    // "导入": the ticked readings written, after the questions.
    void importReadings();

protected:
    bool hasOutput() const override;

private:
    void buildColumnChoices();
    ReadingLayout chosenLayout() const;
    void layoutChosen();
    // The preview computed again from the file and the chosen layout, and shown.
    void refreshPreview();
    QString columnsFile() const;

    BillMonth m_month;
    QStringList m_meterItems;
    QList<SheetRow> m_sheet;
    QStringList m_titles;
    ReadingPreview m_preview;
    DataSet *m_rows = nullptr;
    DBGridEh *m_grid = nullptr;
    QLabel *m_file = nullptr;
    QWidget *m_columnPanel = nullptr;
    QGridLayout *m_columnGrid = nullptr;
    QList<QComboBox *> m_choices;
    bool m_wrote = false;
};
