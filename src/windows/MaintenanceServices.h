#pragma once

namespace orvane {

class Clock;
class MessageBoxes;
class ScreenPointer;
class mSentrel;

// What the maintenance windows need from the rest of the program.
struct MaintenanceServices {
    mSentrel& module;
    MessageBoxes& messages;
    ScreenPointer& pointer;
    const Clock& clock;
};

} // namespace orvane
