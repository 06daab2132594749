// The workbook is opened with minizip (zlib's zip reader, which libxlsxwriter uses too) and its parts read with
// QXmlStreamReader as they are unpacked; a CSV file is decoded whole and split by the usual quoting rules.

#include "components/grid/core/sheetreader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <unzip.h>

namespace SheetReader {

namespace {

constexpr int MaxColumns = 16384; // XFD, the last column a workbook can have

QString quoted(const QString &path)
{
    return QStringLiteral("“") + QFileInfo(path).fileName() + QStringLiteral("”");
}

QString damaged(const QString &path)
{
    return QStringLiteral("文件%1已损坏，无法作为 Excel 工作簿读取。").arg(quoted(path));
}

QString emptyFile(const QString &path)
{
    return QStringLiteral("文件%1是空的，没有可以导入的数据。").arg(quoted(path));
}

bool blank(const QList<SheetCell> &cells)
{
    for (const SheetCell &cell : cells)
        if (!cell.text.trimmed().isEmpty())
            return false;
    return true;
}

// Keeps a row that has something in it, without its empty cells at the end.
void addRow(QList<SheetRow> *rows, int line, QList<SheetCell> &&cells)
{
    if (blank(cells))
        return;
    while (cells.last().text.isEmpty())
        cells.removeLast();
    rows->append(SheetRow {line, std::move(cells)});
}

// ---- .xlsx ----

// One part of the workbook, unpacked as it is read.
class ZipEntry : public QIODevice
{
public:
    explicit ZipEntry(unzFile zip)
        : m_zip(zip)
    { }
    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int n = unzReadCurrentFile(m_zip, data, unsigned(qMin<qint64>(maxSize, 1 << 20)));
        m_failed = m_failed || n < 0;
        return n < 0 ? -1 : n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    unzFile m_zip;
    bool m_failed = false;
};

class Workbook
{
public:
    explicit Workbook(const QString &path)
        : m_zip(unzOpen64(QFile::encodeName(path).constData()))
    { }
    ~Workbook()
    {
        if (m_zip)
            unzClose(m_zip);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    bool isOpen() const { return m_zip != nullptr; }

    // Runs read over the unpacked part; false when the part is missing (and missing is not
    // allowed), cannot be unpacked, fails its checksum or is not well-formed XML.
    template<typename Read> bool part(const QString &name, bool mayBeMissing, Read read)
    {
        if (unzLocateFile(m_zip, name.toUtf8().constData(), 2 /* any case */) != UNZ_OK)
            return mayBeMissing;
        if (unzOpenCurrentFile(m_zip) != UNZ_OK)
            return false;
        ZipEntry entry(m_zip);
        entry.open(QIODevice::ReadOnly);
        QXmlStreamReader xml(&entry);
        const bool ok = read(xml) && !xml.hasError() && !entry.failed();
        // Reading to the end makes the checksum known; closing compares it.
        while (ok && unzReadCurrentFile(m_zip, m_rest, sizeof m_rest) > 0) { }
        return unzCloseCurrentFile(m_zip) == UNZ_OK && ok;
    }

private:
    unzFile m_zip;
    char m_rest[4096];
};

// The text of a shared or inline string: its own <t>, or its runs' <t> joined; the phonetic
// guide (<rPh>) is not part of the text. Reads up to the end of the current element.
QString richText(QXmlStreamReader &xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"t")
            text += xml.readElementText();
        else if (xml.name() == u"r")
            text += richText(xml);
        else
            xml.skipCurrentElement();
    }
    return text;
}

// The target of the relationship with this id (or, when byType, of the workbook itself) in a
// .rels part, as a path inside the zip; relative targets are taken from folder.
QString relationTarget(QXmlStreamReader &xml, const QString &folder, const QString &id, bool byType)
{
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const auto a = xml.attributes();
        const bool match =
            byType ? a.value(QLatin1String("Type")).endsWith(u"/officeDocument") : a.value(QLatin1String("Id")) == id;
        if (!match)
            continue;
        const QString target = a.value(QLatin1String("Target")).toString();
        return target.startsWith(u'/') ? target.mid(1) : folder + target;
    }
    return QString();
}

// "AB12" → 27 (from 0); -1 when the reference has no column letters.
int columnOf(QStringView reference)
{
    int column = 0;
    int letters = 0;
    for (QChar c : reference) {
        if (c >= u'A' && c <= u'Z')
            column = column * 26 + (c.unicode() - u'A' + 1);
        else
            break;
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// The cell's text as the sheet holds it; false when it points at a shared string that is not
// there.
bool cellText(QXmlStreamReader &xml, const QStringList &shared, SheetCell *cell)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView type = attributes.value(QLatin1String("t"));
    QString value;
    QString inlineText;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"v")
            value = xml.readElementText();
        else if (xml.name() == u"is")
            inlineText = richText(xml);
        else
            xml.skipCurrentElement(); // the formula: its saved result is in <v>
    }
    if (type == u"s") {
        bool ok = false;
        const int index = value.toInt(&ok);
        if (!ok || index < 0 || index >= shared.size())
            return false;
        cell->text = shared.at(index);
    } else if (type == u"inlineStr") {
        cell->text = inlineText;
    } else if (type == u"b") {
        cell->text = value == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    } else if (type.isEmpty() || type == u"n") {
        cell->text = value;
        cell->number = !value.isEmpty();
    } else { // "str" (a formula's text), "e" (an error such as #N/A), "d" (an ISO date)
        cell->text = value;
    }
    return true;
}

