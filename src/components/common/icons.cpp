#include "components/common/icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

QIcon Icons::tile(const QString &glyph, const QColor &colour, int size)
{
    QIcon icon;
    for (int s : {size, size * 2}) {
        QPixmap pm(s, s);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, s);
        g.setColorAt(0, colour.lighter(135));
        g.setColorAt(1, colour.darker(115));
        QPainterPath path;
        path.addRoundedRect(QRectF(1, 1, s - 2, s - 2), s / 5.0, s / 5.0);
        p.fillPath(path, g);
        p.setPen(QPen(colour.darker(160), s / 32.0));
        p.drawPath(path);
        QFont f(QStringLiteral("WenQuanYi Zen Hei"));
        f.setPixelSize(int(s * 0.58));
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, glyph);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QToolButton *Icons::button(QWidget *parent, const QString &objectName, const QString &caption, const QString &glyph,
                           const QColor &colour, int size)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(objectName);
    b->setText(caption);
    b->setAccessibleName(caption);
    b->setIcon(tile(glyph, colour, size));
    b->setIconSize(QSize(size, size));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setMinimumSize(50, 43);
    return b;
}
