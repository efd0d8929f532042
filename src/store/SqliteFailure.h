#pragma once

#include "base/Failure.h"

struct sqlite3;

namespace orvane {

// Maps a SQLite result code to the program's error number and text.
Failure sqliteFailure(int resultCode);

} // namespace orvane