bool readSheet(QXmlStreamReader &xml, const QStringList &shared, QList<SheetRow> *rows)
{
    int previousRow = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"row")
            continue;
        const QXmlStreamAttributes rowAttributes = xml.attributes();
        const QStringView r = rowAttributes.value(QLatin1String("r"));
        const int line = r.isEmpty() ? previousRow + 1 : r.toInt();
        if (line <= previousRow)
            return false;
        previousRow = line;
        QList<SheetCell> cells;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"c") {
                xml.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView reference = attributes.value(QLatin1String("r"));
            const int column = reference.isEmpty() ? int(cells.size()) : columnOf(reference);
            if (column < int(cells.size()) || column >= MaxColumns)
                return false;
            cells.resize(column + 1);
            if (!cellText(xml, shared, &cells[column]))
                return false;
        }
        addRow(rows, line, std::move(cells));
    }
    return true;
}

bool readXlsx(const QString &path, QList<SheetRow> *rows, QString *error)
{
    Workbook book(path);
    if (!book.isOpen()) {
        *error = damaged(path);
        return false;
    }
    QString workbookPart;
    if (!book.part(QStringLiteral("_rels/.rels"), false, [&](QXmlStreamReader &xml) {
            workbookPart = relationTarget(xml, QString(), QString(), true);
            return !workbookPart.isEmpty();
        })) {
        *error = QStringLiteral("文件%1不是 Excel 工作簿，或者已损坏。").arg(quoted(path));
        return false;
    }
    const QString folder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);
    const QString relations =
        folder + QStringLiteral("_rels/") + workbookPart.mid(folder.size()) + QStringLiteral(".rels");

    QString firstSheetId;
    QString sheetPart;
    QStringList sharedStrings;
    const bool found = book.part(workbookPart, false, [&](QXmlStreamReader &xml) {
        while (!xml.atEnd() && firstSheetId.isEmpty())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet")
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == u"id")
                        firstSheetId = a.value().toString();
        return !firstSheetId.isEmpty();
    }) && book.part(relations, false, [&](QXmlStreamReader &xml) {
        sheetPart = relationTarget(xml, folder, firstSheetId, false);
        return !sheetPart.isEmpty();
    });
    if (!found
        || !book.part(folder + QStringLiteral("sharedStrings.xml"), true,
                      [&](QXmlStreamReader &xml) {
                          while (!xml.atEnd())
                              if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                                  sharedStrings.append(richText(xml));
                          return true;
                      })
        || !book.part(sheetPart, false, [&](QXmlStreamReader &xml) { return readSheet(xml, sharedStrings, rows); })) {
        rows->clear();
        *error = damaged(path);
        return false;
    }
    return true;
}

// ---- .csv ----

// The file's text, or a null string when it is no text file (it holds NUL characters that
// no text encoding explains).
QString decodedText(const QByteArray &bytes)
{
    if (auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom); // drops the byte-order mark
        const QString text = decoder(bytes);
        return decoder.hasError() ? QString() : text;
    }
    if (bytes.contains('\0'))
        return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    text = gb18030(bytes);
    return gb18030.hasError() ? QString() : text;
}

bool readCsv(const QString &path, const QString &text, QList<SheetRow> *rows, QString *error)
{
    int line = 1;
    int rowLine = 1;
    QList<SheetCell> cells;
    QString cell;
    bool inQuotes = false;
    bool wasQuoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == u'\n' || (c == u'\r' && !(i + 1 < n && text.at(i + 1) == u'\n')))
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == u'"' && cell.isEmpty() && !wasQuoted) {
            inQuotes = wasQuoted = true;
        } else if (c == u',') {
            cells.append(SheetCell {std::exchange(cell, QString()), false});
            wasQuoted = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            cells.append(SheetCell {std::exchange(cell, QString()), false});
            addRow(rows, rowLine, std::exchange(cells, {}));
            wasQuoted = false;
            rowLine = ++line;
        } else {
            cell += c;
        }
    }
    if (inQuotes) {
        rows->clear();
        *error = QStringLiteral("文件%1第 %2 行的引号没有配对，无法读取。").arg(quoted(path)).arg(rowLine);
        return false;
    }
    cells.append(SheetCell {cell, false});
    addRow(rows, rowLine, std::move(cells));
    return true;
}

} // namespace

bool read(const QString &path, QList<SheetRow> *rows, QString *error)
{
    rows->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("无法打开文件%1（%2）。文件可能不存在，或正被其他程序占用。")
                     .arg(quoted(path), file.errorString());
        return false;
    }
    const QByteArray head = file.peek(8);
    bool ok = false;
    if (head.startsWith("PK\x03\x04")) {
        file.close();
        ok = readXlsx(path, rows, error);
    } else if (head.startsWith("\xD0\xCF\x11\xE0")) {
        *error =
            QStringLiteral("文件%1是 Excel 97-2003 工作簿（.xls），请在 Excel 中另存为 .xlsx 或 .csv 文件后再导入。")
                .arg(quoted(path));
        return false;
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFile::NoError) {
            *error = QStringLiteral("读取文件%1时出错（%2）。").arg(quoted(path), file.errorString());
            return false;
        }
        const QString text = decodedText(bytes);
        if (text.isNull() && !bytes.isEmpty()) {
            *error = QStringLiteral("文件%1既不是 Excel 工作簿（.xlsx），也不是 CSV 文本文件。").arg(quoted(path));
            return false;
        }
        ok = readCsv(path, text, rows, error);
    }
    if (ok && rows->isEmpty()) {
        *error = emptyFile(path);
        return false;
    }
    return ok;
}

}
