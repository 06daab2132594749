#include "reports/core/ownerstatement.h"

#include "billing/core/payment.h"
#include "data/boundquery.h"
#include "data/dm1.h"
#include "data/storeddate.h"
#include "reports/core/reportperiod.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

const QString Received = QStringLiteral("收取");
const QString Refunded = QStringLiteral("退还");
const QString Offset = QStringLiteral("冲抵费用");

QDate dateOf(const QVariant &v)
{
    return v.isNull() ? QDate() : StoredDate::parse(v.toString()).date;
}

QVariant money(Money m)
{
    return QVariant::fromValue(m);
}

bool stopped(const QSqlQuery &q, QString *error)
{
    *error = q.lastError().isValid() ? q.lastError().text() : QStringLiteral("统计已取消");
    return false;
}

QString monthCaption(const QString &year, const QString &month)
{
    return year.trimmed() + QStringLiteral("年") + month.trimmed() + QStringLiteral("月");
}

// One movement of the fee ledger with what it does to the balance.
struct Movement
{
    OwnerStatement::LedgerRow row;
    int order = 0; // same day: bill lines before payments
    qint64 id = 0;
    Money effect; // + due, − paid
    bool unpaidNow = false;
    QDate end; // a line's 结束日期
    QDate paidOn; // a paid line's 缴费时间
    QString fee;
    QString month;
};

bool before(const Movement &a, const Movement &b)
{
    if (a.row.date != b.row.date) {
        return a.row.date < b.row.date;
    }
    if (a.order != b.order) {
        return a.order < b.order;
    }
    return a.id < b.id;
}

Money depositEffect(const QString &type, Money amount)
{
    if (type == Received) {
        return amount;
    }
    if (type == Refunded || type == Offset) {
        return -amount;
    }
    return {};
}

struct House
{
    bool found = false;
    QString building, unit, owner, phone;
    Money odd, deposit;
};

bool readHouse(const QSqlDatabase &db, const QString &code, House *h, QString *error)
{
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT 楼宇名称, 楼宇单元, 业主名称, 联系电话, 零头, 押金 FROM 房屋资料 "
                                 "WHERE 房屋代码 = ? ORDER BY id"),
                  {code}, error)) {
        return false;
    }
    StoredAmounts amount;
    if (q.next()) {
        h->found = true;
        h->building = q.value(0).toString();
        h->unit = q.value(1).toString();
        h->owner = q.value(2).toString();
        h->phone = q.value(3).toString();
        h->odd = amount(q.value(4));
        h->deposit = amount(q.value(5));
    } else if (q.lastError().isValid()) {
        return stopped(q, error);
    }
    return !amount.refused(error);
}

bool readMovements(const QSqlDatabase &db, const QString &code, QList<Movement> *out, QString *error)
{
    StoredAmounts amount;
    QSqlQuery lines(db);
    if (!runBound(lines,
                  QStringLiteral("SELECT id, 开始日期, 结束日期, 年度, 月份, 收费名称, 收费金额, 缴费状态, 缴费时间, "
                                 "业主名称 FROM 收费明细表 WHERE 房屋代码 = ?"),
                  {code}, error)) {
        return false;
    }
    while (lines.next()) {
        Movement m;
        m.id = lines.value(0).toLongLong();
        m.month = monthCaption(lines.value(3).toString(), lines.value(4).toString());
        m.fee = lines.value(5).toString();
        m.row.kind = OwnerStatement::LedgerRow::Kind::Bill;
        m.row.date = dateOf(lines.value(1));
        if (!m.row.date.isValid()) {
            // A line without its period is dated by its bill month.
            m.row.date = QDate(lines.value(3).toInt(), lines.value(4).toInt(), 1);
        }
        m.end = dateOf(lines.value(2));
        if (!m.end.isValid() && m.row.date.isValid()) {
            m.end = m.row.date.addMonths(1).addDays(-1);
        }
        m.row.summary = m.month + QLatin1Char(' ') + m.fee;
        m.row.owner = lines.value(9).toString();
        m.row.due = amount(lines.value(6));
        if (lines.value(6).isNull()) {
            m.row.note = QStringLiteral("未计算");
        }
        m.effect = m.row.due;
        m.unpaidNow = !PaymentWords::isPaid(lines.value(7).toString());
        m.paidOn = dateOf(lines.value(8));
        *out << m;
    }
    if (lines.lastError().isValid()) {
        return stopped(lines, error);
    }

    QSqlQuery paid(db);
    if (!runBound(paid,
                  QStringLiteral("SELECT id, 缴费时间, 实收金额, 单据号码, 缴费方式, 业主名称 FROM 收费汇总表 "
                                 "WHERE 房屋代码 = ?"),
                  {code}, error)) {
        return false;
    }
    while (paid.next()) {
        Movement m;
        m.id = paid.value(0).toLongLong();
        m.order = 1;
        m.row.kind = OwnerStatement::LedgerRow::Kind::Payment;
        m.row.date = dateOf(paid.value(1));
        QStringList words {QStringLiteral("缴费")};
        if (!paid.value(3).toString().trimmed().isEmpty()) {
            words << QStringLiteral("单据号") + paid.value(3).toString().trimmed();
        }
        if (!paid.value(4).toString().trimmed().isEmpty()) {
            words << paid.value(4).toString().trimmed();
        }
        m.row.summary = words.join(QLatin1Char(' '));
        m.row.owner = paid.value(5).toString();
        m.row.paid = amount(paid.value(2));
        m.effect = -m.row.paid;
        *out << m;
    }
    if (paid.lastError().isValid()) {
        return stopped(paid, error);
    }
    if (amount.refused(error)) {
        return false;
    }
    std::sort(out->begin(), out->end(), before);
    return true;
}

