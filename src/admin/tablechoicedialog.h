#pragma once

#include "components/common/fixeddialog.h"
#include "components/common/preparation.h"

#include <QList>
#include <QStringList>

class Dm1;
class QCheckBox;
class QLabel;
class QPushButton;

// The frame shared by initialisation and tidying: two lines of guidance, one check box per
// table in the fixed order, "全选", "不选", "确定" (ask, run, close) and "取消" (the default).
class TableChoiceDialog : public FixedDialog, public PreparedWindow
{
    Q_OBJECT
public:
    // Needs nothing prepared: it reads its tables when "确定" is pressed.
    void prepare(Preparation &) override { }

    // The tables whose boxes are ticked, in the fixed order.
    QStringList chosenTables() const;

    QLabel *Label1;
    QLabel *Label2;
    QList<QCheckBox *> checkBoxes; // CheckBox1 .. CheckBox8
    QPushButton *BitBtn1; // 全选
    QPushButton *BitBtn2; // 不选
    QPushButton *BitBtn3; // 确定
    QPushButton *BitBtn4; // 取消

protected:
    struct Texts
    {
        QString caption;
        QString guidance;
        QString detail;
        QString question;
        QString done;
    };
    using Action = bool (*)(Dm1 *dm, const QStringList &tables, QString *error);

    TableChoiceDialog(const Texts &texts, Action action, QWidget *parent);

private:
    void tickAll(bool ticked);
    void confirm();

    Texts m_texts;
    Action m_action;
};
