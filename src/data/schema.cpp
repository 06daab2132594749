#include "data/schema.h"

#include "data/dialect.h"

#include <QHash>

namespace {

using K = FieldKind;

QList<FieldDef> audit()
{
    return {{QStringLiteral("操作人员"), K::Text}, {QStringLiteral("操作日期"), K::DateTime}};
}

QList<TableDef> buildTables()
{
    QList<TableDef> t;
    t.append({QStringLiteral("楼宇资料"),
              {{QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("建成日期"), K::Date},
               {QStringLiteral("楼房结构"), K::Text},
               {QStringLiteral("楼宇层数"), K::Integer},
               {QStringLiteral("房屋数量"), K::Integer},
               {QStringLiteral("住户数量"), K::Integer},
               {QStringLiteral("空置房数量"), K::Integer},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Text}},
              {QStringLiteral("楼宇名称")},
              {}});
    t.append({QStringLiteral("房屋资料"),
              {{QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("房屋名称"), K::Text},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("房屋位置"), K::Text},
               {QStringLiteral("房型"), K::Text},
               {QStringLiteral("产权状况"), K::Text},
               {QStringLiteral("房屋面积"), K::Number},
               {QStringLiteral("公摊面积"), K::Number},
               {QStringLiteral("其它面积一"), K::Number},
               {QStringLiteral("其它面积二"), K::Number},
               {QStringLiteral("使用状况"), K::Text},
               {QStringLiteral("迁入日期"), K::Date},
               {QStringLiteral("迁出日期"), K::Date},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("身份证号"), K::Text},
               {QStringLiteral("工作单位"), K::Text},
               {QStringLiteral("联系地址"), K::Text},
               {QStringLiteral("联系电话"), K::Text},
               {QStringLiteral("银行帐号"), K::Text},
               {QStringLiteral("零头"), K::Money},
               {QStringLiteral("押金"), K::Money},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Memo}},
              {QStringLiteral("房屋代码")},
              {{QStringLiteral("楼宇名称")}, {QStringLiteral("迁出日期")}}});
    t.append({QStringLiteral("业主资料"),
              {{QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("身份证号"), K::Text},
               {QStringLiteral("联系电话"), K::Text},
               {QStringLiteral("工作单位"), K::Text},
               {QStringLiteral("联系地址"), K::Text},
               {QStringLiteral("开户银行"), K::Text},
               {QStringLiteral("银行帐号"), K::Text},
               {QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("预付金额"), K::Money},
               {QStringLiteral("开始使用"), K::Text},
               {QStringLiteral("是否使用"), K::Text},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Memo}},
              {QStringLiteral("业主名称")},
              {{QStringLiteral("房屋代码")}}});
    t.append({QStringLiteral("收费项目"),
              {{QStringLiteral("收费名称"), K::Text},
               {QStringLiteral("单价"), K::Money},
               {QStringLiteral("计算公式"), K::Text},
               {QStringLiteral("收费面积"), K::Text},
               {QStringLiteral("收费范围"), K::Text},
               {QStringLiteral("收费周期"), K::Text},
               {QStringLiteral("收费类别"), K::Text},
               {QStringLiteral("金额"), K::Money},
               {QStringLiteral("收费说明"), K::Text},
               {QStringLiteral("停止收费"), K::Text},
               audit()[0],
               audit()[1]},
              {QStringLiteral("收费名称")},
              {}});
    t.append({QStringLiteral("房屋收费项目"),
              {{QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("房屋名称"), K::Text},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("房屋面积"), K::Number},
               {QStringLiteral("公摊面积"), K::Number},
               {QStringLiteral("其它面积一"), K::Number},
               {QStringLiteral("其它面积二"), K::Number},
               {QStringLiteral("收费名称"), K::Text},
               {QStringLiteral("计算公式"), K::Text},
               {QStringLiteral("收费面积"), K::Text},
               {QStringLiteral("收费范围"), K::Text},
               {QStringLiteral("收费说明"), K::Text},
               {QStringLiteral("收费周期"), K::Text},
               {QStringLiteral("收费类别"), K::Text},
               {QStringLiteral("单价"), K::Money},
               {QStringLiteral("预付金额"), K::Money},
               {QStringLiteral("金额"), K::Money},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Text}},
              {QStringLiteral("房屋代码"), QStringLiteral("收费名称")},
              {{QStringLiteral("楼宇名称")}, {QStringLiteral("收费名称")}}});
    t.append({QStringLiteral("收费明细表"),
              {{QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("房屋名称"), K::Text},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("收费名称"), K::Text},
               {QStringLiteral("计算公式"), K::Text},
               {QStringLiteral("收费面积"), K::Text},
               {QStringLiteral("单价"), K::Money},
               {QStringLiteral("本月表数"), K::Number},
               {QStringLiteral("上月表数"), K::Number},
               {QStringLiteral("面积/数量"), K::Number},
               {QStringLiteral("收费金额"), K::Money},
               {QStringLiteral("开始日期"), K::Date},
               {QStringLiteral("结束日期"), K::Date},
               {QStringLiteral("年度"), K::Text},
               {QStringLiteral("月份"), K::Text},
               {QStringLiteral("缴费状态"), K::Text},
               {QStringLiteral("缴费时间"), K::Date},
               {QStringLiteral("缴费人"), K::Text},
               {QStringLiteral("收款人"), K::Text},
               {QStringLiteral("单据号码"), K::Text},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Text}},
              // Led by the house: a house's lines of a month (its bill, the amount it owes, the
              // lines a payment marks, a report's house-and-month sums) are found directly.
              {QStringLiteral("房屋代码"), QStringLiteral("年度"), QStringLiteral("月份"), QStringLiteral("收费名称")},
              // A month's lines house by house, with the amount: the month's sums per house (the
              // reports by month, the collection rate) are read from the index alone, in its order.
              // A payment changes none of these columns, so marking a line paid never moves it.
              {{QStringLiteral("年度"), QStringLiteral("月份"), QStringLiteral("房屋代码"), QStringLiteral("收费金额")},
               {QStringLiteral("楼宇名称")},
               // A fee item's lines with the amount: the totals by item are read from the index
               // alone, in its order, without sorting; a payment does not move them either.
               {QStringLiteral("收费名称"), QStringLiteral("年度"), QStringLiteral("月份"), QStringLiteral("收费金额")},
               {QStringLiteral("单据号码")}},
              false,
              // The unpaid lines (those without a state among them) of a month, house by house:
              // the arrears, the unpaid part of every report's sums and the houses the payment
              // window lists are read from it, and once a month is paid only its few unpaid lines
              // are. Paying a line takes it out; nothing else moves. The paid part of a sum is the
              // whole less the unpaid part, so the paid lines need no index of their own. Its
              // condition is the reports' own comparison, which a statement writes as it stands
              // to use the index.
              {{{QStringLiteral("年度"), QStringLiteral("月份"), QStringLiteral("房屋代码"), QStringLiteral("收费名称"),
                 QStringLiteral("缴费状态"), QStringLiteral("收费金额")},
                Schema::unpaidLines(),
                QStringLiteral("欠费")}}});
    t.append({QStringLiteral("收费汇总表"),
              {{QStringLiteral("年度"), K::Text},
               {QStringLiteral("月份"), K::Text},
               {QStringLiteral("收费项目"), K::Text},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("收费金额"), K::Money},
               {QStringLiteral("实收金额"), K::Money},
               {QStringLiteral("现金"), K::Money},
               {QStringLiteral("支票"), K::Money},
               {QStringLiteral("零头"), K::Money},
               {QStringLiteral("上次零头"), K::Money},
               {QStringLiteral("缴费时间"), K::Date},
               {QStringLiteral("缴费方式"), K::Text},
               {QStringLiteral("单据号码"), K::Text},
               {QStringLiteral("缴费人"), K::Text},
               {QStringLiteral("收款人"), K::Text},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Memo}},
              {QStringLiteral("房屋代码"), QStringLiteral("年度"), QStringLiteral("月份"), QStringLiteral("收费项目"),
               QStringLiteral("楼宇名称"), QStringLiteral("业主名称")},
              {{QStringLiteral("缴费时间")}}});
    t.append({QStringLiteral("房屋租赁表"),
              {{QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("房屋名称"), K::Text},
               {QStringLiteral("房屋位置"), K::Text},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("身份证号"), K::Text},
               {QStringLiteral("工作单位"), K::Text},
               {QStringLiteral("联系地址"), K::Text},
               {QStringLiteral("联系电话"), K::Text},
               {QStringLiteral("租售情况"), K::Text},
               {QStringLiteral("迁入日期"), K::Date},
               {QStringLiteral("已经迁入"), K::YesNo},
               {QStringLiteral("预计迁出日期"), K::Date},
               {QStringLiteral("实际迁出日期"), K::Date},
               {QStringLiteral("已经迁出"), K::YesNo},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Memo}},
              {},
              {{QStringLiteral("房屋代码")}, {QStringLiteral("已经迁出")}}});
    t.append({QStringLiteral("押金明细表"),
              {{QStringLiteral("日期"), K::Date},
               {QStringLiteral("楼宇名称"), K::Text},
               {QStringLiteral("楼宇单元"), K::Text},
               {QStringLiteral("房屋代码"), K::Text},
               {QStringLiteral("业主名称"), K::Text},
               {QStringLiteral("操作类型"), K::Text},
               {QStringLiteral("金额"), K::Money},
               {QStringLiteral("缴费方式"), K::Text},
               {QStringLiteral("单据号码"), K::Text},
               audit()[0],
               audit()[1],
               {QStringLiteral("备注"), K::Memo}},
              {},
              {{QStringLiteral("房屋代码")}, {QStringLiteral("日期")}}});
    t.append({QStringLiteral("公司信息"),
              {{QStringLiteral("公司名称"), K::Text},
               {QStringLiteral("公司地址"), K::Text},
               {QStringLiteral("邮政编码"), K::Text},
               {QStringLiteral("联系人"), K::Text},
               {QStringLiteral("联系电话"), K::Text},
               {QStringLiteral("开户银行"), K::Text},
               {QStringLiteral("银行帐号"), K::Text},
               {QStringLiteral("系统标题"), K::Text},
               {QStringLiteral("动态文字"), K::Text},
               {QStringLiteral("自动提醒"), K::YesNo},
               {QStringLiteral("提前提醒天数"), K::Integer}},
              {},
              {}});
    t.append({QStringLiteral("权限表"),
              {{QStringLiteral("姓名"), K::Text},
               {QStringLiteral("操作口令"), K::Text},
               {QStringLiteral("身份证号"), K::Text},
               {QStringLiteral("联系电话"), K::Text},
               {QStringLiteral("输入法"), K::Text},
               {QStringLiteral("备注"), K::Text},
               {QStringLiteral("操作员"), K::Text},
               {QStringLiteral("操作日期"), K::DateTime}},
              {QStringLiteral("姓名")},
              {}});
    // No index: a report writes all its rows at once and reads them all back; an index would
    // only slow the writing of tens of thousands of rows.
    TableDef scratch {QStringLiteral("通用"), {}, {}, {}, true};
    for (const char *c : {"texta", "textb", "textc", "textd", "texte", "textf", "textg", "texth", "texti"}) {
        scratch.fields.append({QString::fromLatin1(c), K::Text});
    }
    for (const char *c : {"moneya", "moneyb", "moneyc", "moneyd", "moneye", "moneyf", "moneyg", "moneyh"}) {
        scratch.fields.append({QString::fromLatin1(c), K::Money});
    }
    for (const char *c : {"numbera", "numberb", "numberc"}) {
        scratch.fields.append({QString::fromLatin1(c), K::Integer});
    }
    for (const char *c : {"datea", "dateb", "datec"}) {
        scratch.fields.append({QString::fromLatin1(c), K::Date});
    }
    t.append(scratch);
    return t;
}

} // namespace

