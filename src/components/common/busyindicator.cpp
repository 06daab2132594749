#include "components/common/busyindicator.h"

#include <QPainter>
#include <QTimer>
#include <QtMath>

namespace {
constexpr int Dots = 8;
}

BusyIndicator::BusyIndicator(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("正在统计"));
    m_timer->setInterval(90);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % Dots;
        update();
    });
    hide();
}

void BusyIndicator::start()
{
    m_step = 0;
    show();
    m_timer->start();
}

void BusyIndicator::stop()
{
    m_timer->stop();
    hide();
}

bool BusyIndicator::isRunning() const
{
    return m_timer->isActive();
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    const qreal radius = qMin(width(), height()) / 2.0 - 3.5;
    for (int i = 0; i < Dots; ++i) {
        // The dot of this step is darkest; the ones behind it fade.
        const int age = (m_step - i + Dots) % Dots;
        QColor c(0x15, 0x65, 0xc0);
        c.setAlphaF(1.0 - age * 0.11);
        p.setBrush(c);
        const qreal a = 2 * M_PI * i / Dots - M_PI / 2;
        p.drawEllipse(centre + QPointF(radius * qCos(a), radius * qSin(a)), 2.6, 2.6);
    }
}
