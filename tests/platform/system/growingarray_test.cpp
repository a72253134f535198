#include <cstdint>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system/growingarray.h"

namespace {

template <typename T> std::vector<T> Values(const TGrowingArray<T> &array)
{
    return std::vector<T>(array.begin(), array.end());
}

} // namespace

TEST(TGrowingArray, InsertsAndErasesAnywhereAsAVectorDoes)
{
    TGrowingArray<std::int64_t> array{1, 2, 3};
    std::vector<std::int64_t> expected{1, 2, 3};
    const std::vector<std::int64_t> middle{7, 8, 9, 10};

    auto at = array.insert(array.begin() + 1, middle.begin(), middle.end());
    expected.insert(expected.begin() + 1, middle.begin(), middle.end());
    EXPECT_EQ(at, array.begin() + 1);
    EXPECT_EQ(Values(array), expected);

    at = array.erase(array.begin() + 2, array.begin() + 5);
    expected.erase(expected.begin() + 2, expected.begin() + 5);
    EXPECT_EQ(*at, 2);
    EXPECT_EQ(Values(array), expected);
    array.insert(array.end(), middle.begin(), middle.begin()); // nothing
    array.erase(array.begin(), array.begin());
    EXPECT_EQ(Values(array), expected);

    // Past many growths, at the front, the values stay in their places.
    for (std::int64_t i = 0; i < 100000; ++i) {
        array.push_back(i);
        expected.push_back(i);
    }
    array.insert(array.begin(), middle.begin(), middle.end());
    expected.insert(expected.begin(), middle.begin(), middle.end());
    array.shrink_to_fit();
    EXPECT_EQ(Values(array), expected);
    EXPECT_EQ(array.back(), 99999);

    array.clear();
    EXPECT_TRUE(array.empty());
    array.push_back(5);
    EXPECT_EQ(Values(array), std::vector<std::int64_t>{5});
}
