#pragma once

#include "components/report/core/reportengine.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QToolButton;
class ReportPageView;

// The preview of a prepared report: one page at a time, zoomed to the width, the whole page,
// real size or in steps; page navigation, finding a text, printing (through Prompt) and saving
// as PDF.
class ReportPreview : public QDialog
{
    Q_OBJECT
public:
    explicit ReportPreview(const PreparedReport &report, QWidget *parent = nullptr);
    ~ReportPreview() override;
    // Shows a prepared report in a modal preview, through Prompt (tests print it to PDF).
    static void present(QWidget *parent, const PreparedReport &report);

    enum class Fit { None, Width, Page };
    int pageCount() const { return int(m_report.pages.size()); }
    int currentPage() const { return m_page; } // from 0
    double zoom() const { return m_zoom; } // 1 is real size
    Fit fit() const { return m_fit; }

    void showPage(int page);
    void setZoom(double zoom);
    void fitWidth();
    void fitPage();
    void zoomIn();
    void zoomOut();
    // Finds the next occurrence of text after the last one found, from the first page again
    // after the last; false (and a notice) when the report does not contain it.
    bool findNext(const QString &text);
    // The object found last, on the current page; -1 for none.
    int foundItem() const { return m_foundItem; }
    void print();
    void saveAsPdf();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *addButton(const QString &name, const QString &caption, const QString &glyph, const QColor &colour,
                           const QString &tip);
    void updateView();
    double fitZoom(Fit fit) const;

    PreparedReport m_report;
    int m_page = 0;
    double m_zoom = 1;
    Fit m_fit = Fit::Width;
    int m_foundPage = -1;
    int m_foundItem = -1;
    QString m_lastFind;

    QScrollArea *m_scroll;
    ReportPageView *m_view;
    QSpinBox *m_pageBox;
    QLabel *m_pageCount;
    QLabel *m_zoomLabel;
    QLineEdit *m_findEdit;
    QToolButton *m_first;
    QToolButton *m_prior;
    QToolButton *m_next;
    QToolButton *m_last;
};