QString Schema::billState(const QString &alias)
{
    const QString column = alias.isEmpty() ? QStringLiteral("缴费状态") : alias + QStringLiteral(".缴费状态");
    return QStringLiteral("COALESCE(NULLIF(%1, ''), '未缴费')").arg(column);
}

QString Schema::unpaidLines(const QString &alias)
{
    return billState(alias) + QStringLiteral(" = '未缴费'");
}

const QList<TableDef> &Schema::tables()
{
    static const QList<TableDef> all = buildTables();
    return all;
}

const TableDef *Schema::table(const QString &name)
{
    for (const TableDef &t : tables()) {
        if (t.name == name) {
            return &t;
        }
    }
    return nullptr;
}

namespace {
const QHash<QString, FieldKind> &kinds()
{
    static const QHash<QString, FieldKind> map = [] {
        QHash<QString, FieldKind> m;
        for (const TableDef &t : Schema::tables()) {
            for (const FieldDef &f : t.fields) {
                // 备注 is a memo in some tables and plain text in others; both edit as text.
                if (!m.contains(f.name) || f.kind == K::Memo) {
                    m.insert(f.name, f.kind);
                }
            }
        }
        return m;
    }();
    return map;
}
}

FieldKind Schema::kindOf(const QString &field)
{
    return kinds().value(field, K::Text);
}

