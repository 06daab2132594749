#include "admin/arrange.h"
#include "admin/backup.h"
#include "admin/enter.h"
#include "admin/gsxx_edit.h"
#include "admin/importmdb.h"
#include "admin/initialize.h"
#include "admin/migrate.h"
#include "admin/password.h"
#include "admin/qxb.h"
#include "admin/restore.h"
#include "admin/txcsb.h"
#include "admin/txgn.h"
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
#include "reports/duizhangdan.h"
#include "reports/qianfei_zhangling.h"
#include "reports/statistics_arrear.h"
#include "reports/statistics_item.h"
#include "reports/statistics_money.h"
#include "reports/statistics_quankuang.h"
#include "reports/statistics_shoufeilv.h"
#include "reports/statistics_weijiao.h"
#include "reports/statistics_yijiao.h"
#include "reports/yajin_mingxi.h"
#include "reports/yajin_sum.h"

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
    add<TForm_importmdb>();
    add<TForm_houseinfo>();
    add<TForm_houseitem>();
    add<TForm_migrate>();
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
    add<TForm_statistics_arrear>();
    add<TForm_statistics_item>();
    add<TForm_statistics_money>();
    add<TForm_statistics_quankuang>();
    add<TForm_statistics_shoufeilv>();
    add<TForm_statistics_weijiao>();
    add<TForm_statistics_yijiao>();
    add<TForm_storeyinfo>();
    add<TForm_txcsb>();
    add<TForm_txgn>();
    add<TForm_yajin>();
    add<TForm_yajin_mingxi>();
    add<TForm_yajin_sum>();
    add<TForm_duizhangdan>();
    add<TForm_qianfei_zhangling>();
}

const QStringList &WindowRegistry::planned()
{
    // Every window of the menus is built.
    static const QStringList names;
    return names;
}
