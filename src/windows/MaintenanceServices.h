#pragma once

namespace orvane {

class Clock;
class MessageBoxes;
class ScreenPointer;
class Workspace;

// What the maintenance windows need from the rest of the program.
struct MaintenanceServices {
    Workspace& workspace;
    MessageBoxes& messages;
    ScreenPointer& pointer;
    const Clock& clock;
};

} // namespace orvane
