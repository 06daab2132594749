#pragma once

#include "components/common/fixeddialog.h"

#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
namespace JetImport {
struct Result;
}

// "导入报告": what an import of old data read, imported and refused, as written to the report
// file in the home; it can be printed.
class TForm_mdbreport : public FixedDialog
{
    Q_OBJECT
public:
    TForm_mdbreport(const JetImport::Result &result, QWidget *parent = nullptr);

    QLabel *Label1; // the outcome
    QLabel *Label2; // where the report file is
    QPlainTextEdit *Memo1;
    QPushButton *BitBtn1; // 打印
    QPushButton *BitBtn2; // 返回

private:
    void print();
};
