#include "admin/fixeddialog.h"

#include <QLayout>
#include <QScreen>

FixedDialog::FixedDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setModal(true);
}

void FixedDialog::fixSize()
{
    if (layout()) {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
    }
    setFixedSize(sizeHint());
}

void FixedDialog::showEvent(QShowEvent *event)
{
    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}
