#include "masterdata/core/registerimport.h"

#include "data/clock.h"
#include "data/dm1.h"
#include "data/entryrule.h"
#include "data/schema.h"
#include "data/storeddate.h"
#include "data/transaction.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

std::optional<RegisterRules::Refused> RegisterRules::house(const QString &building, QString *code)
{
    if (building.trimmed().isEmpty()) {
        return Refused {{}, u"楼宇名称不能为空,请重新输入!"_s};
    }
    *code = code->trimmed();
    if (code->isEmpty()) {
        return Refused {u"房屋代码"_s, u"房屋代码不能为空,请重新输入!"_s};
    }
    return std::nullopt;
}

std::optional<RegisterRules::Refused> RegisterRules::owner(QString *name)
{
    *name = name->trimmed();
    if (name->isEmpty()) {
        return Refused {u"业主名称"_s, u"业主名称不能为空,请重新输入!"_s};
    }
    return std::nullopt;
}

QString RegisterRules::duplicateHouse()
{
    return u"房屋代码重复,请重新输入!"_s;
}

QString RegisterRules::duplicateOwner()
{
    return u"业主名称重复,请重新输入!"_s;
}

namespace {

using Register = RegisterImport::Register;

QString tableOf(Register kind)
{
    return kind == Register::Houses ? u"房屋资料"_s : u"业主资料"_s;
}

QString keyOf(Register kind)
{
    return kind == Register::Houses ? u"房屋代码"_s : u"业主名称"_s;
}

// Numbers a spreadsheet keeps as numbers lose their leading zeros and, past 15 digits, their
// last digits: these fields must come as text.
bool mustBeText(const QString &field)
{
    return field == u"身份证号"_s || field == u"银行帐号"_s;
}

// The header's fields by column; false with the reason.
bool readHeader(Register kind, const SheetRow &header, QStringList *columns, QString *error)
{
    const QStringList known = RegisterImport::fields(kind);
    for (int i = 0; i < header.cells.size(); ++i) {
        const QString name = header.cells[i].text.trimmed();
        if (name.isEmpty()) {
            *error = u"第%1行第%2列没有字段名。"_s.arg(header.line).arg(i + 1);
            return false;
        }
        if (!known.contains(name)) {
            *error = u"第%1行：%2没有字段“%3”；可以导入的字段：%4。"_s.arg(header.line)
                         .arg(tableOf(kind), name, known.join(u"、"_s));
            return false;
        }
        if (columns->contains(name)) {
            *error = u"第%1行：字段“%2”出现了两次。"_s.arg(header.line).arg(name);
            return false;
        }
        *columns << name;
    }
    const QStringList required =
        kind == Register::Houses ? QStringList {u"房屋代码"_s, u"楼宇名称"_s} : QStringList {u"业主名称"_s};
    for (const QString &r : required) {
        if (!columns->contains(r)) {
            *error = u"第%1行：缺少字段“%2”。"_s.arg(header.line).arg(r);
            return false;
        }
    }
    return true;
}

}

QStringList RegisterImport::fields(Register kind)
{
    if (kind == Register::Houses) {
        return {u"房屋代码"_s, u"楼宇名称"_s, u"房屋名称"_s, u"楼宇单元"_s,   u"房屋位置"_s,   u"房型"_s,
                u"产权状况"_s, u"房屋面积"_s, u"公摊面积"_s, u"其它面积一"_s, u"其它面积二"_s, u"备注"_s};
    }
    return {u"业主名称"_s, u"身份证号"_s, u"联系电话"_s, u"工作单位"_s, u"联系地址"_s,
            u"开户银行"_s, u"银行帐号"_s, u"预付金额"_s, u"备注"_s};
}

