#pragma once

// Implemented by the reminder window so that start-up can run its "提醒" command without
// showing it: hides the days entry, fills the scratch table, and tells whether a house is due.
class StartupReminder
{
public:
    virtual ~StartupReminder() = default;
    virtual bool remindAtStartUp() = 0;
};
