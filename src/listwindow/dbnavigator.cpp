#include "listwindow/dbnavigator.h"

#include "data/dataset.h"

#include <QHBoxLayout>
#include <QToolButton>

DBNavigator::DBNavigator(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DBNavigator1"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    const auto make = [&](const char *name, const QString &arrow, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(arrow);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setFixedSize(26, 24);
        row->addWidget(b);
        return b;
    };
    m_first = make("nbFirst", QStringLiteral("|◀"), QStringLiteral("首记录"));
    m_prior = make("nbPrior", QStringLiteral("◀"), QStringLiteral("上一条记录"));
    m_next = make("nbNext", QStringLiteral("▶"), QStringLiteral("下一条记录"));
    m_last = make("nbLast", QStringLiteral("▶|"), QStringLiteral("尾记录"));
    connect(m_first, &QToolButton::clicked, this, [this] {
        if (m_dataSet)
            m_dataSet->first();
    });
    connect(m_prior, &QToolButton::clicked, this, [this] {
        if (m_dataSet)
            m_dataSet->prior();
    });
    connect(m_next, &QToolButton::clicked, this, [this] {
        if (m_dataSet)
            m_dataSet->next();
    });
    connect(m_last, &QToolButton::clicked, this, [this] {
        if (m_dataSet)
            m_dataSet->last();
    });
}

void DBNavigator::setDataSet(DataSet *dataSet)
{
    m_dataSet = dataSet;
    connect(dataSet, &DataSet::currentChanged, this, &DBNavigator::updateButtons);
    connect(dataSet, &DataSet::opened, this, &DBNavigator::updateButtons);
    connect(dataSet, &DataSet::closed, this, &DBNavigator::updateButtons);
    updateButtons();
}

void DBNavigator::updateButtons()
{
    const bool any = m_dataSet && m_dataSet->recordCount() > 0;
    m_first->setEnabled(any && !m_dataSet->bof());
    m_prior->setEnabled(any && !m_dataSet->bof());
    m_next->setEnabled(any && !m_dataSet->eof());
    m_last->setEnabled(any && !m_dataSet->eof());
}