bool Schema::isKnownField(const QString &field)
{
    return kinds().contains(field);
}

QString Schema::quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

bool TableDef::hasField(const QString &field) const
{
    for (const FieldDef &f : fields) {
        if (f.name == field) {
            return true;
        }
    }
    return false;
}

QString IndexDef::name() const
{
    const QString name =
        QStringLiteral("%1_%2_%3")
            .arg(unique ? QStringLiteral("ux") : QStringLiteral("ix"), table, columns.join(QLatin1Char('_')));
    return tag.isEmpty() ? name : name + QLatin1Char('_') + tag;
}

QString IndexDef::createStatement() const
{
    QStringList q;
    for (const QString &c : columns) {
        q << Schema::quoted(c);
    }
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)%5")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), Schema::quoted(name()), Schema::quoted(table),
             q.join(QStringLiteral(", ")), condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition);
}

QList<IndexDef> Schema::indexes(bool temporary)
{
    QList<IndexDef> out;
    for (const TableDef &t : tables()) {
        if (t.temporary != temporary) {
            continue;
        }
        if (!t.uniqueKey.isEmpty()) {
            out.append({t.name, t.uniqueKey, true});
        }
        for (const QStringList &ix : t.indexes) {
            out.append({t.name, ix, false});
        }
        for (const TableDef::PartialIndex &ix : t.partialIndexes) {
            out.append({t.name, ix.columns, false, ix.condition, ix.tag});
        }
    }
    return out;
}

