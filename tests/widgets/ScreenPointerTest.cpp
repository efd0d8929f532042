#include "widgets/QtScreenPointer.h"

#include <QCursor>
#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace orvane;

// The hourglass while the engine works, however often it says so; the arrow after.
TEST(ScreenPointer, BusyShowsTheHourglassAndArrowTakesItAway)
{
    QtScreenPointer pointer;
    pointer.set(ScreenPointer::Shape::Busy);
    pointer.set(ScreenPointer::Shape::Busy);
    ASSERT_TRUE(QGuiApplication::overrideCursor());
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    pointer.set(ScreenPointer::Shape::Arrow);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
