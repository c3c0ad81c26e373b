// The entry point of e2e.exe. Each ctest entry runs one scenario by its full
// name (--gtest_filter=Suite.name); GoogleTest alone would pass such a run
// when the name matches nothing, so a run given one plain name fails unless
// exactly that scenario ran to a result (not skipped).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A filter that names one test: no wildcard, no list, no negative part.
bool NamesOneTest(const std::string &filter)
{
    return !filter.empty() && filter.find_first_of("*?:-") == std::string::npos;
}

// True when the run was exactly the test `name`; otherwise says what ran.
bool RanExactly(const std::string &name)
{
    const testing::UnitTest &unit = *testing::UnitTest::GetInstance();
    std::string ran;
    int count = 0;
    bool skipped = false;
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
        const testing::TestSuite &suite = *unit.GetTestSuite(i);
        for (int j = 0; j < suite.total_test_count(); ++j) {
            const testing::TestInfo &test = *suite.GetTestInfo(j);
            if (!test.should_run())
                continue;
            ++count;
            ran += std::string(ran.empty() ? "" : ", ") + test.test_suite_name() + "." +
                   test.name();
            skipped = skipped || test.result()->Skipped();
        }
    }
    if (count == 1 && ran == name && !skipped)
        return true;
    std::fprintf(stderr, "e2e: the entry for %s ran %d test(s)%s%s%s\n", name.c_str(), count,
                 count ? ": " : "", ran.c_str(), skipped ? " (skipped)" : "");
    return false;
}

}  // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    const std::string filter = GTEST_FLAG_GET(filter);
    if (NamesOneTest(filter) && !RanExactly(filter))
        return 1;
    return result;
}
