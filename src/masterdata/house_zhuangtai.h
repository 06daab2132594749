#pragma once

#include "listwindow/listwindow.h"

// The house status table: every house marked occupied or vacant, with the occupant of the
// occupied ones and the two counts in the footer, built on demand into 通用.
class TForm_house_zhuangtai : public ListWindow
{
    Q_OBJECT
public:
    explicit TForm_house_zhuangtai(QWidget *parent = nullptr);

    // 通用 emptied and q_tongyong opened on it, so the window opens with an empty list; closed
    // after the window.
    void prepare(Preparation &p) override;

public slots:
    // "统计": the rows and the two counts.
    void count();
};
