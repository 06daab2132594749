#include "masterdata/houselease.h"

#include "components/common/prompt.h"
#include "data/dm1.h"
#include "masterdata/choosehouse.h"
#include "masterdata/core/occupancy.h"
#include "masterdata/xzyz.h"

#include <QToolButton>

namespace {
ListWindowDesign leaseDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using E = EntryField::Editor;
    using N = EntryField;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_houselease");
    s.caption = QStringLiteral("业主迁入迁出管理");
    s.titleBand = QStringLiteral("业主迁入迁出管理");
    s.titleHint = QStringLiteral("提示：开始显示的记录是没有迁出的业主！");
    s.printTitle = QStringLiteral("房屋租售管理打印清单");
    s.exportName = QStringLiteral("房屋租售管理");
    s.layoutFile = QStringLiteral("houselease.ini");
    const QString byCode = QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"));
    s.query = {QStringLiteral("select * from 房屋租赁表 where 已经迁出=0"), byCode};
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 8;
    s.columns = {
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 80)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("租售情况"), QStringLiteral("租售情况"), 70).sortButton(),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 100).sortButton().withFooter(F::Count),
        C::of(QStringLiteral("联系电话"), QStringLiteral("联系电话"), 80).sortButton(),
        C::of(QStringLiteral("迁入日期"), QStringLiteral("迁入日期"), 80).sortButton(),
        C::of(QStringLiteral("已经迁入"), QStringLiteral("已经迁入"), 60).sortButton(),
        C::of(QStringLiteral("预计迁出日期"), QStringLiteral("预计迁出日期"), 80).sortButton(),
        C::of(QStringLiteral("实际迁出日期"), QStringLiteral("实际迁出日期"), 80).sortButton(),
        C::of(QStringLiteral("已经迁出"), QStringLiteral("已经迁出"), 60).sortButton(),
        C::of(QStringLiteral("身份证号"), QStringLiteral("身份证号"), 80).sortButton(),
        C::of(QStringLiteral("工作单位"), QStringLiteral("工作单位"), 120).sortButton(),
        C::of(QStringLiteral("操作人员"), QStringLiteral("操作人员"), 70).sortButton(),
        C::of(QStringLiteral("操作日期"), QStringLiteral("操作日期"), 120).sortButton(),
        C::of(QStringLiteral("备注"), QStringLiteral("备注"), 250),
    };
    // The Enter ring runs through the dates and 租售情况 to 备注, where Enter starts a new line;
    // the occupant strip is filled by the choosers only.
    s.entries = {
        N::of(QStringLiteral("DBDateTimeEditEh1"), QStringLiteral("迁入日期"), QStringLiteral("迁入日期："), E::Date),
        N::of(QStringLiteral("DBDateTimeEditEh2"), QStringLiteral("预计迁出日期"), QStringLiteral("预计迁出日期："),
              E::Date),
        N::of(QStringLiteral("DBDateTimeEditEh3"), QStringLiteral("实际迁出日期"), QStringLiteral("实际迁出日期："),
              E::Date),
        N::of(QStringLiteral("DBComboBoxEh1"), QStringLiteral("租售情况"), QStringLiteral("租售情况："), E::Combo)
            .withItems({QStringLiteral("租房"), QStringLiteral("售房")})
            .takesChinese(),
        N::of(QStringLiteral("DBEdit1"), QStringLiteral("备注"), QStringLiteral("备    注："), E::Memo).takesChinese(),
        N::of(QStringLiteral("DBCheckBoxEh2"), QStringLiteral("已经迁入"), QStringLiteral("已经迁入："), E::Check),
        N::of(QStringLiteral("DBCheckBoxEh1"), QStringLiteral("已经迁出"), QStringLiteral("已经迁出："), E::Check),
        N::of(QStringLiteral("DBEdit4"), QStringLiteral("房屋代码"), QStringLiteral("房屋代码："))
            .shownOnly()
            .inGreenStrip(),
        N::of(QStringLiteral("DBEdit2"), QStringLiteral("业主名称"), QStringLiteral("业主名称："))
            .shownOnly()
            .inGreenStrip(),
        N::of(QStringLiteral("DBEdit6"), QStringLiteral("身份证号"), QStringLiteral("身份证号："))
            .shownOnly()
            .inGreenStrip(),
        N::of(QStringLiteral("DBEdit7"), QStringLiteral("联系电话"), QStringLiteral("联系电话："))
            .shownOnly()
            .inGreenStrip(),
    };
    s.entryColumns = 3;
    s.search = {
        {QStringLiteral("Edit1"), QStringLiteral("房屋代码："), QStringLiteral("房屋代码")},
        SearchField {QStringLiteral("Edit2"), QStringLiteral("业主名称："), QStringLiteral("业主名称")}.takesChinese()};
    s.searchSelect = QStringLiteral("select * from 房屋租赁表 ");
    s.searchOrdering = byCode;
    s.searchRing = {QStringLiteral("Edit1"), QStringLiteral("Edit2")};
    return s;
}

