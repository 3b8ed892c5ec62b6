#pragma once

#include <QDate>
#include <QObject>
#include <functional>

class QAction;
class QCalendarWidget;
class QLineEdit;

namespace app {

// A calendar for a line typed into a date column: Alt+Down, or the small button at the line's
// right edge, opens it on the date the line holds (when it reads as one) or on today. Picking a
// day puts it into the line as dd.mm.yyyy; Escape closes the calendar and leaves the line as it
// was. Outside date columns neither the key nor the button does anything.
class DateCalendar : public QObject {
    Q_OBJECT
public:
    DateCalendar(QLineEdit& line, std::function<QDate()> today);

    // Whether the line is on a date column now: the button shows, Alt+Down opens the calendar.
    void setAvailable(bool available);
    void open();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pick(QDate date);

    QLineEdit& line_;
    std::function<QDate()> today_;
    QCalendarWidget* calendar_;
    QAction* button_; // shown on a date column only
};

} // namespace app