RegisterImport::Outcome RegisterImport::import(Dm1 *dm, Register kind, const QList<SheetRow> &rows, bool dryRun)
{
    Outcome out;
    QStringList columns;
    if (rows.isEmpty()) {
        out.fileError = u"文件中没有标题行。"_s;
        return out;
    }
    if (!readHeader(kind, rows.first(), &columns, &out.fileError)) {
        return out;
    }
    const QString table = tableOf(kind), key = keyOf(kind);
    QList<EntryRule> rules;
    for (const QString &c : columns) {
        rules << EntryRule::of(table, c);
    }
    QString error;
    const QStringList stored =
        dm->column(u"select %1 from %2"_s.arg(Schema::quoted(key), Schema::quoted(table)), {}, &error);
    const QStringList buildingNames = kind == Register::Houses ? dm->buildingNames(&error) : QStringList();
    if (!error.isEmpty()) {
        out.databaseError = error;
        return out;
    }
    QSet<QString> taken(stored.cbegin(), stored.cend());
    const QSet<QString> buildings(buildingNames.cbegin(), buildingNames.cend());
    const int keyColumn = int(columns.indexOf(key));
    const int buildingColumn = int(columns.indexOf(u"楼宇名称"_s));

    QList<QVariantList> values; // each accepted row's values to bind, in the columns' order
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const SheetRow &row = rows[r];
        ++out.rows;
        const auto refuse = [&](const QString &message) { out.refused.append({row.line, message}); };
        if (row.cells.size() > columns.size()) {
            refuse(u"第%1列有内容，但标题行中没有它的字段名。"_s.arg(columns.size() + 1));
            continue;
        }
        QStringList texts;
        QString problem;
        for (int c = 0; c < columns.size() && problem.isEmpty(); ++c) {
            const SheetCell cell = c < row.cells.size() ? row.cells[c] : SheetCell();
            const QString text = rules[c].cleaned(cell.text);
            if (cell.number && mustBeText(columns[c]) && !text.isEmpty()) {
                problem = u"%1必须以文本格式保存"_s.arg(columns[c]);
            } else if (!rules[c].isNumber() && text.size() > rules[c].maxLength) {
                problem = u"“%1”最多%2个字！"_s.arg(columns[c]).arg(rules[c].maxLength);
            } else {
                problem = rules[c].refusal(columns[c], text);
            }
            texts << text;
        }
        if (!problem.isEmpty()) {
            refuse(problem);
            continue;
        }
        QString keyText = texts[keyColumn];
        const auto refused = kind == Register::Houses ? RegisterRules::house(texts[buildingColumn], &keyText)
                                                      : RegisterRules::owner(&keyText);
        if (refused) {
            refuse(refused->message);
            continue;
        }
        texts[keyColumn] = keyText;
        if (taken.contains(keyText)) {
            refuse(kind == Register::Houses ? RegisterRules::duplicateHouse() : RegisterRules::duplicateOwner());
            continue;
        }
        if (kind == Register::Houses && !buildings.contains(texts[buildingColumn])) {
            refuse(u"楼宇“%1”不存在,请先在楼宇资料中增加!"_s.arg(texts[buildingColumn]));
            continue;
        }
        taken.insert(keyText);
        QVariantList binds;
        for (int c = 0; c < columns.size(); ++c) {
            if (!rules[c].isNumber()) {
                binds << (texts[c].isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(texts[c]));
            } else if (texts[c].trimmed().isEmpty()) {
                binds << QVariant();
            } else {
                const Money v = rules[c].read(texts[c]).value;
                binds << (rules[c].kind == FieldKind::Money ? QVariant(v.raw()) : QVariant(v.toReal()));
            }
        }
        values << binds;
    }
    if (dryRun || !out.refused.isEmpty() || values.isEmpty()) {
        return out;
    }

    // Every row or none, stamped as the register's window stamps a saved row.
    Transaction transaction(dm->database());
    if (!transaction.begun()) {
        out.databaseError = transaction.error();
        return out;
    }
    QStringList names;
    for (const QString &c : columns) {
        names << Schema::quoted(c);
    }
    names << u"操作人员"_s << u"操作日期"_s;
    QSqlQuery insert(dm->database());
    if (!insert.prepare(u"insert into %1 (%2) values (%3)"_s.arg(Schema::quoted(table), names.join(u", "_s),
                                                                 QStringList(names.size(), u"?"_s).join(u", "_s)))) {
        out.databaseError = insert.lastError().text();
        return out;
    }
    const QString stamp = StoredDate::format(Clock::now());
    const QString by = dm->session().currentOperator;
    for (const QVariantList &binds : std::as_const(values)) {
        for (int i = 0; i < binds.size(); ++i) {
            insert.bindValue(i, binds[i]);
        }
        insert.bindValue(int(binds.size()), by);
        insert.bindValue(int(binds.size()) + 1, stamp);
        if (!insert.exec()) {
            out.databaseError = insert.lastError().text();
            return out;
        }
    }
    if (!transaction.commit(&out.databaseError)) {
        return out;
    }
    out.imported = int(values.size());
    return out;
}