struct DepositMovement
{
    QDate date;
    qint64 id = 0;
    QString type, owner;
    Money effect;
};

bool readDeposits(const QSqlDatabase &db, const QString &code, QList<DepositMovement> *out, QString *error)
{
    QSqlQuery q(db);
    if (!runBound(q, QStringLiteral("SELECT id, 日期, 操作类型, 金额, 业主名称 FROM 押金明细表 WHERE 房屋代码 = ?"),
                  {code}, error)) {
        return false;
    }
    StoredAmounts amount;
    while (q.next()) {
        const QString type = q.value(2).toString();
        *out << DepositMovement {dateOf(q.value(1)), q.value(0).toLongLong(), type, q.value(4).toString(),
                                 depositEffect(type, amount(q.value(3)))};
    }
    if (q.lastError().isValid()) {
        return stopped(q, error);
    }
    std::sort(out->begin(), out->end(), [](const DepositMovement &a, const DepositMovement &b) {
        return a.date != b.date ? a.date < b.date : a.id < b.id;
    });
    return !amount.refused(error);
}

bool inRange(const QDate &d, const QDate &from, const QDate &to)
{
    return d.isValid() && d >= from && d <= to;
}

}

const QStringList &OwnerStatement::agingTitles()
{
    static const QStringList titles {QStringLiteral("未到期"), QStringLiteral("1–30天"), QStringLiteral("31–60天"),
                                     QStringLiteral("61–90天"), QStringLiteral("90天以上")};
    return titles;
}

int OwnerStatement::agingBucket(int daysOverdue)
{
    if (daysOverdue <= 0) {
        return 0;
    }
    return daysOverdue <= 90 ? (daysOverdue - 1) / 30 + 1 : 4;
}

std::optional<QString> OwnerStatement::checkRange(const QDate &from, const QDate &to)
{
    if (!from.isValid() || !to.isValid()) {
        return QStringLiteral("请输入开始日期和结束日期");
    }
    if (from > to) {
        return QStringLiteral("开始日期不能晚于结束日期");
    }
    return std::nullopt;
}

