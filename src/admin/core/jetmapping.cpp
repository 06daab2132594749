#include "admin/core/jetmapping.h"

#include "admin/core/importreport.h"
#include "admin/core/jetlines.h"
#include "admin/core/jetvalue.h"
#include "billing/core/deposits.h"
#include "data/bulkstatement.h"
#include "data/dm1.h"
#include "data/refusal.h"
#include "data/schema.h"
#include "data/transaction.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <optional>

namespace {

const QString Organisation = QStringLiteral("公司信息");
const QString Operators = QStringLiteral("权限表");

}

struct JetMapping::Run
{
    using Field = JetValue::Field;
    using Row = JetValue::Row;
    using Source = JetValue::Source;
    using Value = JetValue::Value;

    struct Table
    {
        // The tables whose rows the import looks at beyond storing them.
        enum class Role { Plain, Organisation, Houses, Deposits };
        QString name;
        Role role = Role::Plain;
        const TableDef *def = nullptr; // null for a table that is skipped
        QStringList columns;
        QList<Source> sources;
        QList<Field> fields;
        std::unique_ptr<BulkStatement> insert;
        qint64 declared = -1; // the rows the old file says it holds; -1 when not said
        qint64 read = 0;
        qint64 imported = 0;
        qsizetype reportIndex = -1; // its entry in the report
    };

    ImportReport &report;
    JetLines &lines;
    const Progress &progress;
    QSqlDatabase db;
    QString error;

    Table current;
    bool inTable = false;
    bool done = false;
    bool jet3 = false;
    qint64 total = 0;
    qint64 seen = 0; // rows
    qint64 lineNumber = 0;
    QStringList tablesSeen;
    QStringList knownTables;
    // Counted for the report.
    JetValue::Counts counts;
    QStringList truncated;
    qint64 extraOrganisations = 0;
    // The deposits of the houses and what their movements add up to, by house code.
    QList<QString> houses;
    QHash<QString, Money> balances;
    QHash<QString, Money> movements;
    // A row as read and as stored, kept from row to row.
    Row oldRow;
    QVariantList values;
    QList<std::optional<Money>> amounts;

    Run(ImportReport &r, JetLines &l, const Progress &p)
        : report(r)
        , lines(l)
        , progress(p)
    { }

    bool fail(const QString &why)
    {
        if (error.isEmpty()) {
            error = why;
        }
        return false;
    }

