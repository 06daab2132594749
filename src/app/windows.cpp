#include "admin/arrange.h"
#include "admin/backup.h"
#include "admin/enter.h"
#include "admin/gsxx_edit.h"
#include "admin/initialize.h"
#include "admin/password.h"
#include "admin/qxb.h"
#include "admin/restore.h"
#include "app/about.h"
#include "app/windowregistry.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeidan_quanbu.h"
#include "billing/jiaofeiguanli.h"
#include "billing/jiaofeimingxi.h"
#include "billing/shoufeimingxibiao.h"
#include "billing/yajin.h"
#include "masterdata/guestinfo.h"
#include "masterdata/house_zhuangtai.h"
#include "masterdata/houseinfo.h"
#include "masterdata/houseitem.h"
#include "masterdata/houselease.h"
#include "masterdata/iteminfo.h"
#include "masterdata/storeyinfo.h"

// Every window the menus and toolbar open. When a window is built, add its line here and take
// its name out of planned().
void WindowRegistry::registerAll()
{
    add<Tform_About>();
    add<TForm_arrange>();
    add<TForm_backup>();
    add<TForm_Enter>();
    add<TForm_gsxx_edit>();
    add<TForm_guestinfo>();
    add<TForm_house_zhuangtai>();
    add<TForm_houseinfo>();
    add<TForm_houseitem>();
    add<TForm_houselease>();
    add<TForm_initialize>();
    add<TForm_iteminfo>();
    add<TForm_jiaofeidan>();
    add<TForm_jiaofeidan_quanbu>();
    add<TForm_jiaofeiguanli>();
    add<TForm_jiaofeimingxi>();
    add<TForm_password>();
    add<TForm_qxb>();
    add<TForm_restore>();
    add<TForm_shoufeimingxibiao>();
    add<TForm_storeyinfo>();
    add<TForm_yajin>();
}

const QStringList &WindowRegistry::planned()
{
    static const QStringList names = {
        QStringLiteral("TForm_statistics_arrear"),
        QStringLiteral("TForm_statistics_item"),
        QStringLiteral("TForm_statistics_money"),
        QStringLiteral("TForm_statistics_quankuang"),
        QStringLiteral("TForm_statistics_weijiao"),
        QStringLiteral("TForm_statistics_yijiao"),
        QStringLiteral("TForm_txcsb"),
        QStringLiteral("TForm_txgn"),
        QStringLiteral("TForm_yajin_mingxi"),
        QStringLiteral("TForm_yajin_sum"),
    };
    return names;
}
