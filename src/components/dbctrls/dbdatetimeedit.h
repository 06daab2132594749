#pragma once

#include "components/dbctrls/checkedlineedit.h"
#include "components/dbctrls/dbcontrol.h"

#include <QDate>

class QAction;

// A date that may be empty. The date is typed as yyyy-MM-dd (or picked from the calendar that
// the button at the right edge, F4 or Alt+Down opens); an empty box is an empty (NULL) field,
// and the clear button or deleting the text empties it. Committing an unchanged date keeps the
// stored time of day.
class DBDateTimeEditEh : public CheckedLineEdit, public DBControl
{
    Q_OBJECT
public:
    explicit DBDateTimeEditEh(QWidget *parent = nullptr);

    static QString displayFormat() { return QStringLiteral("yyyy-MM-dd"); }

    // The shown date; invalid when the box is empty or holds no date.
    QDate date() const;
    void setDate(const QDate &date);
    bool isEmptyDate() const { return text().trimmed().isEmpty(); }
    // Opens the calendar below the box.
    void showCalendar();

signals:
    void dateChanged(const QDate &date);

protected:
    QVariant shownValue(bool *ok) const override;
    void showValue(const QVariant &stored) override;
    bool sameValue(const QVariant &stored, const QVariant &shown) const override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QAction *m_calendarAction;
};
