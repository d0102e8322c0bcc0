#include "platform/Geometry.h"

#include <gtest/gtest.h>

using namespace scrivane;

TEST(Geometry, RectanglesCompareByOriginAndSize)
{
    EXPECT_EQ(Rect(1, 2, 3, 4), Rect(Point(1, 2), Size(3, 4)));
    EXPECT_NE(Rect(1, 2, 3, 4), Rect(1, 2, 3, 5));
}
