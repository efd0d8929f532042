#pragma once

#include "Fakes.h"
#include "TempDatabase.h"

#include "engine/mSentrel.h"
#include "engine/Twips.h"
#include "windows/MaintenanceServices.h"

#include <QApplication>
#include <QDir>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

namespace orvane::test {

// One application object for the whole test program.
inline QApplication& application()
{
    static int argc = 1;
    static char name[] = "windows_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// A fresh Sentrel.mdb made the current directory, since the windows open
// the file by its bare name, and the seams the windows talk through.
class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application(); }

    void SetUp() override
    {
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(db.dir()));
    }
    void TearDown() override { QDir::setCurrent(previousDir_); }

    MaintenanceServices services() { return {module, messages, pointer, clock}; }

    // A design rectangle in twips as the window lays it out in pixels.
    static QRect twipsRect(int left, int top, int width, int height)
    {
        return {twips(left), twips(top), twips(width), twips(height)};
    }

    // The controls among the given ones in the order Tab visits them,
    // starting at the first.
    static QList<QWidget*> tabSequence(const QList<QWidget*>& controls)
    {
        QList<QWidget*> chain;
        QWidget* at = controls.first();
        do {
            if (controls.contains(at))
                chain << at;
            at = at->nextInFocusChain();
        } while (at != controls.first() && chain.size() <= controls.size());
        return chain;
    }

    // Counts the rows of a table through a connection of the test's own.
    qint64 countRows(const QString& table) const
    {
        auto rs = db.open().openRecordset(table);
        return rs.ok() ? rs.value().recordCount() : -1;
    }

    // One column of a table's row with the given rowid.
    Value column(const QString& table, const QString& name, qint64 rowid) const
    {
        auto rs = db.open().openRecordset(QStringLiteral("SELECT \"%1\" FROM %2 WHERE rowid = %3")
                                              .arg(name, table)
                                              .arg(rowid));
        if (!rs.ok() || !rs.value().hasCurrent())
            return Value(QStringLiteral("<no row>"));
        return rs.value().value(0).value();
    }

    TempDatabase db;
    RecordingMessages messages;
    RecordingPointer pointer;
    FixedClock clock;
    mSentrel module;

private:
    QString previousDir_;
};

} // namespace orvane::test
