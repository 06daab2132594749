#include "masterdata/house_zhuangtai.h"

#include "components/common/prompt.h"
#include "listwindow/listparts.h"
#include "masterdata/core/housestatus.h"
#include "data/dm1.h"

#include <QToolButton>

namespace {
ListWindowDesign statusDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_house_zhuangtai");
    s.caption = QStringLiteral("房屋状态表");
    s.titleBand = QStringLiteral("房屋状态表");
    s.printTitle = QStringLiteral("房屋状态表打印清单");
    s.exportName = QStringLiteral("房屋状态表");
    s.hideFloor = 8;
    s.buttons = 0;
    s.fitInitially = true;
    C occupied = C::of(QStringLiteral("textb"), QStringLiteral("入      住"), 120).sortButton().withFooter(F::Value);
    occupied.alignment = centred;
    C vacant = C::of(QStringLiteral("textc"), QStringLiteral("空      置"), 120).sortButton().withFooter(F::Value);
    vacant.alignment = centred;
    s.columns = {
        C::of(QStringLiteral("texta"), QStringLiteral("房屋代码"), 140)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("textd"), QStringLiteral("业主名称"), 150).sortButton(),
        C::of(QStringLiteral("texte"), QStringLiteral("联系电话"), 150).sortButton(),
        occupied,
        vacant,
        C::of(QString(), QString(), 80),
    };
    return s;
}
}

TForm_house_zhuangtai::TForm_house_zhuangtai(QWidget *parent)
    : ListWindow(Dm1::instance()->q_tongyong, statusDesign(), parent)
{
    connect(addButton(QStringLiteral("SpeedButton1"), QStringLiteral("统计"), QStringLiteral("统"), ButtonBar::Choose,
                      QStringLiteral("bitbtn_out")),
            &QToolButton::clicked, this, &TForm_house_zhuangtai::count);
    // The design keeps a "删除" that does nothing; it is never shown.
    addButton(QStringLiteral("bitbtn_delete"), QStringLiteral("删除"), QStringLiteral("删"), ButtonBar::Delete,
              QStringLiteral("SpeedButton1"))
        ->hide();
}

void TForm_house_zhuangtai::prepare(Preparation &p)
{
    p.scratch();
}

void TForm_house_zhuangtai::count()
{
    DataSet *q = dataSet();
    q->close();
    HouseStatus::Counts counts;
    QString error;
    const bool filled = HouseStatus::fill(dm(), &counts, &error);
    if (!q->openOn({QStringLiteral("select * from "), QStringLiteral("通用"),
                    QStringLiteral(" order by ") + Dm1::orderTerm(QStringLiteral("texta"))})) {
        error = q->lastError();
    }
    if (!filled || !q->isOpen()) {
        Prompt::databaseError(this, error);
        return;
    }
    grid()->setFooterValue(QStringLiteral("textb"), QString::number(counts.occupied));
    grid()->setFooterValue(QStringLiteral("textc"), QString::number(counts.vacant));
    q->first();
}
