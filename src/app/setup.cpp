#include "app/setup.h"

#include <QApplication>
#include <QFont>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
// Qt's Chinese catalogue names the file types of its file dialogs in the context of Qt 5's
// file icon provider; Qt 6 asks in another, and would show "Folder". The texts it lacks.
class FileTypeTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) {
            return {};
        }
        static const QHash<QByteArray, QString> texts = {
            {"Folder", QStringLiteral("文件夹")}, {"File Folder", QStringLiteral("文件夹")},
            {"File", QStringLiteral("文件")},     {"%1 File", QStringLiteral("%1 文件")},
            {"Drive", QStringLiteral("驱动器")},  {"Shortcut", QStringLiteral("快捷方式")},
            {"Unknown", QStringLiteral("未知")},
        };
        return texts.value(QByteArray(sourceText));
    }
    bool isEmpty() const override { return false; }
};
}

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
    QApplication::installTranslator(new FileTypeTexts(&app));
    // "宋体" is the face every window asks for; on this platform AR PL UMing draws it.
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        QFont::insertSubstitutions(name, {QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")});
    }
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(13);
    QApplication::setFont(font);
}