bool OwnerStatement::compute(const QSqlDatabase &db, const Request &request, Statement *s, QString *error)
{
    if (const auto refused = checkRange(request.from, request.to)) {
        *error = *refused;
        return false;
    }
    *s = Statement();
    s->houseCode = request.houseCode;
    s->from = request.from;
    s->to = request.to;
    s->currentOwnerOnly = request.currentOwnerOnly;

    House house;
    QList<Movement> all;
    QList<DepositMovement> depositMoves;
    if (!readHouse(db, request.houseCode, &house, error) || !readMovements(db, request.houseCode, &all, error)
        || !readDeposits(db, request.houseCode, &depositMoves, error)) {
        return false;
    }
    s->houseFound = house.found;
    s->building = house.building;
    s->unit = house.unit;
    s->owner = house.owner;
    s->phone = house.phone;
    s->odd = house.odd;
    s->deposit = house.deposit;
    if (!house.found && !all.isEmpty()) {
        // The house was deleted while its lines remain: its details as its latest movement has them.
        s->owner = all.constLast().row.owner;
    }

    const bool ownerOnly = request.currentOwnerOnly;
    if (ownerOnly) {
        const QString owner = house.owner.trimmed();
        all.erase(
            std::remove_if(all.begin(), all.end(), [&](const Movement &m) { return m.row.owner.trimmed() != owner; }),
            all.end());
        depositMoves.erase(std::remove_if(depositMoves.begin(), depositMoves.end(),
                                          [&](const DepositMovement &d) { return d.owner.trimmed() != owner; }),
                           depositMoves.end());
    }

    // The balance before `from`: worked back from the stored balance for the whole house, summed
    // forward for one owner (their share of 零头 is not stored anywhere).
    Money storedClosing = -house.odd;
    for (const Movement &m : std::as_const(all)) {
        if (m.unpaidNow) {
            storedClosing += m.row.due;
        }
    }
    Money sumBefore, sumFromOn;
    bool anyBefore = false;
    for (const Movement &m : std::as_const(all)) {
        if (!m.row.date.isValid() || m.row.date < request.from) {
            sumBefore += m.effect;
            anyBefore = true;
        } else {
            sumFromOn += m.effect;
        }
    }
    Money opening = ownerOnly ? sumBefore : storedClosing - sumFromOn;
    const Money gap = ownerOnly ? Money() : storedClosing - sumBefore - sumFromOn;
    if (gap.raw() != 0 && !anyBefore) {
        // The range starts before the house's first movement: the balance is 0 until then, and
        // the difference the movements do not explain is a row of its own on that day (on the
        // range's first day for a house without movements).
        opening -= gap;
    }
    const QDate historyDate = all.isEmpty() ? request.from : all.constFirst().row.date;
    if (gap.raw() != 0 && !anyBefore && historyDate <= request.to) {
        LedgerRow history;
        history.kind = LedgerRow::Kind::History;
        history.date = historyDate;
        history.summary = QStringLiteral("历史差额");
        if (gap.raw() > 0) {
            history.due = gap;
        } else {
            history.paid = -gap;
        }
        s->rows << history;
    }
    s->opening = opening;

    for (const Movement &m : std::as_const(all)) {
        if (inRange(m.row.date, request.from, request.to)) {
            s->rows << m.row;
        }
    }
    Money balance = opening;
    for (LedgerRow &r : s->rows) {
        balance += r.due - r.paid;
        r.balance = balance;
        s->totalDue += r.due;
        s->totalPaid += r.paid;
    }
    s->closing = balance;

    // The lines still unpaid at the end of `to`: unpaid now, or paid on a later day.
    for (const Movement &m : std::as_const(all)) {
        if (m.row.kind != LedgerRow::Kind::Bill || (m.row.date.isValid() && m.row.date > request.to)) {
            continue;
        }
        if (!(m.unpaidNow || (m.paidOn.isValid() && m.paidOn > request.to))) {
            continue;
        }
        UnpaidLine u {m.month,
                      m.fee,
                      m.end,
                      m.row.due,
                      m.end.isValid() ? int(m.end.daysTo(request.to)) : 0,
                      !m.row.note.isEmpty()};
        s->aging[size_t(agingBucket(u.daysOverdue))] += u.amount;
        s->unpaid << u;
    }

    // The deposit: worked back from 押金 as stored, or summed forward for one owner.
    Money depositFromOn, depositBefore;
    for (const DepositMovement &d : std::as_const(depositMoves)) {
        if (!d.date.isValid() || d.date < request.from) {
            depositBefore += d.effect;
        } else {
            depositFromOn += d.effect;
        }
    }
    s->depositOpening = ownerOnly ? depositBefore : house.deposit - depositFromOn;
    Money deposit = s->depositOpening;
    for (const DepositMovement &d : std::as_const(depositMoves)) {
        if (inRange(d.date, request.from, request.to)) {
            deposit += d.effect;
            s->deposits << DepositRow {d.date, d.type, d.effect, deposit,
                                       d.type == Offset ? QStringLiteral("不冲减欠费") : QString()};
        }
    }
    s->depositClosing = deposit;
    return true;
}

