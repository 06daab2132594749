#include "components/common/prompt.h"

#include "data/refusal.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QTreeView>

namespace {

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Information:
        return QMessageBox::Information;
    case Prompt::Icon::Question:
        return QMessageBox::Question;
    case Prompt::Icon::Critical:
        return QMessageBox::Critical;
    default:
        return QMessageBox::Warning;
    }
}

// The size and date columns of the file dialogs in the program's own (Chinese) locale: Qt's file
// model writes them in the system's, which is English on a system set up in English.
class FileColumnsInLocale : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        auto *files = qobject_cast<QFileSystemModel *>(sourceModel());
        if (files && role == Qt::DisplayRole) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 3) {
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
            }
            if (index.column() == 1 && !files->isDir(source)) {
                return QLocale().formattedDataSize(files->size(source));
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};

// Qt's own dialog (the same on every desktop), showing its columns the Chinese way.
void prepare(QFileDialog &dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setProxyModel(new FileColumnsInLocale(&dialog));
    // Wide enough for a file name, its size, type and the whole date of its last change.
    dialog.resize(qMax(dialog.width(), 820), qMax(dialog.height(), 480));
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        for (int column = 1; column <= 3; ++column) {
            details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
}

class DialogHandler : public Prompt::Handler
{
public:
    void message(QWidget *parent, const QString &text, const QString &caption, Prompt::Icon icon) override
    {
        QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, parent);
        box.exec();
    }

    void detailedMessage(QWidget *parent, const QString &text, const QString &detail, const QString &caption,
                         Prompt::Icon icon) override
    {
        QMessageBox box(boxIcon(icon), caption, text, QMessageBox::Ok, parent);
        box.setDetailedText(detail);
        box.exec();
    }

    bool question(QWidget *parent, const QString &text, const QString &caption) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    QString saveFile(QWidget *parent, const QString &caption, const QString &fileName, const QStringList &filters,
                     int *filterIndex, const QString &defaultSuffix) override
    {
        QFileDialog dlg(parent, caption);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        prepare(dlg);
        if (!filters.isEmpty()) {
            dlg.setNameFilters(filters);
            const int i = filterIndex ? *filterIndex : 1;
            if (i >= 1 && i <= filters.size()) {
                dlg.selectNameFilter(filters[i - 1]);
            }
        }
        if (!defaultSuffix.isEmpty()) {
            dlg.setDefaultSuffix(defaultSuffix);
        }
        dlg.selectFile(fileName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
            return {};
        }
        if (filterIndex && !filters.isEmpty()) {
            *filterIndex = int(filters.indexOf(dlg.selectedNameFilter())) + 1;
        }
        return dlg.selectedFiles().constFirst();
    }

    QString openFile(QWidget *parent, const QString &caption, const QString &dir, const QStringList &filters) override
    {
        QFileDialog dlg(parent, caption, dir);
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
        prepare(dlg);
        if (!filters.isEmpty()) {
            dlg.setNameFilters(filters);
        }
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) {
            return {};
        }
        return dlg.selectedFiles().constFirst();
    }
};

class DialogProgress : public Prompt::Progress
{
public:
    DialogProgress(QWidget *parent, const QString &text, int total)
        : m_dialog(text, QStringLiteral("取消"), 0, qMax(total, 1), parent)
    {
        m_dialog.setWindowTitle(QStringLiteral("请稍候"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }
    bool update(int done) override
    {
        // setValue lets the dialog repaint and take the click on "取消".
        m_dialog.setValue(qMin(done, m_dialog.maximum()));
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

std::unique_ptr<Prompt::Handler> &current()
{
    static std::unique_ptr<Prompt::Handler> h = std::make_unique<DialogHandler>();
    return h;
}

} // namespace

void Prompt::setHandler(std::unique_ptr<Handler> handler)
{
    current() = handler ? std::move(handler) : std::make_unique<DialogHandler>();
}

Prompt::Handler &Prompt::handler()
{
    return *current();
}

void Prompt::notice(QWidget *parent, const QString &text, Icon icon, const QString &caption)
{
    handler().message(parent, text, caption, icon);
}

bool Prompt::ask(QWidget *parent, const QString &text, const QString &caption)
{
    return handler().question(parent, text, caption);
}

void Prompt::databaseError(QWidget *parent, const QString &reason, const DataSet *row)
{
    const Refusal r = row ? Refusal::of(reason, *row) : Refusal::of(reason);
    detailedNotice(parent, r.message, r.detail);
}

void Prompt::detailedNotice(QWidget *parent, const QString &text, const QString &detail, Icon icon)
{
    if (detail.isEmpty()) {
        notice(parent, text, icon);
    } else {
        handler().detailedMessage(parent, text, detail, QStringLiteral("提示"), icon);
    }
}

QString Prompt::saveFile(QWidget *parent, const QString &caption, const QString &fileName, const QStringList &filters,
                         int *filterIndex, const QString &defaultSuffix)
{
    return handler().saveFile(parent, caption, fileName, filters, filterIndex, defaultSuffix);
}

QString Prompt::openFile(QWidget *parent, const QString &caption, const QString &dir, const QStringList &filters)
{
    return handler().openFile(parent, caption, dir, filters);
}

void Prompt::Handler::printPreview(QWidget *parent, const std::function<void(QPrinter *)> &render)
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(&printer);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&render](QPrinter *p) { render(p); });
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}

void Prompt::setUpPage(QPrinter *printer)
{
    printer->setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
}

void Prompt::printPreview(QWidget *parent, const std::function<void(QPrinter *)> &render)
{
    handler().printPreview(parent, render);
}

void Prompt::Handler::documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &,
                                      const std::function<void(QWidget *)> &showWindow)
{
    showWindow(parent);
}

bool Prompt::Handler::print(QWidget *parent, QPrinter *printer, const std::function<void(QPrinter *)> &render)
{
    QPrintDialog dialog(printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    render(printer);
    return true;
}

void Prompt::documentPreview(QWidget *parent, const std::function<void(QPrinter *)> &render,
                             const std::function<void(QWidget *)> &showWindow)
{
    handler().documentPreview(parent, render, showWindow);
}

bool Prompt::print(QWidget *parent, QPrinter *printer, const std::function<void(QPrinter *)> &render)
{
    return handler().print(parent, printer, render);
}

std::unique_ptr<Prompt::Progress> Prompt::Handler::progress(QWidget *parent, const QString &text, int total)
{
    return std::make_unique<DialogProgress>(parent, text, total);
}

std::unique_ptr<Prompt::Progress> Prompt::progress(QWidget *parent, const QString &text, int total)
{
    return handler().progress(parent, text, total);
}
