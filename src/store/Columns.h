#pragma once

#include <QLatin1StringView>
#include <QtGlobal>

namespace orvane {

// The tables and columns of the watch database, spelled once for the
// schema, the engine, the windows and orvane-db, so that a renamed column
// fails to compile instead of going missing at run time; and the most
// characters each column takes, for the schema's declared sizes and the
// boxes that let a person type it.
namespace Columns {

// Table URLs: one watch entry a row.
inline constexpr QLatin1StringView kUrlsTable("URLs");
inline constexpr QLatin1StringView kUrl("URL");
inline constexpr QLatin1StringView kEMail("EMail");
inline constexpr QLatin1StringView kSubject("Subject");
inline constexpr QLatin1StringView kActive("Active");
inline constexpr QLatin1StringView kSearchType("Search type");
inline constexpr QLatin1StringView kStringSearch("String search");
inline constexpr QLatin1StringView kStringOffset("String offset");
inline constexpr QLatin1StringView kStringLength("String length");
inline constexpr QLatin1StringView kTableNumber("Table number");
inline constexpr QLatin1StringView kRowNumber("Row number");
inline constexpr QLatin1StringView kColumnNumber("Column number");
inline constexpr QLatin1StringView kRepeatCount("Repeat count");
inline constexpr QLatin1StringView kContent("Content");
inline constexpr QLatin1StringView kAdded("Added");

// How the yes/no column "Active" stores its two values.
inline constexpr qint64 kYes = -1;
inline constexpr qint64 kNo = 0;

// Table System: the settings, read from its first row.
inline constexpr QLatin1StringView kSystemTable("System");
inline constexpr QLatin1StringView kWakeUp("Wake-up");
inline constexpr QLatin1StringView kMailServer("Mail server");
inline constexpr QLatin1StringView kSmtpPort("SMTP Port");

// The most characters a column takes: the maintenance windows' box limits,
// which the schema declares as the text columns' sizes so that the file
// holds what a box can hold. "Subject" and "Content" are long text, with
// no limit.
inline constexpr int kUrlLimit = 80;
inline constexpr int kEMailLimit = 255;
// One code: "W", "S" or "T".
inline constexpr int kSearchTypeLimit = 1;
inline constexpr int kStringSearchLimit = 50;
// Four digits keep every value within the 16 bits the searches count in.
inline constexpr int kNumberLimit = 4;
// Two digits of wake-up ticks always fit the 16 bits the watcher counts
// them in.
inline constexpr int kWakeUpLimit = 2;
inline constexpr int kMailServerLimit = 50;
// Three digits cover the usual mail ports (25, 465, 587).
inline constexpr int kSmtpPortLimit = 3;

} // namespace Columns

} // namespace orvane