bool OwnerStatement::writeRows(const Statement &s, ScratchSink &out, QString *error)
{
    const auto put = [&](ScratchRow row) {
        if (!out.append(std::move(row))) {
            *error = QStringLiteral("统计已取消");
            return false;
        }
        return true;
    };
    const QString ledger = QStringLiteral("往来");
    if (!put({{"datea", StoredDate::format(s.from)},
              {"texta", QStringLiteral("期初余额")},
              {"moneyc", money(s.opening)},
              {"textd", ledger}})) {
        return false;
    }
    for (const LedgerRow &r : s.rows) {
        ScratchRow row {{"datea", StoredDate::format(r.date)},
                        {"texta", r.summary},
                        {"moneyc", money(r.balance)},
                        {"textb", r.owner},
                        {"textd", ledger}};
        if (r.kind != LedgerRow::Kind::Payment) {
            row << ScratchCell {"moneya", money(r.due)};
        }
        if (r.kind != LedgerRow::Kind::Bill) {
            row << ScratchCell {"moneyb", money(r.paid)};
        }
        if (!r.note.isEmpty()) {
            row << ScratchCell {"textc", r.note};
        }
        if (!put(std::move(row))) {
            return false;
        }
    }
    if (!put({{"datea", StoredDate::format(s.to)},
              {"texta", s.rows.isEmpty() ? QStringLiteral("期末余额（无往来记录）") : QStringLiteral("期末余额")},
              {"moneyc", money(s.closing)},
              {"textd", ledger}})) {
        return false;
    }
    const QString deposit = QStringLiteral("押金");
    if (!put({{"datea", StoredDate::format(s.from)},
              {"texta", QStringLiteral("期初押金")},
              {"moneyf", money(s.depositOpening)},
              {"textd", deposit}})) {
        return false;
    }
    for (const DepositRow &d : s.deposits) {
        ScratchRow row {{"datea", StoredDate::format(d.date)},
                        {"texta", QString(QStringLiteral("押金") + d.type)},
                        {"moneyf", money(d.balance)},
                        {"textd", deposit}};
        row << (d.change.raw() >= 0 ? ScratchCell {"moneyd", money(d.change)}
                                    : ScratchCell {"moneye", money(-d.change)});
        if (!d.note.isEmpty()) {
            row << ScratchCell {"textc", d.note};
        }
        if (!put(std::move(row))) {
            return false;
        }
    }
    return put({{"datea", StoredDate::format(s.to)},
                {"texta", QStringLiteral("期末押金")},
                {"moneyf", money(s.depositClosing)},
                {"textd", deposit}});
}

