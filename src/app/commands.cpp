#include "app/commands.h"

using namespace Qt::StringLiterals;

namespace {
QList<Command> table()
{
    using P = Command::MainWindowPart;
    const QString system = u"【系统维护】"_s;
    const QString basic = u"【基本资料】"_s;
    const QString fees = u"【收费管理】"_s;
    const QString help = u"【帮助】"_s;
    // Each window's own preparation lives with its class; a window not built yet keeps its row,
    // so its menu item exists and does nothing (WindowRegistry::planned()).
    return {
        {.menu = system, .item = u"操作员设置"_s, .window = u"TForm_qxb"_s},
        {.menu = system, .item = u"修改操作员口令"_s, .window = u"TForm_password"_s},
        {.menu = system,
         .item = u"更换操作员"_s,
         .window = u"TForm_Enter"_s,
         .mainWindow = P::ShowOperator,
         .separatorAfter = true},
        {.menu = system, .item = u"数据整理"_s, .window = u"TForm_arrange"_s, .hidden = true},
        {.menu = system, .item = u"数据初始化"_s, .window = u"TForm_initialize"_s},
        {.menu = system, .item = u"数据备份"_s, .window = u"TForm_backup"_s},
        {.menu = system, .item = u"数据恢复"_s, .window = u"TForm_restore"_s, .mainWindow = P::Reconnect},
        // The import backs up, replaces and reconnects the database itself; the organisation's
        // scrolling text may be another one after it.
        {.menu = system,
         .item = u"导入旧数据(.mdb)…"_s,
         .window = u"TForm_importmdb"_s,
         .mainWindow = P::ScrollingText},
        // This counter's database moved onto a server; the counter may work there at once.
        {.menu = system,
         .item = u"迁移到服务器"_s,
         .window = u"TForm_migrate"_s,
         .mainWindow = P::Reconnect,
         .separatorAfter = true},
        {.menu = system, .item = u"退出系统"_s, .toolbar = u"退出"_s, .mainWindow = P::Quit},

        {.menu = basic, .item = u"楼宇资料设置"_s, .window = u"TForm_storeyinfo"_s},
        {.menu = basic, .item = u"收费项目设置"_s, .toolbar = u"收费项目"_s, .window = u"TForm_iteminfo"_s},
        {.menu = basic, .item = u"业主资料管理"_s, .toolbar = u"业主资料"_s, .window = u"TForm_guestinfo"_s},
        {.menu = basic, .item = u"房屋资料设置"_s, .toolbar = u"房屋资料"_s, .window = u"TForm_houseinfo"_s},
        {.menu = basic, .item = u"业主迁入迁出管理"_s, .window = u"TForm_houselease"_s, .separatorAfter = true},
        {.menu = basic, .item = u"房屋状态表"_s, .window = u"TForm_house_zhuangtai"_s, .separatorAfter = true},
        {.menu = basic, .item = u"房屋收费项目设置"_s, .window = u"TForm_houseitem"_s, .separatorAfter = true},
        {.menu = basic,
         .item = u"使用单位信息"_s,
         .window = u"TForm_gsxx_edit"_s,
         .mainWindow = P::ScrollingText,
         .separatorAfter = true},
        {.menu = basic, .item = u"到期报警"_s, .toolbar = u"到期报警"_s, .window = u"TForm_txgn"_s},
        {.menu = basic, .item = u"到期报警设置"_s, .window = u"TForm_txcsb"_s},

        {.menu = fees, .item = u"业主应缴费用管理"_s, .toolbar = u"应缴费用"_s, .window = u"TForm_jiaofeidan"_s},
        // The whole estate's lines of a month at once, as "全部生成" in the window above makes them.
        {.menu = fees, .item = u"全部生成应缴费用"_s, .window = u"TForm_jiaofeidan_quanbu"_s},
        {.menu = fees,
         .item = u"业主缴费管理"_s,
         .toolbar = u"缴费管理"_s,
         .window = u"TForm_jiaofeiguanli"_s,
         .separatorAfter = true},
        {.menu = fees, .item = u"实收费用明细表"_s, .window = u"TForm_shoufeimingxibiao"_s},
        {.menu = fees, .item = u"业主缴费明细查询"_s, .window = u"TForm_jiaofeimingxi"_s},
        {.menu = fees, .item = u"业主对账单"_s, .window = u"TForm_duizhangdan"_s, .separatorAfter = true},
        {.menu = fees, .item = u"业主押金管理"_s, .window = u"TForm_yajin"_s},
        {.menu = fees, .item = u"业主押金明细表"_s, .window = u"TForm_yajin_mingxi"_s},
        {.menu = fees, .item = u"业主押金汇总表"_s, .window = u"TForm_yajin_sum"_s, .separatorAfter = true},
        {.menu = fees, .item = u"业主缴费全况表"_s, .window = u"TForm_statistics_quankuang"_s},
        {.menu = fees, .item = u"业主已缴费项目明细表"_s, .window = u"TForm_statistics_yijiao"_s},
        {.menu = fees,
         .item = u"业主未缴费项目明细表"_s,
         .window = u"TForm_statistics_weijiao"_s,
         .separatorAfter = true},
        {.menu = fees, .item = u"业主欠费总表"_s, .window = u"TForm_statistics_arrear"_s},
        {.menu = fees, .item = u"业主欠费账龄表"_s, .window = u"TForm_qianfei_zhangling"_s, .separatorAfter = true},
        {.menu = fees, .item = u"按月份统计缴费总金额"_s, .window = u"TForm_statistics_money"_s},
        {.menu = fees, .item = u"按收费项目统计缴费总金额"_s, .window = u"TForm_statistics_item"_s},
        {.menu = fees, .item = u"收费率统计"_s, .window = u"TForm_statistics_shoufeilv"_s},

        {.menu = help, .item = u"帮助系统"_s, .mainWindow = P::Help, .separatorAfter = true},
        {.menu = help, .item = u"关于......"_s, .window = u"Tform_About"_s},
    };
}
}

const QList<Command> &Commands::all()
{
    static const QList<Command> commands = table();
    return commands;
}

const Command *Commands::find(const QString &item)
{
    for (const Command &c : all()) {
        if (c.item == item) {
            return &c;
        }
    }
    return nullptr;
}
