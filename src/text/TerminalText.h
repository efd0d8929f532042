#pragma once

#include <QString>

namespace orvane {

// Text from elsewhere (a value on the command line, an answer on the control
// socket) made safe to print on a terminal: every character that a terminal
// acts on rather than shows is written as an escape, so that no text can
// move the cursor, retitle the window, hide what follows or break the line.
class TerminalText {
public:
    // C0 controls, DEL, C1 controls (a terminal may take U+009B for CSI),
    // the line and paragraph separators and the bidirectional overrides and
    // isolates, which reorder what follows them on screen.
    static bool acts(QChar c);
    // \r, \n and \t as such; any other such character as \xHH below U+0100,
    // else \uHHHH. Everything else, UTF-8 letters too, kept.
    static QString escaped(const QString& text);
    // A JSON text with those characters written as \uHHHH, as JSON allows
    // inside a string (the only place they can be).
    static QString escapedJson(const QString& json);
};

} // namespace orvane