Occupancy::Move moveOf(const DataSet *q)
{
    Occupancy::Move m;
    m.houseCode = q->text(QStringLiteral("房屋代码"));
    m.owner = q->text(QStringLiteral("业主名称"));
    m.idNumber = q->text(QStringLiteral("身份证号"));
    m.employer = q->text(QStringLiteral("工作单位"));
    m.address = q->text(QStringLiteral("联系地址"));
    m.phone = q->text(QStringLiteral("联系电话"));
    m.moveIn = q->date(QStringLiteral("迁入日期"));
    m.plannedOut = q->date(QStringLiteral("预计迁出日期"));
    m.movedIn = q->yesNo(QStringLiteral("已经迁入"));
    m.movedOut = q->yesNo(QStringLiteral("已经迁出"));
    m.isNew = q->state() == DataSet::State::Insert;
    return m;
}
}

TForm_houselease::TForm_houselease(QWidget *parent)
    : ListWindow(Dm1::instance()->q_houselease, leaseDesign(), parent)
{
    const QColor choose(0x00, 0x83, 0x8f);
    auto *owner = addButton(QStringLiteral("xzyz"), QStringLiteral("选择业主"), QStringLiteral("业"), choose,
                            QStringLiteral("bitbtn_reset"));
    auto *house = addButton(QStringLiteral("xzhouse"), QStringLiteral("选择房屋"), QStringLiteral("房"), choose,
                            QStringLiteral("bitbtn_reset"));
    connect(owner, &QToolButton::clicked, this, &TForm_houselease::chooseOwner);
    connect(house, &QToolButton::clicked, this, &TForm_houselease::chooseHouse);
    const auto followState = [this, owner, house](DataSet::State state) {
        owner->setEnabled(isEditing());
        house->setEnabled(isEditing());
        if (state == DataSet::State::Insert) {
            // A new record has neither moved in nor out.
            dataSet()->setYesNo(QStringLiteral("已经迁出"), false);
            dataSet()->setYesNo(QStringLiteral("已经迁入"), false);
        }
    };
    connect(dataSet(), &DataSet::stateChanged, this, followState);
    followState(dataSet()->state());
}

void TForm_houselease::chooseOwner()
{
    if (isEditing()) {
        TForm_xzyz::choose(this, QStringLiteral("houselease"), dataSet());
    }
}

void TForm_houselease::chooseHouse()
{
    if (isEditing()) {
        TForm_choosehouse::choose(this, QStringLiteral("houselease"), dataSet());
    }
}

bool TForm_houselease::canEdit()
{
    if (dataSet()->text(QStringLiteral("房屋代码")).isEmpty()) {
        Prompt::notice(this, QStringLiteral("请先增加记录!"));
        return false;
    }
    return true;
}

bool TForm_houselease::validate()
{
    const DataSet *q = dataSet();
    // House and owner come from the choosers: the refusal leaves the focus where it is.
    if (q->text(QStringLiteral("房屋代码")).trimmed().isEmpty()) {
        return refuse(QString(), QStringLiteral("房屋代码不能为空,请重新输入!"));
    }
    if (q->text(QStringLiteral("业主名称")).trimmed().isEmpty()) {
        return refuse(QString(), QStringLiteral("业主名称不能为空,请重新输入!"));
    }
    if (!require(QStringLiteral("迁入日期"), QStringLiteral("迁入日期不能为空,请重新输入!"))) {
        return false;
    }
    const QString deal = q->text(QStringLiteral("租售情况"));
    if (deal != QStringLiteral("租房") && deal != QStringLiteral("售房")) {
        return refuse(QStringLiteral("租售情况"), QStringLiteral("租售情况应该是租房或售房,请重新输入!"));
    }
    if (q->yesNo(QStringLiteral("已经迁出")) && q->isNull(QStringLiteral("实际迁出日期"))) {
        return refuse(QStringLiteral("实际迁出日期"), QStringLiteral("实际迁出日期不能为空,请重新输入!"));
    }
    // A new move-in into a house someone else occupies or has booked is asked about first; a
    // house or owner deleted since it was chosen is chosen again, so that the house register
    // and the owner follow the record.
    const Occupancy::Move move = moveOf(q);
    if (move.isNew && !move.movedOut) {
        QString error;
        const Occupancy::HouseNow now = Occupancy::houseNow(dm(), move.houseCode, &error);
        const bool ownerKnown = error.isEmpty() && Occupancy::ownerExists(dm(), move.owner, &error);
        if (!error.isEmpty()) {
            Prompt::databaseError(this, error);
            return false;
        }
        if (!now.exists) {
            return refuse(QString(), QStringLiteral("房屋资料中已没有房屋%1,请重新选择房屋!").arg(move.houseCode));
        }
        if (!ownerKnown) {
            return refuse(QString(), QStringLiteral("业主资料中已没有业主%1,请重新选择业主!").arg(move.owner));
        }
        if (now.exists && !now.isVacant() && now.owner != move.owner) {
            return Prompt::ask(
                this,
                QStringLiteral("房屋%1目前由%2%3，确定要迁入吗？")
                    .arg(move.houseCode, now.owner.isEmpty() ? QStringLiteral("他人") : now.owner, now.state));
        }
    }
    return true;
}

bool TForm_houselease::writeRow(QString *error)
{
    const Occupancy::Move move = moveOf(dataSet());
    return postWith([this, &move](QString *why) { return Occupancy::apply(dm(), move, why); }, error);
}

bool TForm_houselease::deleteRow(QString *error)
{
    const QString owner = dataSet()->text(QStringLiteral("业主名称"));
    return deleteCurrentWith([this, &owner](QString *why) { return Occupancy::release(dm(), owner, why); }, error);
}
