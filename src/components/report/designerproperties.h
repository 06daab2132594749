#pragma once

#include "components/report/core/reportdata.h"
#include "components/report/designercanvas.h"

#include <QWidget>
#include <functional>

class QFormLayout;
class QPlainTextEdit;
class QStackedWidget;

// The designer's property panel: the page's settings when nothing is selected, a band's height
// and data set, or an object's position, size, text, font, alignment, frame and line width.
// Every edit becomes a step of the designer's undo history; typing into one field is one step.
class DesignerProperties : public QWidget
{
    Q_OBJECT
public:
    DesignerProperties(ReportDesigner *designer, const ReportSources &sources, QWidget *parent = nullptr);

    // Shows the selection's values (after a selection, an edit, an undo).
    void refresh();
    // Puts the cursor into the text of the selected text object.
    void editText();

    template<typename T> using Field = std::function<T &(ReportTemplate &, const DesignerSelection &)>;

private:
    QFormLayout *addPage(const QString &name);
    void addNumber(QFormLayout *form, const char *name, const QString &label, double min, double max,
                   const QString &suffix, const Field<double> &field);
    void addFlag(QFormLayout *form, const char *name, const QString &label, const Field<bool> &field,
                 QWidget *row = nullptr);
    void addLine(QFormLayout *form, const char *name, const QString &label, const Field<QString> &field);
    template<typename E>
    void addChoice(QFormLayout *form, const char *name, const QString &label, const QStringList &items,
                   const Field<E> &field);
    void buildPage();
    void buildBand();
    void buildObject(const ReportSources &sources);
    // Applies an edit to a copy of the template and hands it to the designer.
    void edit(const QString &what, const std::function<void(ReportTemplate &, const DesignerSelection &)> &change);
    int mergeId(const QString &key);

    ReportDesigner *m_designer;
    QStackedWidget *m_pages;
    QFormLayout *m_objectForm = nullptr;
    QPlainTextEdit *m_text = nullptr;
    // What shows each control's value, with the page of the panel the control is on.
    using Show = std::function<void(ReportTemplate &, const DesignerSelection &)>;
    struct Shows
    {
        int page = 0; // the page being built
        QList<QPair<int, Show>> items;
        Shows &operator<<(const Show &show)
        {
            items << qMakePair(page, show);
            return *this;
        }
    } m_show;
    QStringList m_mergeNames;
    QList<QWidget *> m_textOnly; // rows that only text objects have
    QWidget *m_pictureRow = nullptr;
    bool m_refreshing = false;
};
