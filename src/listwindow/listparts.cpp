#include "listwindow/listparts.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "shell/core/clock.h"
#include "shell/core/dm1.h"

#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLocale>
#include <QSettings>
#include <QToolButton>

namespace {
QFrame *bevel(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}
}

ButtonBar::ButtonBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    setFixedHeight(55);
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(4, 4, 4, 4);
    m_row->setSpacing(2);
    m_row->addStretch(1);
}

QToolButton *ButtonBar::add(const QString &objectName, const QString &caption, const QString &glyph,
                            const QColor &colour, const QString &before)
{
    auto *b = new QToolButton(this);
    b->setObjectName(objectName);
    b->setText(caption);
    b->setAccessibleName(caption);
    b->setIcon(Icons::tile(glyph, colour, 22));
    b->setIconSize(QSize(22, 22));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFixedSize(50, 43);
    QWidget *at = before.isEmpty() ? m_returnBevel : button(before);
    m_row->insertWidget(at ? m_row->indexOf(at) : m_row->count() - 1, b);
    return b;
}

void ButtonBar::addBevel()
{
    m_row->insertWidget(m_returnBevel ? m_row->indexOf(m_returnBevel) : m_row->count() - 1, bevel(this));
}

QToolButton *ButtonBar::addReturn()
{
    m_returnBevel = bevel(this);
    m_row->insertWidget(m_row->count() - 1, m_returnBevel);
    auto *ret = add(QStringLiteral("SpeedButton4"), QStringLiteral("返回"), QStringLiteral("返"), Back);
    // "返回" itself stays last: it sits after the bevel the other buttons go before.
    m_row->removeWidget(ret);
    m_row->insertWidget(m_row->indexOf(m_returnBevel) + 1, ret);
    return ret;
}

QToolButton *ButtonBar::button(const QString &objectName) const
{
    return findChild<QToolButton *>(objectName, Qt::FindDirectChildrenOnly);
}

LayoutFile::LayoutFile(const QString &fileName, const QString &section)
    : m_fileName(fileName)
    , m_section(section)
{ }

QString LayoutFile::path() const
{
    return m_fileName.isEmpty() ? QString() : Dm1::instance()->homePath(m_fileName);
}

bool LayoutFile::load(DBGridEh *grid) const
{
    if (path().isEmpty() || !QFile::exists(path())) {
        return false;
    }
    QSettings settings(path(), QSettings::IniFormat);
    if (!settings.childGroups().contains(m_section)) {
        return false;
    }
    grid->loadLayout(settings, m_section);
    return true;
}

void LayoutFile::save(const DBGridEh *grid) const
{
    if (path().isEmpty()) {
        return;
    }
    {
        QSettings settings(path(), QSettings::IniFormat);
        grid->saveLayout(settings, m_section);
    }
    if (m_reset) {
        QFile::remove(path());
    }
}

void LayoutFile::requestReset(QWidget *parent)
{
    m_reset = true;
    Prompt::notice(parent, QStringLiteral("界面初始化完毕！"));
}

PrintOptions listPrintOptions(const QString &title)
{
    PrintOptions options;
    options.title = title;
    const QDateTime now = Clock::now();
    options.printedAt = QStringLiteral("打印时间:") + QLocale().toString(now.date(), QLocale::ShortFormat)
        + QLatin1Char(' ') + now.time().toString(QStringLiteral("H:mm:ss"));
    options.preparedBy = QStringLiteral("制表:") + Session::current().currentOperator + QStringLiteral(" .");
    return options;
}
