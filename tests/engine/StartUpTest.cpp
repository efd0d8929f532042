#include "Fakes.h"
#include "TempDatabase.h"

#include <gtest/gtest.h>

TEST(StartUp, Placeholder)
{
    SUCCEED();
}
