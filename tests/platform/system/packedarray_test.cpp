#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system/packedarray.h"

namespace {

template <typename T> std::vector<T> Values(const TPackedArray<T> &array)
{
    return std::vector<T>(array.Data(), array.Data() + array.Size());
}

} // namespace

TEST(TPackedArray, InsertsAndErasesAnywhereAsAVectorDoes)
{
    TPackedArray<std::int64_t> array;
    const std::vector<std::int64_t> first{1, 2, 3};
    array.Append(first.data(), first.size());
    std::vector<std::int64_t> expected = first;
    const std::vector<std::int64_t> middle{7, 8, 9, 10};

    array.Insert(1, middle.data(), middle.size());
    expected.insert(expected.begin() + 1, middle.begin(), middle.end());
    EXPECT_EQ(Values(array), expected);

    array.Erase(2, 5);
    expected.erase(expected.begin() + 2, expected.begin() + 5);
    EXPECT_EQ(Values(array), expected);
    array.Insert(array.Size(), middle.data(), 0);
    array.Erase(0, 0);
    EXPECT_EQ(Values(array), expected);

    // Past many growths, at the front, the values stay in their places.
    for (std::int64_t i = 0; i < 100000; ++i) {
        array.PushBack(i);
        expected.push_back(i);
    }
    array.Insert(0, middle.data(), middle.size());
    expected.insert(expected.begin(), middle.begin(), middle.end());
    array.ShrinkToFit();
    EXPECT_EQ(array.Capacity(), array.Size());
    EXPECT_EQ(Values(array), expected);
    EXPECT_EQ(array.Back(), 99999);

    array.Clear();
    EXPECT_EQ(array.Size(), 0u);
    array.PushBack(5);
    EXPECT_EQ(Values(array), std::vector<std::int64_t>{5});
}
