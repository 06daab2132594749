#include "admin/arrange.h"
#include "admin/backup.h"
#include "admin/enter.h"
#include "admin/gsxx_edit.h"
#include "admin/initialize.h"
#include "admin/password.h"
#include "admin/qxb.h"
#include "admin/restore.h"
#include "admin/txcsb.h"
#include "admin/txgn.h"
#include "app/about.h"
#include "app/windowregistry.h"
#include "masterdata/storeyinfo.h"
#include "reports/statistics_arrear.h"
#include "reports/statistics_item.h"
#include "reports/statistics_money.h"
#include "reports/statistics_quankuang.h"
#include "reports/statistics_weijiao.h"
#include "reports/statistics_yijiao.h"
#include "reports/yajin_mingxi.h"
#include "reports/yajin_sum.h"

// Every window the menus and toolbar open. Add a line here when a window is built.
void WindowRegistry::registerAll()
{
    add(QStringLiteral("Tform_About"), [](QWidget *parent) { return new Tform_About(parent); });
    add(QStringLiteral("TForm_arrange"), [](QWidget *parent) { return new TForm_arrange(parent); });
    add(QStringLiteral("TForm_backup"), [](QWidget *parent) { return new TForm_backup(parent); });
    add(QStringLiteral("TForm_Enter"), [](QWidget *parent) { return new TForm_Enter(parent); });
    add(QStringLiteral("TForm_gsxx_edit"), [](QWidget *parent) { return new TForm_gsxx_edit(parent); });
    add(QStringLiteral("TForm_initialize"), [](QWidget *parent) { return new TForm_initialize(parent); });
    add(QStringLiteral("TForm_password"), [](QWidget *parent) { return new TForm_password(parent); });
    add(QStringLiteral("TForm_qxb"), [](QWidget *parent) { return new TForm_qxb(parent); });
    add(QStringLiteral("TForm_restore"), [](QWidget *parent) { return new TForm_restore(parent); });
    add(QStringLiteral("TForm_storeyinfo"), [](QWidget *parent) { return new TForm_storeyinfo(parent); });
    add(QStringLiteral("TForm_txgn"), [](QWidget *parent) { return new TForm_txgn(parent); });
    add(QStringLiteral("TForm_txcsb"), [](QWidget *parent) { return new TForm_txcsb(parent); });
    add(QStringLiteral("TForm_statistics_arrear"), [](QWidget *parent) { return new TForm_statistics_arrear(parent); });
    add(QStringLiteral("TForm_statistics_money"), [](QWidget *parent) { return new TForm_statistics_money(parent); });
    add(QStringLiteral("TForm_statistics_item"), [](QWidget *parent) { return new TForm_statistics_item(parent); });
    add(QStringLiteral("TForm_statistics_quankuang"),
        [](QWidget *parent) { return new TForm_statistics_quankuang(parent); });
    add(QStringLiteral("TForm_statistics_yijiao"), [](QWidget *parent) { return new TForm_statistics_yijiao(parent); });
    add(QStringLiteral("TForm_statistics_weijiao"),
        [](QWidget *parent) { return new TForm_statistics_weijiao(parent); });
    add(QStringLiteral("TForm_yajin_mingxi"), [](QWidget *parent) { return new TForm_yajin_mingxi(parent); });
    add(QStringLiteral("TForm_yajin_sum"), [](QWidget *parent) { return new TForm_yajin_sum(parent); });
}
