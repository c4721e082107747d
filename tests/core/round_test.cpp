#include "core/round.h"

#include <gtest/gtest.h>

namespace {

TEST(Round, TiesGoToTheEvenInteger) {
    const struct {
        double in;
        std::int64_t out;
    } cases[] = {{32.5, 32}, {33.5, 34}, {-0.5, 0}, {-1.5, -2}, {101.59, 102}, {2.49, 2}, {0.0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(quelm::Round(c.in), c.out) << c.in;
}

} // namespace
