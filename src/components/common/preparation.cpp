#include "components/common/preparation.h"

#include "components/common/prompt.h"
#include "data/dm1.h"

#include <QComboBox>
#include <QDialog>
#include <QPointer>

Preparation::Preparation(QWidget *window, Dm1 *dm)
    : m_window(window)
    , m_dm(dm ? dm : Dm1::instance())
{ }

Preparation::~Preparation()
{
    finish();
}

bool Preparation::run()
{
    if (auto *w = dynamic_cast<PreparedWindow *>(m_window)) {
        w->m_dm = m_dm;
        w->prepare(*this);
    }
    return m_ok;
}

void Preparation::finish()
{
    if (m_finished) {
        return;
    }
    m_finished = true;
    for (auto it = m_cleanUps.crbegin(); it != m_cleanUps.crend(); ++it) {
        (*it)();
    }
    m_cleanUps.clear();
}

int Preparation::showModal(QDialog *window, Dm1 *dm)
{
    Preparation p(window, dm);
    const int result = p.run() ? window->exec() : int(QDialog::Rejected);
    p.finish();
    return result;
}

bool Preparation::exists(const QObject *control, const char *what)
{
    if (!m_ok) {
        return false;
    }
    if (control) {
        return true;
    }
    // A fault of the program, not of the data: the window declared a control it has not made.
    Q_ASSERT_X(false, "Preparation",
               qPrintable(QStringLiteral("%1 prepares a %2 that does not exist")
                              .arg(m_window ? m_window->metaObject()->className() : "?", QString::fromUtf8(what))));
    qCritical("Preparation: %s prepares a %s that does not exist", m_window ? m_window->metaObject()->className() : "?",
              what);
    m_ok = false;
    Prompt::notice(m_window, QStringLiteral("程序错误：窗口缺少%1，不能打开。").arg(QString::fromUtf8(what)));
    return false;
}

void Preparation::refuse(const QString &reason)
{
    m_ok = false;
    Prompt::databaseError(m_window, reason);
}

Preparation &Preparation::open(DataSet *query, const QStringList &lines, const QVariantMap &binds)
{
    if (!exists(query, "查询")) {
        return *this;
    }
    query->close();
    query->setSql(lines);
    query->clearBindings();
    for (auto it = binds.cbegin(); it != binds.cend(); ++it) {
        query->bind(it.key(), it.value());
    }
    // Closed after the window, even when opening failed half-way.
    m_cleanUps << [q = QPointer<DataSet>(query)] {
        if (q) {
            q->close();
        }
    };
    if (!query->open()) {
        refuse(query->lastError());
    }
    return *this;
}

Preparation &Preparation::fill(QComboBox *box, Items items)
{
    if (!exists(box, "下拉列表")) {
        return *this;
    }
    QString error;
    QStringList values;
    switch (items) {
    case Items::Buildings:
        values = m_dm->buildingNames(&error);
        break;
    case Items::FeeNames:
        values = m_dm->feeNames(&error);
        break;
    case Items::HouseCodes:
        values = m_dm->houseCodes(&error);
        break;
    }
    if (!error.isEmpty()) {
        refuse(error);
        return *this;
    }
    // A drop-down that also takes typed text (a search bar's building box) keeps the text it
    // shows: filled, it still stands for "any building" until one is chosen.
    const QString shown = box->currentText();
    box->clear();
    box->addItems(values);
    if (box->isEditable()) {
        box->setCurrentIndex(-1);
        box->setEditText(shown);
    }
    return *this;
}

Preparation &Preparation::scratch(Scratch after)
{
    if (!m_ok) {
        return *this;
    }
    if (after == Scratch::CloseAfter) {
        m_cleanUps << [q = QPointer<DataSet>(m_dm->q_tongyong)] {
            if (q) {
                q->close();
            }
        };
    }
    QString error;
    if (!m_dm->prepareScratch(&error)) {
        refuse(error);
    }
    return *this;
}

Preparation &Preparation::step(const std::function<bool(QString *)> &work)
{
    if (!m_ok) {
        return *this;
    }
    QString error;
    if (!work(&error)) {
        refuse(error);
    }
    return *this;
}

Preparation &Preparation::onFinish(std::function<void()> cleanUp)
{
    m_cleanUps << std::move(cleanUp);
    return *this;
}
