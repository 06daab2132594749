#pragma once

class QApplication;

// What the program sets once for the whole application before its first window: its name,
// Chinese texts, dates and numbers, and the fonts every window asks for.
void setUpApplication(QApplication &app);
