#pragma once

#include "components/report/core/reportengine.h"

#include <QRectF>
#include <QString>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

// Paints reports with QPainter: on the screen, a printer or a PDF file alike. Font sizes follow
// the page's scale, whatever the resolution of the device.
namespace ReportPainter {
// Paints one page so that it fills target (device units, the page's proportions).
void paintPage(QPainter *painter, const PreparedReport &report, int page, const QRectF &target);
// Paints one object in rect (device units) with the given text, cut at its box, scale being
// device units per millimetre: the designer draws templates with it.
void paintObject(QPainter *painter, const ReportObject &object, const QRectF &rect, const QString &text, double scale);
// Sets the paper, its orientation and no margins (the template has its own).
void setUpPage(QPagedPaintDevice *device, const ReportPage &page);
// Prints the pages the printer asks for (all, or its from/to range) on a printer set up for the
// template's page.
bool print(QPrinter *printer, const PreparedReport &report);
// Writes every page to a PDF file; false with the reason.
bool writePdf(const PreparedReport &report, const QString &path, QString *error = nullptr);
}
