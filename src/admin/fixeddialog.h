#pragma once

#include <QDialog>

// A modal dialog of fixed size with only a close box, centred on the screen when shown: the
// frame of the maintenance windows.
class FixedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FixedDialog(QWidget *parent = nullptr);

protected:
    // Fixes the size to what the layout needs; call once the controls are in place.
    void fixSize();
    void showEvent(QShowEvent *event) override;
};
