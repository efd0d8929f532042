#pragma once

#include <QtGlobal>

namespace orvane {

// The alert kind CType handed to the mail alert; any other value counts as
// a page fault.
namespace AlertKind {
constexpr qint16 PageFault = 0;
constexpr qint16 WholePage = 1;
constexpr qint16 StringSearch = 2;
constexpr qint16 TableAlert = 3;
constexpr qint16 NoTable = 4;
} // namespace AlertKind

} // namespace orvane