bool Schema::isIndexName(const QString &name)
{
    return name.startsWith(QLatin1String("ix_")) || name.startsWith(QLatin1String("ux_"));
}

QString Schema::orderingName(const QString &field)
{
    bool plain = !field.isEmpty() && !field.front().isDigit();
    for (const QChar c : field) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_'))) {
            plain = false;
            break;
        }
    }
    return plain ? field : quoted(field);
}

namespace {
// CREATE TABLE and its indexes, for each table whose temporary flag is the one asked for.
QStringList statementsFor(const Dialect &dialect, bool temporary)
{
    QStringList out;
    for (const TableDef &t : Schema::tables()) {
        if (t.temporary != temporary) {
            continue;
        }
        QStringList cols {dialect.idColumn()};
        for (const FieldDef &f : t.fields) {
            cols << Schema::quoted(f.name) + QLatin1Char(' ') + dialect.columnType(f.kind);
        }
        out << QStringLiteral("CREATE %1TABLE %2 (%3)")
                   .arg(temporary ? QStringLiteral("TEMPORARY ") : QString(), Schema::quoted(t.name),
                        cols.join(QStringLiteral(", ")));
    }
    // An index of a temporary table is temporary too.
    for (const IndexDef &ix : Schema::indexes(temporary)) {
        out << ix.createStatement();
    }
    return out;
}
}

QStringList Schema::createStatements()
{
    return createStatements(Dialect::sqlite());
}

QStringList Schema::createStatements(const Dialect &dialect)
{
    return statementsFor(dialect, false);
}

QStringList Schema::connectionStatements(const Dialect &dialect)
{
    return statementsFor(dialect, true);
}
