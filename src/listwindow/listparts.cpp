#include "listwindow/listparts.h"

#include "components/common/icons.h"
#include "components/common/prompt.h"
#include "data/clock.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QScreen>
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

void ListParts::setUpWindow(QDialog *window, const QString &className, const QString &caption)
{
    window->setObjectName(className.mid(QStringLiteral("T").size()));
    window->setWindowTitle(caption);
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                           | Qt::WindowCloseButtonHint);
    // Maximised; the screen's size first, for desktops without a window manager to maximise it.
    if (const QScreen *s = window->screen()) {
        window->setGeometry(s->availableGeometry());
    }
    window->setWindowState(Qt::WindowMaximized);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    window->setFont(f);
}

QLabel *ListParts::titleBand(const QString &title, QWidget *parent)
{
    auto *band = new QLabel(title, parent);
    band->setObjectName(QStringLiteral("Panel1"));
    band->setFixedHeight(26);
    band->setStyleSheet(
        QStringLiteral("background: white; color: navy; font-weight: bold; font-size: 16px; padding-left: 6px;"));
    auto *row = new QHBoxLayout(band);
    row->setContentsMargins(0, 0, 10, 0);
    row->addStretch(1);
    return band;
}

void ListParts::addToTitleBand(QLabel *band, QWidget *widget)
{
    widget->setParent(band);
    static_cast<QHBoxLayout *>(band->layout())->addWidget(widget);
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
    // Wider for a caption longer than the usual four characters, so it is never cut short.
    b->setFixedSize(qMax(50, b->fontMetrics().horizontalAdvance(caption) + 10), 43);
    QWidget *at = before.isEmpty() ? m_returnBevel : button(before);
    m_row->insertWidget(at ? m_row->indexOf(at) : m_row->count() - 1, b);
    if (m_returnBevel && m_row->indexOf(b) == m_row->indexOf(m_returnBevel) - 1) {
        // A button of the window's own after the last group: the bevel closes its group.
        m_returnBevel->setVisible(true);
    }
    return b;
}

void ButtonBar::addBevel()
{
    m_row->insertWidget(m_returnBevel ? m_row->indexOf(m_returnBevel) : m_row->count() - 1, bevel(this));
}

QToolButton *ButtonBar::addReturn()
{
    // Right after another bevel the closing bevel would stand beside it; it shows once a button
    // of the window's own comes before it.
    const int last = m_row->count() - 2;
    const bool closesAGroup = last >= 0 && !qobject_cast<QFrame *>(m_row->itemAt(last)->widget());
    auto *ret = add(QStringLiteral("SpeedButton4"), QStringLiteral("返回"), QStringLiteral("返"), Back);
    m_returnBevel = bevel(this);
    m_returnBevel->setVisible(closesAGroup);
    m_row->insertWidget(m_row->indexOf(ret), m_returnBevel);
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

QString LayoutFile::path(const QString &home) const
{
    return m_fileName.isEmpty() ? QString() : QDir(home).filePath(m_fileName);
}

bool LayoutFile::load(DBGridEh *grid, const QString &home) const
{
    const QString file = path(home);
    if (file.isEmpty() || !QFile::exists(file)) {
        return false;
    }
    QSettings settings(file, QSettings::IniFormat);
    if (!settings.childGroups().contains(m_section)) {
        return false;
    }
    grid->loadLayout(settings, m_section);
    return true;
}

void LayoutFile::save(const DBGridEh *grid, const QString &home) const
{
    const QString file = path(home);
    if (file.isEmpty()) {
        return;
    }
    grid->saveLayoutFile(file, m_section);
    if (m_reset) {
        QFile::remove(file);
    }
}

void LayoutFile::requestReset(QWidget *parent)
{
    m_reset = true;
    Prompt::notice(parent, QStringLiteral("界面初始化完毕！"));
}

PrintOptions listPrintOptions(const QString &title, const QString &operatorName)
{
    PrintOptions options;
    options.title = title;
    const QDateTime now = Clock::now();
    options.printedAt = QStringLiteral("打印时间:") + QLocale().toString(now.date(), QLocale::ShortFormat)
        + QLatin1Char(' ') + now.time().toString(QStringLiteral("H:mm:ss"));
    options.preparedBy = QStringLiteral("制表:") + operatorName + QStringLiteral(" .");
    return options;
}
