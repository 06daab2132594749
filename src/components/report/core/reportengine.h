#pragma once

#include "components/report/core/reportdata.h"
#include "components/report/core/reporttemplate.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

// One object placed on a page of a prepared report.
struct PreparedItem
{
    int band = 0; // index into the template's bands
    int object = 0; // index into that band's objects
    QRectF rect; // millimetres from the page's top left corner
    QString text; // text objects: the text as printed, every expression worked out
};

struct PreparedPage
{
    QList<PreparedItem> items;
    int firstRow = 0; // the master rows printed on this page: [firstRow, endRow)
    int endRow = 0;
};

// A report laid out on pages, ready to be painted, searched or printed.
struct PreparedReport
{
    ReportTemplate report;
    QList<PreparedPage> pages;
    const ReportObject &object(const PreparedItem &item) const { return report.bands[item.band].objects[item.object]; }
};

// Prepares a template against its data sets. Bands keep their height: the report title opens
// the first page, the page header and footer are on every page, the master data band is
// printed once for every row of its data set, a band that no longer fits above the footer
// starts a new page, and the summary follows the last row.
//
// Fields outside the master data band read a row too: the report title the first row, the page
// header the first row of its page, the page footer the last row of its page, the summary the
// last row. SUM and COUNT add up every row, in the page header and footer the rows of the page.
namespace ReportEngine {
std::optional<PreparedReport> prepare(const ReportTemplate &report, const ReportSources &sources, QString *error);
}
