#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class DataSet;
class QPrinter;
class QWidget;

// Every message box, question and file dialog of the program goes through here, so that a
// test can script the answers and read back what the operator would have seen.
class Prompt
{
public:
    enum class Icon { Information, Warning, Question, Critical };

    // A long run's progress bar with "取消" (a cancel button), shown until it is destroyed.
    class Progress
    {
    public:
        virtual ~Progress() = default;
        // Shows done of the total (and lets the window repaint); false once the operator
        // cancelled.
        virtual bool update(int done) = 0;
    };

    struct Handler
    {
        virtual ~Handler() = default;
        virtual void message(QWidget *parent, const QString &text, const QString &caption, Icon icon) = 0;
        // A message with a detail the operator may open (the database's own words); without a
        // place for it the detail is left out.
        virtual void detailedMessage(QWidget *parent, const QString &text, const QString &detail,
                                     const QString &caption, Icon icon)
        {
            Q_UNUSED(detail);
            message(parent, text, caption, icon);
        }
        // Yes/No with No preselected; true for Yes.
        virtual bool question(QWidget *parent, const QString &text, const QString &caption) = 0;
        // Empty when cancelled. filterIndex is 1-based, in and out.
        virtual QString saveFile(QWidget *parent, const QString &caption, const QString &fileName,
                                 const QStringList &filters, int *filterIndex, const QString &defaultSuffix) = 0;
        virtual QString openFile(QWidget *parent, const QString &caption, const QString &dir,
                                 const QStringList &filters) = 0;
        // The print preview of a list: render draws every page on the printer it is given.
        virtual void printPreview(QWidget *parent, const std::function<void(QPrinter *)> &render);
        // A document with a preview window of its own (the report engine's): showWindow shows
        // it modally. A scripted prompt prints the pages to PDF instead.
        virtual void documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &render,
                                     const std::function<void(QWidget *)> &showWindow);
        // The print dialog on the printer (set up by the caller), then render on it when the
        // operator confirms; false when cancelled.
        virtual bool print(QWidget *parent, QPrinter *printer, const std::function<void(QPrinter *)> &render);
        // A progress dialog over parent, modal to it.
        virtual std::unique_ptr<Progress> progress(QWidget *parent, const QString &text, int total);
    };

    // Notices and refusals: caption "提示", exclamation icon.
    static void notice(QWidget *parent, const QString &text, Icon icon = Icon::Warning,
                       const QString &caption = QStringLiteral("提示"));
    // A notice with a detail the operator may open (the database's own words under a message
    // that tells them in Chinese); an empty detail gives a plain notice.
    static void detailedNotice(QWidget *parent, const QString &text, const QString &detail, Icon icon = Icon::Warning);
    // Questions: caption "请选择", Yes and No, No the default.
    static bool ask(QWidget *parent, const QString &text, const QString &caption = QStringLiteral("请选择"));
    // A write the database refused, told in Chinese ("楼宇名称“翠园1号楼”已经存在！", with
    // the value of row's current row where given); the database's own words as the detail.
    static void databaseError(QWidget *parent, const QString &reason, const DataSet *row = nullptr);
    static QString saveFile(QWidget *parent, const QString &caption, const QString &fileName,
                            const QStringList &filters, int *filterIndex = nullptr, const QString &defaultSuffix = {});
    static QString openFile(QWidget *parent, const QString &caption, const QString &dir = {},
                            const QStringList &filters = {});
    // Page set-up of every printed list: millimetres, 2 mm margins; then the preview.
    static void printPreview(QWidget *parent, const std::function<void(QPrinter *)> &render);
    static void setUpPage(QPrinter *printer);
    static void documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &render,
                                const std::function<void(QWidget *)> &showWindow);
    static bool print(QWidget *parent, QPrinter *printer, const std::function<void(QPrinter *)> &render);
    // The progress of a run through total steps: text above the bar, a "取消" button.
    static std::unique_ptr<Progress> progress(QWidget *parent, const QString &text, int total);

    // Installs another handler (tests); null restores the real dialogs.
    static void setHandler(std::unique_ptr<Handler> handler);
    static Handler &handler();
};
