#pragma once

#include "components/common/preparation.h"

#include <QDialog>

// "关于本系统": what the program is and which version runs.
class Tform_About : public QDialog, public PreparedWindow
{
    Q_OBJECT
public:
    explicit Tform_About(QWidget *parent = nullptr);
    void prepare(Preparation &) override { }
};
