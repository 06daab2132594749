#pragma once

#include <QByteArray>
#include <QList>
#include <QSizeF>
#include <QString>

// A banded report template: a page and, from top to bottom, the bands printed on it. Every
// position and size is in millimetres; an object's position is taken from the top left corner
// of its band, whose left edge is the page's left margin.

enum class BandKind { ReportTitle, PageHeader, MasterData, Summary, PageFooter };
enum class ObjectKind { Text, Line, Rect, Picture };
enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center, Bottom };

struct ReportFont
{
    QString family = QStringLiteral("宋体");
    double size = 10.5; // points
    bool bold = false;
    bool italic = false;
    bool operator==(const ReportFont &) const = default;
};

// Which sides of a text object get a line.
struct ReportFrame
{
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
    bool any() const { return left || top || right || bottom; }
    bool all() const { return left && top && right && bottom; }
    bool operator==(const ReportFrame &) const = default;
};

struct ReportObject
{
    ObjectKind kind = ObjectKind::Text;
    QString name; // unique in the template: "文本3", shown by the designer and in error reasons
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0; // a line runs from (x, y) to (x + width, y + height)
    QString text; // text objects: literal text with [expressions]
    ReportFont font;
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Center;
    ReportFrame frame;
    double lineWidth = 0.2; // millimetres: frames, lines and rectangles
    bool wordWrap = false;
    QByteArray picture; // picture objects: the image file's bytes (PNG or JPEG)
    bool operator==(const ReportObject &) const = default;
};

struct ReportBand
{
    BandKind kind = BandKind::MasterData;
    double height = 10;
    QString dataSet; // master data band: the data set it prints a row of for every row
    QList<ReportObject> objects;
    bool operator==(const ReportBand &) const = default;
};

struct ReportPage
{
    QString paper = QStringLiteral("A4"); // A3, A4, A5, B5, Letter or Custom
    bool landscape = false;
    double paperWidth = 210; // upright, in millimetres
    double paperHeight = 297;
    double left = 10;
    double top = 10;
    double right = 10;
    double bottom = 10;

    // The page as it lies (turned for landscape).
    double width() const { return landscape ? paperHeight : paperWidth; }
    double height() const { return landscape ? paperWidth : paperHeight; }
    QSizeF size() const { return {width(), height()}; }
    double printableWidth() const { return width() - left - right; }
    double printableHeight() const { return height() - top - bottom; }
    // Sets paper and its upright size from a known name; false for an unknown name.
    bool setPaper(const QString &name);
    static QStringList paperNames();
    bool operator==(const ReportPage &) const = default;
};

struct ReportTemplate
{
    QString title;
    ReportPage page;
    QList<ReportBand> bands; // in BandKind order, at most one of each kind

    int bandIndex(BandKind kind) const;
    const ReportBand *band(BandKind kind) const;
    // Adds a band of the kind in its place (or returns the one there is); its index.
    int addBand(BandKind kind);
    // A name no object of the template has yet: "文本1", "线条2", ...
    QString freeName(ObjectKind kind) const;

    // The first fault that makes the template unusable, in words an office clerk can pass on,
    // or an empty text: sizes and positions, bands that cannot fit a page, the syntax of every
    // expression. Fields are checked when the report is prepared against its data.
    QString fault() const;

    bool operator==(const ReportTemplate &) const = default;

    static QString bandCaption(BandKind kind);
    static QString kindCaption(ObjectKind kind);
};
