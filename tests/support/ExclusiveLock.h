#pragma once

#include "ChildProcess.h"

#include <QString>

#include <memory>

namespace orvane::test {

// Another process that holds a database file exclusively until destroyed.
std::unique_ptr<ChildProcess> holdExclusively(const QString& path);

} // namespace orvane::test
