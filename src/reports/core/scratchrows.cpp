#include "reports/core/scratchrows.h"

#include "data/bulkstatement.h"
#include "data/money.h"

#include <array>
#include <cstring>

namespace {
// The columns of 通用, in the order its inserts name them.
constexpr std::array<const char *, 23> Columns = {"texta",   "textb",   "textc",  "textd",  "texte",  "textf",
                                                  "textg",   "texth",   "texti",  "moneya", "moneyb", "moneyc",
                                                  "moneyd",  "moneye",  "moneyf", "moneyg", "moneyh", "numbera",
                                                  "numberb", "numberc", "datea",  "dateb",  "datec"};

int columnOf(const char *name)
{
    for (int i = 0; i < int(Columns.size()); ++i) {
        if (name == Columns[i] || std::strcmp(name, Columns[i]) == 0) {
            return i;
        }
    }
    return -1;
}
}

const QString StoredAmounts::NoAmount = QStringLiteral("数据中有无法识别的金额（金额有误），统计未完成");

Money StoredAmounts::operator()(const QVariant &value)
{
    const std::optional<Money> m = Money::fromStored(value);
    m_bad = m_bad || !m;
    return m.value_or(Money());
}

bool StoredAmounts::refused(QString *error) const
{
    if (m_bad) {
        *error = NoAmount;
    }
    return m_bad;
}

ScratchTableWriter::ScratchTableWriter(const QSqlDatabase &db)
    : m_db(db)
{
    QStringList columns;
    for (const char *c : Columns) {
        columns << QString::fromLatin1(c);
    }
    m_rows = Dialect::of(db).rowWriter(db, QStringLiteral("通用"), columns);
}

bool ScratchTableWriter::flush()
{
    if (m_rows && !m_rows->flush()) {
        m_error = m_rows->error();
        return false;
    }
    return true;
}

ScratchTableWriter::~ScratchTableWriter() = default;

bool ScratchTableWriter::write(const ScratchRow &row)
{
    // Rows that fill the same columns share one insert; its values go in the columns' order.
    quint32 shape = 0;
    std::array<const QVariant *, Columns.size()> values {};
    for (const ScratchCell &c : row) {
        const int i = columnOf(c.column);
        // A column 通用 does not have is a mistake in the report.
        Q_ASSERT_X(i >= 0, "ScratchTableWriter", c.column);
        if (i >= 0) {
            shape |= 1u << i;
            values[size_t(i)] = &c.value;
        }
    }
    if (m_rows) {
        QVariantList full(qsizetype(Columns.size()));
        for (size_t i = 0; i < Columns.size(); ++i) {
            if (values[i]) {
                full[qsizetype(i)] = *values[i];
            }
        }
        return m_rows->add(full);
    }
    std::shared_ptr<BulkStatement> &insert = m_inserts[shape];
    if (!insert) {
        QStringList names;
        for (int i = 0; i < int(Columns.size()); ++i) {
            if (shape & (1u << i)) {
                names << QString::fromLatin1(Columns[size_t(i)]);
            }
        }
        const QString sql = names.isEmpty()
            ? QStringLiteral("INSERT INTO 通用 DEFAULT VALUES")
            : QStringLiteral("INSERT INTO 通用 (%1) VALUES (%2)")
                  .arg(names.join(QLatin1Char(',')),
                       QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        insert = std::make_shared<BulkStatement>(m_db, sql);
    }
    if (!insert->isValid()) {
        m_error = insert->error();
        return false;
    }
    int n = 0;
    for (const QVariant *v : values) {
        if (v) {
            // Amounts are stored as ten-thousandths.
            if (v->metaType() == QMetaType::fromType<Money>()) {
                insert->bind(n++, QVariant(v->value<Money>().raw()));
            } else {
                insert->bind(n++, *v);
            }
        }
    }
    if (!insert->run()) {
        m_error = insert->error();
        return false;
    }
    return true;
}
