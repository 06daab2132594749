#include "admin/mdbreport.h"

#include "admin/core/jetimport.h"
#include "components/common/prompt.h"

#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
// A fixed-pitch face whose Chinese characters are exactly two columns wide, so the report's
// columns line up.
QFont reportFont()
{
    QFont f(QStringLiteral("WenQuanYi Zen Hei Mono"));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPixelSize(13);
    return f;
}
}

TForm_mdbreport::TForm_mdbreport(const JetImport::Result &result, QWidget *parent)
    : FixedDialog(parent, TitleBar::CloseBox)
{
    setObjectName(QStringLiteral("Form_mdbreport"));
    setWindowTitle(QStringLiteral("导入报告"));

    Label1 = new QLabel(result.report.outcome, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setStyleSheet(result.imported ? QStringLiteral("color: navy; font-weight: bold;")
                                          : QStringLiteral("color: maroon; font-weight: bold;"));
    Label1->setAccessibleName(result.report.outcome);
    Label2 = new QLabel(result.reportFile.isEmpty()
                            ? QStringLiteral("报告没有写入文件。")
                            : QStringLiteral("报告已保存为：%1").arg(QDir::toNativeSeparators(result.reportFile)),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label2->setAccessibleName(Label2->text());

    Memo1 = new QPlainTextEdit(result.report.text(), this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setFont(reportFont());
    Memo1->setFixedSize(780, 460);
    Memo1->setAccessibleName(QStringLiteral("导入报告"));

    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("打印"));
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("返回"));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_mdbreport::print);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Memo1);
    layout->addLayout(buttonRow({BitBtn1, BitBtn2}));
    Label1->setMaximumWidth(780);
    fixSize();
}

void TForm_mdbreport::print()
{
    const QString text = Memo1->toPlainText();
    Prompt::printPreview(this, [text](QPrinter *printer) {
        QTextDocument doc;
        QFont f = reportFont();
        f.setPointSize(9);
        doc.setDefaultFont(f);
        doc.setPlainText(text);
        doc.print(printer);
    });
}
