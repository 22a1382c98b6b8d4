#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "runtime/runtime.h"

namespace {

TEST(RuntimeStops, EachKindPrintsOneLineAndExitsWithItsCode) {
    EXPECT_EXIT(rt::stop(rt::RunError::RangeCheck), testing::ExitedWithCode(201),
                "^Runtime error 201: range check\n$");
    EXPECT_EXIT(rt::stop(rt::RunError::Overflow), testing::ExitedWithCode(215),
                "^Runtime error 215: arithmetic overflow\n$");
    EXPECT_EXIT(rt::stop(rt::RunError::ReadError), testing::ExitedWithCode(100),
                "^Runtime error 100: read error\n$");
}

TEST(CheckedArray, HonoursItsBoundsWhateverTheLowerBound) {
    rt::Array<int, 1, 3> one{};
    one[1] = 10;
    one[3] = 30;
    EXPECT_EQ(one.data()[0], 10);
    EXPECT_EQ(one.data()[2], 30);
    EXPECT_EXIT(one[0] = 1, testing::ExitedWithCode(201), "range check");
    EXPECT_EXIT(one[4] = 1, testing::ExitedWithCode(201), "range check");

    rt::Array<int, 0, 500> zero{};
    zero[500] = 1;
    EXPECT_EXIT(zero[-1] = 1, testing::ExitedWithCode(201), "range check");
    EXPECT_EXIT(zero[501LL] = 1, testing::ExitedWithCode(201), "range check");
}

TEST(CheckedArithmetic, OverflowStops) {
    EXPECT_EQ(rt::add<std::int32_t>(2147483646, 1), 2147483647);
    EXPECT_EQ(rt::mul<std::int32_t>(-65536, 32768), INT32_MIN);
    EXPECT_EXIT(rt::add<std::int32_t>(2147483647, 1), testing::ExitedWithCode(215), "overflow");
    EXPECT_EXIT(rt::mul<std::int32_t>(65536, 32768), testing::ExitedWithCode(215), "overflow");
    EXPECT_EXIT(rt::sub<std::uint32_t>(0u, 1u), testing::ExitedWithCode(215), "overflow");
    std::uint32_t r = 0;
    EXPECT_FALSE(rt::try_mul<std::uint32_t>(65536u, 65536u, r));
}

TEST(Files, ExistsReadCountAndClose) {
    const auto dir = std::filesystem::temp_directory_path() / "kvx_runtime_test";
    std::filesystem::create_directories(dir);
    const auto path = (dir / "five.bin").string();
    { std::ofstream(path, std::ios::binary) << "abcde"; }

    EXPECT_TRUE(rt::file_exists(path.c_str()));
    EXPECT_FALSE(rt::file_exists(dir.string().c_str())) << "a directory is not a file";
    EXPECT_FALSE(rt::file_exists((dir / "missing").string().c_str()));
    EXPECT_FALSE(rt::file_exists(""));

    rt::File f;
    ASSERT_TRUE(f.open_read(path.c_str()));
    char buf[8] = {};
    EXPECT_EQ(f.read(buf, 3), 3);
    EXPECT_EQ(f.read(buf, 8), 2) << "a short read reports how many bytes arrived";
    EXPECT_EQ(f.read(buf, 8), 0);
    f.close();
    EXPECT_FALSE(f.is_open());
    EXPECT_FALSE(f.open_read(dir.string().c_str()));
    std::filesystem::remove_all(dir);
}

TEST(Random, UniformInRangeSeededAndVaried) {
    rt::seed_random(42);
    std::set<int> seen;
    int counts[16] = {};
    for (int i = 0; i < 16000; ++i) {
        const int v = rt::random(16);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 16);
        ++counts[v];
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 16u);
    for (int c : counts) EXPECT_NEAR(c, 1000, 150);
    EXPECT_EQ(rt::random(0), 0);
    EXPECT_EQ(rt::random(1), 0);

    rt::seed_random(7);
    const int a = rt::random(1 << 30);
    rt::seed_random(7);
    EXPECT_EQ(rt::random(1 << 30), a) << "the same seed gives the same sequence";
}

}  // namespace
