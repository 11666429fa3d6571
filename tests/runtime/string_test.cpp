#include <gtest/gtest.h>

#include "runtime/runtime.h"

TEST(StringSmoke, ConcatSplitAndArrays) {
    String a("a|b||c");
    Array<String> parts = a.Split(String("|"));
    ASSERT_EQ(parts.Length(), 4);
    EXPECT_TRUE(parts[2].Empty());
    EXPECT_TRUE(String(1.0f) == String("1.0"));
    Array<int> ints(5);
    ints[3] = 7;
    EXPECT_EQ(ints.Resize(10)[3], 7);
    Array<Object*> objs(3);
    objs.Set(1, new Object());
    EXPECT_NE(objs[1], nullptr);
    EXPECT_EQ(Array<float>(0).Rep(), Array<float>().Rep());
}
