// A list of the visible named widgets of the program's windows, kept in a
// text file for scripts that drive the window from outside: they find what
// to click and what to read by object name, wherever fonts and styles put it
// (scripts/test-windows does so under Wine). Nothing runs unless the
// environment asks for it.
#ifndef WIDGETMAP_H
#define WIDGETMAP_H

#include <QString>

namespace widgetmap {

// One line per visible widget with an object name, in every visible
// top-level window, fields separated by tabs:
//   name  x  y  width  height  enabled  text
// The rectangle is in the screen's pixels, as the windowing system counts
// them (Qt's device-independent global coordinates scaled by the screen's
// ratio); enabled is 1 or 0; text is a line edit's, button's, label's or
// combo box's, with backslash, tab and line ends written as \\, \t, \n, \r.
QString describe();

// With QUORVEL_WIDGET_MAP=FILE in the environment, replaces FILE in one
// step (QSaveFile) whenever describe() changes, looking every 100 ms, so
// moves, resizes, new texts and enabled states all reach it. Without the
// variable it does nothing. Call once, after the application object exists.
void startFromEnvironment();

} // namespace widgetmap

#endif // WIDGETMAP_H
