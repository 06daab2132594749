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
#include "masterdata/house_zhuangtai.h"
#include "masterdata/houseitem.h"
#include "masterdata/storeyinfo.h"

// Every window the menus and toolbar open. Add a line here when a window is built.
void WindowRegistry::registerAll()
{
    add(QStringLiteral("Tform_About"), [](QWidget *parent) { return new Tform_About(parent); });
    add(QStringLiteral("TForm_arrange"), [](QWidget *parent) { return new TForm_arrange(parent); });
    add(QStringLiteral("TForm_backup"), [](QWidget *parent) { return new TForm_backup(parent); });
    add(QStringLiteral("TForm_Enter"), [](QWidget *parent) { return new TForm_Enter(parent); });
    add(QStringLiteral("TForm_house_zhuangtai"), [](QWidget *parent) { return new TForm_house_zhuangtai(parent); });
    add(QStringLiteral("TForm_houseitem"), [](QWidget *parent) { return new TForm_houseitem(parent); });
    add(QStringLiteral("TForm_gsxx_edit"), [](QWidget *parent) { return new TForm_gsxx_edit(parent); });
    add(QStringLiteral("TForm_initialize"), [](QWidget *parent) { return new TForm_initialize(parent); });
    add(QStringLiteral("TForm_password"), [](QWidget *parent) { return new TForm_password(parent); });
    add(QStringLiteral("TForm_qxb"), [](QWidget *parent) { return new TForm_qxb(parent); });
    add(QStringLiteral("TForm_restore"), [](QWidget *parent) { return new TForm_restore(parent); });
    add(QStringLiteral("TForm_storeyinfo"), [](QWidget *parent) { return new TForm_storeyinfo(parent); });
}