    bool exec(const QString &sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) || fail(QStringLiteral("不能写入新的数据库：%1").arg(q.lastError().text()));
    }

    bool createTables()
    {
        // A synced copy replaces the database only once it is complete, so this file needs no
        // durability of its own while it is being written.
        if (!exec(QStringLiteral("PRAGMA synchronous=OFF")) || !exec(QStringLiteral("PRAGMA cache_size=-65536"))) {
            return false;
        }
        for (const QString &statement : Schema::createStatements()) {
            if (statement.startsWith(QLatin1String("CREATE TABLE")) && !exec(statement)) {
                return false;
            }
        }
        // The unique keys refuse repeated rows as they come; the other indexes are built once
        // every row is in, which is quicker.
        return createIndexes(true);
    }

    bool createIndexes(bool unique)
    {
        for (const IndexDef &ix : Schema::indexes()) {
            if (ix.unique == unique && !exec(ix.createStatement())) {
                return false;
            }
        }
        return true;
    }

    bool line(const QByteArray &text)
    {
        if (text.startsWith('[')) {
            if (!JetValue::parseRow(text, &oldRow)) {
                return malformed();
            }
            return addRow(oldRow, {});
        }
        QJsonParseError parsed;
        const QJsonObject o = QJsonDocument::fromJson(text, &parsed).object();
        if (parsed.error != QJsonParseError::NoError) {
            return text.trimmed().isEmpty() || malformed();
        }
        if (o.contains(QLatin1String("file"))) {
            return fileLine(o);
        }
        if (o.contains(QLatin1String("table"))) {
            return beginTable(o);
        }
        if (o.contains(QLatin1String("row"))) {
            oldRow.clear();
            for (const QJsonValue &v : o.value(QLatin1String("row")).toArray()) {
                oldRow.append(v.isNull() ? Value {} : Value {v.toVariant().toString(), false});
            }
            QList<int> cut;
            for (const QJsonValue &v : o.value(QLatin1String("truncated")).toArray()) {
                cut << v.toInt();
            }
            return addRow(oldRow, cut);
        }
        if (o.contains(QLatin1String("end"))) {
            return endTable(o);
        }
        if (o.contains(QLatin1String("done"))) {
            done = true;
        }
        return true;
    }

    bool malformed() { return fail(QStringLiteral("读取失败：读出的数据格式不对（第 %1 行）").arg(lineNumber)); }

    bool fileLine(const QJsonObject &o)
    {
        const QJsonObject file = o.value(QLatin1String("file")).toObject();
        const QString format = file.value(QLatin1String("format")).toString();
        jet3 = format == QLatin1String("Jet3");
        report.format = format == QLatin1String("Jet3") ? QStringLiteral("Jet 3")
            : format == QLatin1String("Jet4")           ? QStringLiteral("Jet 4")
            : format == QLatin1String("ACE")            ? QStringLiteral("Access 2007 或更新版本")
                                                        : format;
        const QString text = file.value(QLatin1String("text")).toString();
        if (jet3) {
            report.notes << QStringLiteral("旧数据库是 Jet 3（Access 97）格式，文本按文件头中的代码页 %1 解码。")
                                .arg(text.isEmpty() ? QStringLiteral("（未知，按 mdbtools 的默认）") : text);
        }
        for (const QJsonValue &t : o.value(QLatin1String("tables")).toArray()) {
            total += t.toObject().value(QLatin1String("rows")).toInteger();
        }
        return true;
    }

    bool beginTable(const QJsonObject &o)
    {
        if (inTable) {
            return malformed();
        }
        current = Table {};
        inTable = true;
        current.name = o.value(QLatin1String("table")).toString();
        current.declared = o.contains(QLatin1String("rows")) ? o.value(QLatin1String("rows")).toInteger() : -1;
        if (tablesSeen.contains(current.name)) {
            return malformed();
        }
        tablesSeen << current.name;
        for (const QJsonValue &c : o.value(QLatin1String("columns")).toArray()) {
            current.columns << c.toObject().value(QLatin1String("name")).toString();
            current.sources << JetValue::sourceOf(c.toObject().value(QLatin1String("type")).toString());
        }
        const TableDef *def = Schema::table(current.name);
        if (!def || def->temporary) {
            return true; // counted and named in the report when it ends
        }
        current.def = def;
        current.role = current.name == Organisation        ? Table::Role::Organisation
            : current.name == QStringLiteral("房屋资料")   ? Table::Role::Houses
            : current.name == QStringLiteral("押金明细表") ? Table::Role::Deposits
                                                           : Table::Role::Plain;
        knownTables << current.name;
        current.reportIndex = report.tables.size();
        report.tables.append(ImportReport::Table {});
        ImportReport::Table &t = report.tables.last();
        t.name = current.name;
        QStringList names, marks;
        for (const FieldDef &f : def->fields) {
            Field field {f.name, f.kind};
            field.source = int(current.columns.indexOf(f.name));
            if (field.source >= 0) {
                field.from = current.sources.at(field.source);
            } else {
                t.missingFields << f.name;
            }
            if (f.kind == FieldKind::Money && field.source >= 0) {
                field.money = int(t.money.size());
                t.money.append(ImportReport::MoneyColumn {f.name});
            }
            field.yearOrMonth = f.name == QStringLiteral("年度") || f.name == QStringLiteral("月份");
            field.password = current.name == Operators && f.name == QStringLiteral("操作口令");
            current.fields << field;
            names << Schema::quoted(f.name);
            marks << QStringLiteral("?");
        }
        for (const QString &c : std::as_const(current.columns)) {
            if (!def->hasField(c)) {
                t.extraFields << c;
            }
        }
        current.insert = std::make_unique<BulkStatement>(
            db,
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(Schema::quoted(current.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        return current.insert->isValid() || fail(QStringLiteral("不能写入新的数据库：%1").arg(current.insert->error()));
    }

    bool addRow(const Row &row, const QList<int> &cut)
    {
        if (!inTable || row.size() != current.columns.size()) {
            return malformed();
        }
        ++current.read;
        if (++seen % 1000 == 0 && progress && !progress(seen, total)) {
            return fail(QStringLiteral("导入已取消。"));
        }
        if (!current.def) {
            return true;
        }
        ImportReport::Table &t = report.tables[current.reportIndex];
        ++t.read;
        for (const int c : cut) {
            truncated
                << QStringLiteral("%1 第 %2 行 %3").arg(current.name).arg(current.read).arg(current.columns.value(c));
        }

        QString reason;
        values.fill(QVariant(), current.fields.size());
        amounts.fill(std::nullopt, t.money.size());
        for (int i = 0; i < current.fields.size(); ++i) {
            const Field &f = current.fields.at(i);
            if (f.source < 0) {
                continue;
            }
            std::optional<Money> amount;
            QString why;
            if (!JetValue::convert(f, row.at(f.source), &values[i], &amount, &why, counts) && reason.isEmpty()) {
                reason = why;
            }
            if (f.money >= 0) {
                amounts[f.money] = amount;
            }
        }
        if (reason.isEmpty() && current.role == Table::Role::Organisation && current.imported > 0) {
            reason = QStringLiteral("公司信息只保留第一行");
            ++extraOrganisations;
        }
        if (reason.isEmpty()) {
            for (int i = 0; i < values.size(); ++i) {
                current.insert->bind(i, values.at(i));
            }
            if (!current.insert->run()) {
                const QString why = current.insert->error();
                if (!why.startsWith(QLatin1String("UNIQUE constraint failed:"))) {
                    return fail(QStringLiteral("不能写入新的数据库：%1").arg(why));
                }
                // Named with the key's values as they would have been stored ("8", not "08").
                reason = Refusal::of(why, [this](const QString &field) { return valueOf(field); }).message;
            }
        }
        for (int m = 0; m < amounts.size(); ++m) {
            if (amounts.at(m)) {
                const qint64 raw = amounts.at(m)->raw();
                t.money[m].read += raw;
                (reason.isEmpty() ? t.money[m].imported : t.money[m].refused) += raw;
            }
        }
        if (!reason.isEmpty()) {
            ++t.refused;
            ImportReport::Refused r {current.name, current.read, reason, {}};
            for (int c = 0; c < current.columns.size(); ++c) {
                r.values << current.columns.at(c) + QLatin1Char('=')
                        + (row.at(c).null ? QStringLiteral("（空）") : row.at(c).text);
            }
            report.refused << r;
            return true;
        }
        ++t.imported;
        ++current.imported;
        keepDeposit();
        return true;
    }

    QVariant valueOf(const QString &field) const
    {
        for (int i = 0; i < current.fields.size(); ++i) {
            if (current.fields.at(i).name == field) {
                return values.at(i);
            }
        }
        return {};
    }

    // The houses' deposit balances and their movements, to be compared once all are in.
    void keepDeposit()
    {
        if (current.role == Table::Role::Houses) {
            const QString code = valueOf(QStringLiteral("房屋代码")).toString();
            houses << code;
            balances.insert(code, Money::fromRaw(valueOf(QStringLiteral("押金")).toLongLong()));
        } else if (current.role == Table::Role::Deposits) {
            const QString code = valueOf(QStringLiteral("房屋代码")).toString();
            const Money amount = Money::fromRaw(valueOf(QStringLiteral("金额")).toLongLong());
            movements[code] += DepositMovement::effect(valueOf(QStringLiteral("操作类型")).toString(), amount);
        }
    }

    bool endTable(const QJsonObject &o)
    {
        if (!inTable || o.value(QLatin1String("end")).toString() != current.name) {
            return malformed();
        }
        inTable = false;
        if (current.declared > current.read) {
            return fail(QStringLiteral("读取失败：旧数据库中的表 %1 记载有 %2 行，只读出了 %3 行，文件可能已经损坏。")
                            .arg(current.name)
                            .arg(current.declared)
                            .arg(current.read));
        }
        if (!current.def) {
            report.skipped << QStringLiteral("%1（%2 行）").arg(current.name).arg(current.read);
        }
        current.insert.reset();
        return true;
    }

    qint64 count(const QString &sql)
    {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0).toLongLong() : 0;
    }

    // What a database must hold to be used: the organisation row and an operator who can log in.
    bool completeWithFirstRows()
    {
        QString why;
        if (count(QStringLiteral("SELECT count(*) FROM 公司信息")) == 0) {
            if (!Dm1::insertFirstOrganisation(db, &why)) {
                return fail(QStringLiteral("不能写入新的数据库：%1").arg(why));
            }
            report.notes << QStringLiteral("旧数据库中没有公司信息，已填入新数据库默认的公司信息。");
        }
        if (count(QStringLiteral("SELECT count(*) FROM 权限表 WHERE 姓名 IS NOT NULL AND trim(姓名)<>''")) == 0) {
            if (!Dm1::insertFirstOperator(db, &why)) {
                return fail(QStringLiteral("不能写入新的数据库：%1").arg(why));
            }
            report.notes << QStringLiteral("旧数据库中没有操作员，已加入操作员“%1”（口令为空），请登录后设置口令。")
                                .arg(Dm1::defaultOperator());
        }
        return true;
    }

    void countNotes()
    {
        if (counts.yearsAndMonths > 0) {
            report.notes
                << QStringLiteral("年度、月份去掉了前导零（如“08”改为“8”）：%1 个值。").arg(counts.yearsAndMonths);
        }
        if (counts.rounded > 0) {
            report.notes
                << QStringLiteral("以浮点数保存的金额四舍五入到 0.0001（逢五取偶）：%1 个值。").arg(counts.rounded);
        }
        if (counts.unreadableAmounts > 0) {
            report.notes << QStringLiteral("不能作为金额读取的值：%1 个，它们所在的行没有导入，也不计入金额合计。")
                                .arg(counts.unreadableAmounts);
        }
        if (counts.passwords > 0) {
            report.notes << QStringLiteral("操作口令改为加密保存：%1 个。").arg(counts.passwords);
        }
        if (extraOrganisations > 0) {
            report.notes
                << QStringLiteral("公司信息只保留第一行，其余 %1 行列在“拒绝的行”中。").arg(extraOrganisations);
        }
        if (jet3) {
            report.notes << QStringLiteral("按代码页解码的文本值：%1 个。").arg(counts.texts);
        }
        for (const QString &cut : std::as_const(truncated)) {
            report.notes << QStringLiteral("%1：值超过 1 MiB，只导入了前面的部分。").arg(cut);
        }
        for (const QString &said : lines.remarks()) {
            report.notes << QStringLiteral("读取时 mdbtools 提示：%1").arg(said);
        }
    }

    void compareDeposits()
    {
        for (const QString &code : std::as_const(houses)) {
            const Money balance = balances.value(code);
            const Money moved = movements.value(code);
            if (balance != moved) {
                report.deposits.append({code, balance, moved});
            }
        }
    }

    bool run()
    {
        if (!createTables()) {
            return false;
        }
        Transaction tx(db);
        if (!tx.begun()) {
            return fail(QStringLiteral("不能写入新的数据库：%1").arg(tx.error()));
        }
        QByteArray text;
        while (error.isEmpty() && lines.next(&text)) {
            ++lineNumber;
            line(text);
        }
        if (!error.isEmpty()) {
            return false;
        }
        if (!lines.failure().isEmpty()) {
            return fail(QStringLiteral("读取失败：%1").arg(lines.failure()));
        }
        if (!done || inTable) {
            return fail(QStringLiteral("读取失败：旧数据库没有读完，读出的数据不完整。"));
        }
        if (knownTables.isEmpty()) {
            return fail(QStringLiteral("旧数据库中没有本系统的数据表（房屋资料、收费明细表等），不能导入。"));
        }
        if (!completeWithFirstRows() || !createIndexes(false)) {
            return false;
        }
        countNotes();
        compareDeposits();
        QString why;
        return tx.commit(&why) || fail(QStringLiteral("不能写入新的数据库：%1").arg(why));
    }
};

JetMapping::JetMapping(ImportReport &report)
    : m_report(report)
{ }

JetMapping::~JetMapping() = default;

bool JetMapping::build(JetLines &lines, const QString &file, const Progress &progress, QString *error)
{
    const QString connection = QStringLiteral("jet-import-%1").arg(quintptr(this));
    bool ok = false;
    {
        Run run(m_report, lines, progress);
        run.db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        run.db.setDatabaseName(file);
        if (!run.db.open()) {
            run.fail(QStringLiteral("不能建立新的数据库 %1：%2").arg(file, run.db.lastError().text()));
        } else {
            ok = run.run();
        }
        if (!ok && error) {
            *error = run.error;
        }
        run.current.insert.reset();
        run.db.close();
        run.db = QSqlDatabase();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}
