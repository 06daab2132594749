#pragma once

#include "components/report/core/reportdata.h"
#include "components/report/designercanvas.h"

#include <QDialog>

class DesignerProperties;
class QLabel;
class QScrollArea;
class QToolButton;
class QUndoStack;

// The report designer: the template's bands and objects on the left, the selection's
// properties on the right. Objects are selected, moved and resized with the mouse and the arrow
// keys, added and deleted, bands added and deleted; every change can be undone and redone. The
// preview shows the template with the data sets it was given. Saving writes the file whole
// and only a template that reads back as it is; closing with changes asks whether to save.
class ReportDesigner : public QDialog
{
    Q_OBJECT
public:
    ReportDesigner(const ReportTemplate &report, const QString &path, const ReportSources &previewData,
                   QWidget *parent = nullptr);
    ~ReportDesigner() override;

    const ReportTemplate &reportTemplate() const { return m_template; }
    DesignerSelection selection() const { return m_selection; }
    QString path() const { return m_path; }
    QUndoStack *undoStack() const { return m_undo; }
    DesignerCanvas *canvas() const { return m_canvas; }
    bool isModified() const;

    void select(const DesignerSelection &selection);
    // Replaces the template as one step that can be undone; steps with the same merge id on the
    // same selection, one after another, are one step (typing, holding an arrow key).
    void change(const ReportTemplate &after, const QString &what, int mergeId = -1,
                const std::optional<DesignerSelection> &selectAfter = std::nullopt);
    // Puts the selected object into a band (its own or another) at a place and size in mm.
    void placeObject(const DesignerSelection &object, int band, const QRectF &box);
    // Moves (or, resize, sizes) the selected object by millimetres, kept inside its band.
    void nudge(double dx, double dy, bool resize);
    void addObject(ObjectKind kind);
    void deleteSelected();
    void addBand(BandKind kind);
    void deleteBand();
    void editText();
    void preview();
    bool save();

    // Shows a template and a selection (the undo history's steps call this).
    void apply(const ReportTemplate &report, const DesignerSelection &selection);

    // Closing: with changes, asks whether to save them first.
    void reject() override;

private:
    void buildToolBar(QWidget *bar);
    void updateState();
    bool confirmClose();

    ReportTemplate m_template;
    QString m_path;
    ReportSources m_sources;
    DesignerSelection m_selection;
    QUndoStack *m_undo;
    DesignerCanvas *m_canvas = nullptr;
    DesignerProperties *m_properties = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_status = nullptr;
    QToolButton *m_bandButton = nullptr;
    QString m_masterName; // the data set a new master data band prints
};
