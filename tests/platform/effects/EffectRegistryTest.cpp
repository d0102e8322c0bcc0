#include "platform/effects/EffectRegistry.h"

#include <gtest/gtest.h>

using namespace scrivane;

TEST(EffectRegistry, KnowsTheBuiltInFilters)
{
    EXPECT_TRUE(EffectRegistry::shared().contains("CIGaussianBlur"));
}
