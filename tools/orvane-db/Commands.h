#pragma once

#include <QStringList>

namespace orvane::db {

// One function per command, each in a file of its own. Each takes the
// arguments that follow the command's name, parses them with its own
// CommandLine and returns the exit code.
int initCommand(const QStringList& arguments);
int listCommand(const QStringList& arguments);
int addCommand(const QStringList& arguments);
int removeCommand(const QStringList& arguments);
int enableCommand(const QStringList& arguments);
int disableCommand(const QStringList& arguments);
int setCommand(const QStringList& arguments);
int exportCommand(const QStringList& arguments);
int importCommand(const QStringList& arguments);
int testMailCommand(const QStringList& arguments);
int statusCommand(const QStringList& arguments);
int resumeCommand(const QStringList& arguments);
int checkCommand(const QStringList& arguments);

} // namespace orvane::db
