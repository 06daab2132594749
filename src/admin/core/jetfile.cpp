#include "admin/core/jetfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Every Jet and ACE file begins with this page header and one of the two signatures; the byte
// after them tells the format, and with it the page size.
const QByteArray PageHeader("\x00\x01\x00\x00", 4);
const QByteArray JetSignature("Standard Jet DB\0", 16);
const QByteArray AceSignature("Standard ACE DB\0", 16);
constexpr int VersionOffset = 0x14;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// Office 2007 and later encrypt an .accdb with a cryptographic provider named in the file's
// first page; no reader on this platform can decrypt it.
bool namesCryptoProvider(const QByteArray &firstPage)
{
    const QString provider = QStringLiteral("Cryptographic Provider");
    const QByteArray wide(reinterpret_cast<const char *>(provider.utf16()), provider.size() * 2);
    return firstPage.contains(provider.toLatin1()) || firstPage.contains(wide);
}

}

JetFile::Examined JetFile::examine(const QString &file)
{
    Examined e;
    if (file.trimmed().isEmpty()) {
        e.refusal = QStringLiteral("请先选择要导入的旧数据库文件！");
        return e;
    }
    const QFileInfo info(file);
    if (!info.exists()) {
        e.refusal = QStringLiteral("文件 %1 不存在！").arg(shown(file));
        return e;
    }
    if (!info.isFile()) {
        e.refusal = QStringLiteral("%1 不是一个文件！").arg(shown(file));
        return e;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        e.refusal = QStringLiteral("不能读取文件 %1：%2").arg(shown(file), f.errorString());
        return e;
    }
    if (info.size() == 0) {
        e.refusal = QStringLiteral("文件 %1 是空文件（0 字节），其中没有任何数据，不能导入。").arg(shown(file));
        return e;
    }
    const QByteArray head = f.read(4096);
    const bool jet = head.startsWith(QByteArray(PageHeader + JetSignature));
    e.ace = head.startsWith(QByteArray(PageHeader + AceSignature));
    if (!jet && !e.ace) {
        e.refusal = QStringLiteral("文件 %1 不是 Access 数据库（.mdb）文件，不能导入。").arg(shown(file));
        return e;
    }
    const int version = head.size() > VersionOffset ? int(quint8(head.at(VersionOffset))) : -1;
    const qint64 pageSize = version == 0 ? 2048 : 4096;
    e.format = version == 0 ? QStringLiteral("Jet 3") : version == 1 ? QStringLiteral("Jet 4") : QStringLiteral("ACE");
    if (info.size() < 2 * pageSize || info.size() % pageSize != 0) {
        e.refusal = QStringLiteral("文件 %1 不完整（%2 字节，不是整数个数据页），可能在复制时被截断，不能导入。")
                        .arg(shown(file))
                        .arg(info.size());
        return e;
    }
    if (e.ace && namesCryptoProvider(head)) {
        e.refusal = QStringLiteral("无法读取该文件（可能已加密）：%1").arg(shown(file));
        return e;
    }
    // Access keeps a lock file beside a database it has open.
    const QDir folder = info.absoluteDir();
    for (const QString &suffix : {QStringLiteral("ldb"), QStringLiteral("laccdb")}) {
        for (const QString &spelled : {suffix, suffix.toUpper()}) {
            const QString lock = folder.filePath(info.completeBaseName() + QLatin1Char('.') + spelled);
            if (QFileInfo::exists(lock)) {
                e.warnings << QStringLiteral("发现锁定文件 %1，旧程序可能仍在使用该数据库，读到的可能不是最新的数据。")
                                  .arg(shown(lock));
            }
        }
    }
    return e;
}
