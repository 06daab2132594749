#include "components/dbctrls/dbdatetimeedit.h"

#include "components/common/icons.h"
#include "data/clock.h"
#include "data/dataset.h"

#include <QAction>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

DBDateTimeEditEh::DBDateTimeEditEh(QWidget *parent)
    : CheckedLineEdit(parent)
    , DBControl(this)
{
    setPlaceholderText(QString());
    setClearButtonEnabled(true);
    // Whole or partial yyyy-MM-dd while typing; month and day may have one digit.
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\s*\\d{0,4}(-\\d{0,2}(-\\d{0,2})?)?\\s*")), this));
    setRefusalTip(QStringLiteral("只能输入日期，如2004-08-15"));
    m_calendarAction =
        addAction(Icons::tile(QStringLiteral("日"), QColor(0x15, 0x65, 0xc0), 16), QLineEdit::TrailingPosition);
    m_calendarAction->setObjectName(QStringLiteral("calendarAction"));
    m_calendarAction->setToolTip(QStringLiteral("选择日期"));
    connect(m_calendarAction, &QAction::triggered, this, &DBDateTimeEditEh::showCalendar);
    connect(this, &QLineEdit::textChanged, this, [this] { emit dateChanged(date()); });
}

QDate DBDateTimeEditEh::date() const
{
    const QString t = text().trimmed();
    QDate d = QDate::fromString(t, displayFormat());
    if (!d.isValid()) {
        d = QDate::fromString(t, QStringLiteral("yyyy-M-d"));
    }
    return d;
}

void DBDateTimeEditEh::setDate(const QDate &date)
{
    setText(date.isValid() ? date.toString(displayFormat()) : QString());
}

void DBDateTimeEditEh::showCalendar()
{
    if (!isEnabled() || isReadOnly()) {
        return;
    }
    auto *popup = new QWidget(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setSelectedDate(date().isValid() ? date() : Clock::today());
    layout->addWidget(calendar);
    connect(calendar, &QCalendarWidget::clicked, this, [this, popup](const QDate &d) {
        setDate(d);
        popup->close();
        setFocus();
    });
    connect(calendar, &QCalendarWidget::activated, this, [this, popup](const QDate &d) {
        setDate(d);
        popup->close();
        setFocus();
    });
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    calendar->setFocus();
}

void DBDateTimeEditEh::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 || (event->key() == Qt::Key_Down && event->modifiers().testFlag(Qt::AltModifier))) {
        showCalendar();
        return;
    }
    CheckedLineEdit::keyPressEvent(event);
}

QVariant DBDateTimeEditEh::shownValue(bool *ok) const
{
    *ok = true;
    if (isEmptyDate()) {
        return {};
    }
    const QDate d = date();
    if (!d.isValid()) {
        *ok = false;
        return {};
    }
    return DataSet::toStoredDateTime(d.startOfDay());
}

void DBDateTimeEditEh::showValue(const QVariant &stored)
{
    const QDateTime dt = DataSet::fromStored(stored);
    if (dt.isValid()) {
        setDate(dt.date());
    } else {
        // Empty, or a stored text that is no date: shown as it is.
        setText(stored.isNull() ? QString() : stored.toString());
    }
    setCursorPosition(0);
}

bool DBDateTimeEditEh::sameValue(const QVariant &stored, const QVariant &shown) const
{
    if (stored.isNull() || shown.isNull()) {
        return stored.isNull() && shown.isNull();
    }
    return DataSet::fromStored(stored).date() == DataSet::fromStored(shown).date();
}
