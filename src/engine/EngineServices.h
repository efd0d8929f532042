#pragma once

namespace orvane {

class MessageBoxes;
class ScreenPointer;
class ProgramEnd;
class Clock;
class PageFetcher;
class MailClient;

// The outside world as the engine sees it; each a seam that tests replace.
struct EngineServices {
    MessageBoxes& messages;
    ScreenPointer& pointer;
    ProgramEnd& programEnd;
    const Clock& clock;
    PageFetcher& fetcher;
    MailClient& mailer;
};

} // namespace orvane
