#include "app/setup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setUpApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("Parvell"));
    // No display name: the platform would add it to every window's caption, and the captions
    // are the system's own.
    QApplication::setApplicationVersion(QStringLiteral(PARVELL_VERSION));
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto *qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qt_zh_CN"), dir)) {
        QApplication::installTranslator(qt);
    }
    // "宋体" is the face every window asks for; on this platform AR PL UMing draws it.
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        QFont::insertSubstitutions(name, {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")});
    }
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(13);
    QApplication::setFont(font);
}