bool OwnerStatement::aging(const QSqlDatabase &db, const AgingFilter &f, QList<AgingRow> *out, QString *error)
{
    // The unpaid lines of every house in one grouped pass: each bucket is a range of 结束日期,
    // so the buckets are sums over date texts that compare as stored.
    const QDate at = f.date;
    const QString atStart = ReportPeriod::dayStart(at);
    const auto from = [&](int days) { return ReportPeriod::dayStart(at.addDays(-days)); };
    const QString unpaidAt = QStringLiteral("(%1 OR (%2 AND b.缴费时间 > ?))")
                                 .arg(BillState::unpaid(QStringLiteral("b")), BillState::paid(QStringLiteral("b")));
    QSqlQuery q(db);
    if (!runBound(q,
                  QStringLiteral("SELECT b.房屋代码,\n"
                                 "  sum(CASE WHEN b.结束日期 >= ? THEN b.收费金额 ELSE 0 END),\n"
                                 "  sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END),\n"
                                 "  sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END),\n"
                                 "  sum(CASE WHEN b.结束日期 < ? AND b.结束日期 >= ? THEN b.收费金额 ELSE 0 END),\n"
                                 "  sum(b.收费金额), min(b.开始日期)\n"
                                 "FROM 收费明细表 b\n"
                                 "WHERE b.房屋代码 IS NOT NULL AND b.开始日期 <= ? AND ")
                      + unpaidAt + QStringLiteral("\nGROUP BY b.房屋代码"),
                  {atStart, atStart, from(30), from(30), from(60), from(60), from(90), ReportPeriod::dayEnd(at),
                   ReportPeriod::dayEnd(at)},
                  error)) {
        return false;
    }
    QHash<QString, AgingRow> byHouse;
    StoredAmounts amount;
    while (q.next()) {
        AgingRow r;
        r.houseCode = q.value(0).toString();
        for (int i = 0; i < 4; ++i) {
            r.buckets[size_t(i)] = amount(q.value(1 + i));
        }
        r.total = amount(q.value(5));
        // Lines without a period end count as the oldest.
        r.buckets[4] = r.total - r.buckets[0] - r.buckets[1] - r.buckets[2] - r.buckets[3];
        const QDate first = dateOf(q.value(6));
        r.earliestMonth =
            first.isValid() ? monthCaption(QString::number(first.year()), QString::number(first.month())) : QString();
        if (r.total.raw() > 0) {
            byHouse.insert(r.houseCode, r);
        }
    }
    if (q.lastError().isValid()) {
        return stopped(q, error);
    }

    QSqlQuery houses(db);
    if (!runBound(houses,
                  QStringLiteral("SELECT 房屋代码, 楼宇名称, 业主名称, 联系电话, 零头 FROM 房屋资料\nORDER BY ")
                      + Dm1::orderTerm(QStringLiteral("房屋代码")) + QStringLiteral(", id"),
                  {}, error)) {
        return false;
    }
    QList<AgingRow> rows;
    while (houses.next()) {
        const auto it = byHouse.find(houses.value(0).toString());
        if (it == byHouse.end()) {
            continue;
        }
        it->building = houses.value(1).toString();
        it->owner = houses.value(2).toString();
        it->phone = houses.value(3).toString();
        it->odd = amount(houses.value(4));
        rows << *it;
        byHouse.erase(it);
    }
    if (houses.lastError().isValid()) {
        return stopped(houses, error);
    }
    // Lines of a house that was deleted while they remain: still owed, listed after the others.
    QStringList orphans = byHouse.keys();
    std::sort(orphans.begin(), orphans.end());
    for (const QString &code : std::as_const(orphans)) {
        rows << byHouse.value(code);
    }
    if (amount.refused(error)) {
        return false;
    }
    const QString building = f.building.trimmed();
    for (const AgingRow &r : std::as_const(rows)) {
        if ((building.isEmpty() || r.building == f.building) && (!f.minimumNet || r.net() >= *f.minimumNet)) {
            *out << r;
        }
    }
    return true;
}

namespace {
constexpr const char *AgingFields[OwnerStatement::AgingBuckets] = {"moneya", "moneyb", "moneyc", "moneyd", "moneye"};
}

QString OwnerStatement::agingField(int bucket)
{
    return QString::fromLatin1(AgingFields[bucket]);
}

bool OwnerStatement::writeAgingRows(const QList<AgingRow> &rows, ScratchSink &out, QString *error)
{
    for (const AgingRow &r : rows) {
        ScratchRow row {{"texta", r.building},    {"textb", r.houseCode},     {"textc", r.owner},
                        {"textd", r.phone},       {"texte", r.earliestMonth}, {"moneyf", money(r.total)},
                        {"moneyg", money(r.odd)}, {"moneyh", money(r.net())}};
        for (int i = 0; i < AgingBuckets; ++i) {
            row << ScratchCell {AgingFields[i], money(r.buckets[size_t(i)])};
        }
        if (!out.append(std::move(row))) {
            *error = QStringLiteral("统计已取消");
            return false;
        }
    }
    return true;
}

ExportTable OwnerStatement::reminderList(const QList<AgingRow> &rows)
{
    ExportTable t;
    t.titles = {QStringLiteral("业主名称"), QStringLiteral("联系电话"), QStringLiteral("房屋代码"),
                QStringLiteral("净欠"), QStringLiteral("最早欠费月份")};
    t.kinds = {FieldKind::Text, FieldKind::Text, FieldKind::Text, FieldKind::Money, FieldKind::Text};
    t.alignments = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignLeft, Qt::AlignRight, Qt::AlignLeft};
    t.rowCount = int(rows.size());
    const auto text = [rows](int r, int c) -> QString {
        const AgingRow &a = rows[r];
        switch (c) {
        case 0:
            return a.owner;
        case 1:
            return a.phone;
        case 2:
            return a.houseCode;
        case 3:
            return a.net().toString();
        default:
            return a.earliestMonth;
        }
    };
    t.text = text;
    t.value = [rows, text](int r, int c) -> QVariant {
        return c == 3 ? QVariant(rows[r].net().raw()) : QVariant(text(r, c));
    };
    return t;
}
