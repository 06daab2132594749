// The column layout of a grid kept in a layout file between openings of a window.
#include "components/grid/dbgrideh.h"
#include "components/grid/dbgrideh_p.h"
#include "components/grid/gridtext.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

namespace {
const QString FitKey = QStringLiteral("FitToWidth");
const QString ColumnsKey = QStringLiteral("Columns");

const QStringList &footerNames()
{
    static const QStringList names = {QStringLiteral("None"), QStringLiteral("Text"), QStringLiteral("Count"),
                                      QStringLiteral("Sum"), QStringLiteral("Value")};
    return names;
}

// "true"/"false" (or 1/0) as written by QSettings; anything else is no answer.
std::optional<bool> readBool(const QVariant &v)
{
    const QString s = v.toString().trimmed().toLower();
    if (s == QLatin1String("true") || s == QLatin1String("1")) {
        return true;
    }
    if (s == QLatin1String("false") || s == QLatin1String("0")) {
        return false;
    }
    return std::nullopt;
}
}

void DBGridEh::saveLayout(QSettings &settings, const QString &section) const
{
    settings.beginGroup(section);
    settings.remove(QString());
    settings.setValue(FitKey, d->fitToWidth);
    const auto &cols = d->model->columns();
    settings.beginWriteArray(ColumnsKey, int(cols.size()));
    for (int i = 0; i < cols.size(); ++i) {
        const GridColumn &c = cols[i];
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("Field"), c.field);
        settings.setValue(QStringLiteral("FooterValue"), c.footerText);
        settings.setValue(QStringLiteral("FooterType"), footerNames().value(int(c.footer)));
        settings.setValue(QStringLiteral("Title"), c.title);
        settings.setValue(QStringLiteral("Visible"), c.visible);
        settings.setValue(QStringLiteral("Width"), c.width);
    }
    settings.endArray();
    settings.endGroup();
}

bool DBGridEh::saveLayoutFile(const QString &path, const QString &section) const
{
    // The section is written into a copy of the file (other windows' sections kept), which
    // then replaces the file whole. A link in the file's place is not followed: the link
    // goes, and what it pointed to is left as it was.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return false;
    }
    const QString work = scratch.filePath(QStringLiteral("layout.ini"));
    const QFileInfo info(path);
    if (info.isFile() && !info.isSymLink()) {
        QFile::copy(path, work);
    }
    {
        QSettings settings(work, QSettings::IniFormat);
        saveLayout(settings, section);
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            return false;
        }
    }
    QFile written(work);
    if (!written.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (info.isSymLink() && !QFile::remove(path)) {
        return false;
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(written.readAll()) == written.size() && file.commit();
}

// What the file says about a column the window declares is taken where it makes sense;
// unknown fields, repeated fields and unreadable values are passed over, and columns the
// file does not name keep their design settings after the named ones.
void DBGridEh::loadLayout(QSettings &settings, const QString &section)
{
    const QList<GridColumn> design = d->model->columns();
    settings.beginGroup(section);
    const std::optional<bool> fit = readBool(settings.value(FitKey));
    const int n = qBound(0, settings.beginReadArray(ColumnsKey), 10000);
    QList<GridColumn> loaded;
    QSet<QString> seen;
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        const QString field = settings.value(QStringLiteral("Field")).toString();
        int at = -1;
        for (int j = 0; j < design.size(); ++j) {
            if (design[j].field == field) {
                at = j;
                break;
            }
        }
        if (at < 0 || seen.contains(field)) {
            continue;
        }
        seen.insert(field);
        GridColumn c = design[at];
        const QString title = settings.value(QStringLiteral("Title")).toString();
        if (!title.trimmed().isEmpty()) {
            c.title = GridText::cappedTitle(title);
        }
        const int footer = footerNames().indexOf(settings.value(QStringLiteral("FooterType")).toString());
        if (footer >= 0) {
            c.footer = GridColumn::Footer(footer);
        }
        if (settings.contains(QStringLiteral("FooterValue"))) {
            c.footerText = settings.value(QStringLiteral("FooterValue")).toString();
        }
        if (const auto visible = readBool(settings.value(QStringLiteral("Visible")))) {
            c.visible = *visible;
        }
        bool ok = false;
        const int width = settings.value(QStringLiteral("Width")).toString().trimmed().toInt(&ok);
        if (ok && width > 0 && width <= 4000) {
            c.width = width;
        }
        loaded << c;
    }
    settings.endArray();
    settings.endGroup();
    if (loaded.isEmpty() && !fit) {
        return; // no layout stored: the design layout stays
    }
    for (const GridColumn &c : design) {
        if (!seen.contains(c.field)) {
            loaded << c;
        }
    }
    // A layout that hides every column would leave nothing to show and nothing to pick.
    bool anyVisible = false;
    for (const GridColumn &c : loaded) {
        anyVisible = anyVisible || c.visible;
    }
    if (!anyVisible) {
        for (GridColumn &c : loaded) {
            for (const GridColumn &dc : design) {
                if (dc.field == c.field) {
                    c.visible = dc.visible;
                }
            }
        }
    }
    fitTypicalTexts(loaded);
    changeColumns([&] { d->model->setColumns(loaded); });
    if (fit) {
        setFitToWidth(*fit);
    }
}
