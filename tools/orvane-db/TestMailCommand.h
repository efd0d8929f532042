#pragma once

#include <QStringList>

// orvane-db test-mail [--dir DIR] ADDRESS: sends one short mail through the
// mail settings of DIR/Sentrel.mdb, as an alert would go, and tells what
// happened. Exit 0 only when the server took the mail, 1 when it did not,
// 2 for a bad command line.
int runTestMail(const QStringList& arguments);
