#include "platform/unique_handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Handles are numbers, -1 is empty, and every release is written down.
std::vector<int> released;

struct CountedTraits {
    using Handle = int;
    static constexpr Handle empty() { return -1; }
    static void release(Handle handle) { released.push_back(handle); }
};
using Counted = UniqueHandle<CountedTraits>;

// An API call with an output argument: it writes the new handle, whatever was there.
void open(int value, int* out) {
    *out = value;
}

TEST(UniqueHandle, EveryHandleIsReleasedExactlyOnce) {
    released.clear();
    {
        Counted a(1);
        open(2, a.put()); // 1 released before 2 is written over it
        EXPECT_EQ(released, std::vector<int>{1});
        EXPECT_EQ(a.get(), 2);

        Counted b(std::move(a)); // moved: only b releases 2
        EXPECT_FALSE(a);
        Counted c(3);
        c = std::move(b); // 3 released, c takes 2
        EXPECT_EQ(released, (std::vector<int>{1, 3}));

        Counted d(4);
        int kept = d.release(); // given up: never released by d
        EXPECT_EQ(kept, 4);
        d.reset(5);
        d.reset();
        d.reset();
        open(6, d.put()); // nothing held: nothing released
        EXPECT_EQ(released, (std::vector<int>{1, 3, 5}));
    }
    // At the end of the scope: d (6) and c (2), in reverse order of declaration; b and a empty.
    EXPECT_EQ(released, (std::vector<int>{1, 3, 5, 6, 2}));
}

} // namespace
