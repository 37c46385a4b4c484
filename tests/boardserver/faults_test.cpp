// Fault rules: their text form, which requests they match, and what they do to a body.
#include "boardserver/faults.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;

TEST(Faults, Rules_AreReadOrRefusedWithAReason)
{
    FaultSet set;
    for (const char *good : {"delay=100", "silent", "cut", "cut=10", "trickle=5/20", "drop=50", "drop", "status=503",
                             "short", "short=0", "short=99", "huge", "huge=2048", "nul", "badeuc", "delay=5@*mid=3*", "status=500@*#2",
                             "silent@http://login.yahoo.co.jp/*"})
        EXPECT_TRUE(set.add(good, nullptr)) << good;
    for (const char *bad : {"", "delay", "delay=x", "delay=-1", "slow", "trickle=5", "trickle=0/5", "drop=101",
                            "status=99", "status=600", "nul=1", "silent=1", "delay=5@", "delay=5#0", "delay=5#x",
                            "huge=0", "short=100", "short=-1", "short=x"}) {
        std::string error;
        EXPECT_FALSE(set.add(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(Faults, Plan_CombinesTheMatchingRules)
{
    FaultSet set;
    ASSERT_TRUE(set.add("delay=100@*mid=3", nullptr));
    ASSERT_TRUE(set.add("delay=50@*mid=3", nullptr));
    ASSERT_TRUE(set.add("trickle=7/9@*action=m*", nullptr));
    ASSERT_TRUE(set.add("status=503@http://post.*", nullptr));
    const FaultPlan msg3 = set.plan("http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=3");
    EXPECT_EQ(msg3.delayMs, 150);
    EXPECT_EQ(msg3.trickleBytes, 7);
    EXPECT_EQ(msg3.trickleMs, 9);
    EXPECT_EQ(msg3.status, 0);
    const FaultPlan msg30 = set.plan("http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=30");
    EXPECT_EQ(msg30.delayMs, 0);
    EXPECT_EQ(msg30.trickleBytes, 7);
    EXPECT_FALSE(set.plan("http://messages.yahoo.co.jp/index.html").any());
    EXPECT_EQ(set.plan("http://post.messages.yahoo.co.jp/bbs?action=r").status, 503);
}

TEST(Faults, Short_DefaultsToHalfTheBodyAndIsAFault)
{
    FaultSet set;
    ASSERT_TRUE(set.add("short@*mid=1", nullptr));
    ASSERT_TRUE(set.add("short=10@*mid=2", nullptr));
    const FaultPlan one = set.plan("http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=1");
    EXPECT_EQ(one.shortPercent, 50);
    EXPECT_TRUE(one.any());
    EXPECT_EQ(set.plan("http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=2").shortPercent, 10);
    const FaultPlan none = set.plan("http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=3");
    EXPECT_EQ(none.shortPercent, -1);
    EXPECT_FALSE(none.any());
}

TEST(Faults, Count_LimitsARuleToItsFirstMatches)
{
    FaultSet set;
    ASSERT_TRUE(set.add("status=500@*mid=1#2", nullptr));
    EXPECT_EQ(set.plan("x?mid=2").status, 0); // no match: not counted
    EXPECT_EQ(set.plan("x?mid=1").status, 500);
    EXPECT_EQ(set.plan("x?mid=1").status, 500);
    EXPECT_EQ(set.plan("x?mid=1").status, 0);
}

TEST(Faults, Drop_TakesExactlyItsShareSpreadEvenly)
{
    FaultSet set;
    ASSERT_TRUE(set.add("drop=30", nullptr));
    int dropped = 0, longestRun = 0, run = 0;
    for (int i = 0; i < 1000; ++i) {
        const bool d = set.plan("http://a/").drop;
        dropped += d;
        run = d ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_EQ(dropped, 300);
    EXPECT_EQ(longestRun, 1);
}

TEST(Faults, GlobMatch)
{
    EXPECT_TRUE(GlobMatch("*", ""));
    EXPECT_TRUE(GlobMatch("a*c", "abbbc"));
    EXPECT_TRUE(GlobMatch("a?c", "abc"));
    EXPECT_FALSE(GlobMatch("a?c", "ac"));
    EXPECT_TRUE(GlobMatch("*mid=1", "x&mid=1"));
    EXPECT_FALSE(GlobMatch("*mid=1", "x&mid=12"));
    EXPECT_TRUE(GlobMatch("**a**", "bab"));
}

TEST(Faults, BodyFaults_PadToSize_AndBreakTheTextFromTheMiddle)
{
    const std::string page = "<html><big><b>\xB0\xA1\xB0\xA2</b></big><p>\n\xB0\xA3\xB0\xA4\xB0\xA5\n</td></html>";
    FaultPlan plan;
    plan.hugeBytes = 100000;
    std::string body = page;
    ApplyBodyFaults(plan, body);
    EXPECT_EQ(body.size(), 100000u);
    EXPECT_EQ(body.substr(0, page.size()), page);
    EXPECT_EQ(body.substr(body.size() - 4), "-->\n");

    plan = FaultPlan{};
    plan.nul = true;
    body = page;
    ApplyBodyFaults(plan, body);
    const std::size_t at = body.find('\0');
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(at, page.size() / 2);
    EXPECT_EQ(body.substr(at, 6), std::string(4, '\0') + "\xB0\xA3"); // before a whole character
    EXPECT_EQ(body.size(), page.size() + 4);

    plan = FaultPlan{};
    plan.badEuc = true;
    body = page;
    ApplyBodyFaults(plan, body);
    EXPECT_NE(body.find("\x80\xFF\x8E\x41\xB0\xA3"), std::string::npos);
}

} // namespace
