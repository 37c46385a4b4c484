// Keeping the login's cookies: one per name, in the order they came.
#include <gtest/gtest.h>

#include "net/cookies.h"

using net::CookieList;
using net::StoreCookie;

TEST(StoreCookie, ReplacesTheCookieOfTheSameNameAndKeepsTheOthersInOrder)
{
    CookieList cookies;
    StoreCookie(cookies, "B=1;");
    StoreCookie(cookies, "Y=v=1;");
    StoreCookie(cookies, "T=z;");
    StoreCookie(cookies, "B=2;");
    EXPECT_EQ(cookies, (CookieList{"Y=v=1;", "T=z;", "B=2;"}));
}

TEST(StoreCookie, CookiesThatOnlyStartAlikeAreBothKept)
{
    // Telling cookies apart by their first character lost one of these two.
    CookieList cookies;
    StoreCookie(cookies, "B=1;");
    StoreCookie(cookies, "BX=2;");
    StoreCookie(cookies, "b=3;");
    EXPECT_EQ(cookies, (CookieList{"B=1;", "BX=2;", "b=3;"}));
}

TEST(StoreCookie, ASecondLoginReplacesOnlyTheCookiesItSendsAgain)
{
    CookieList cookies;
    for (const char *c : {"B=old;", "Y=old;", "F=keep;"})
        StoreCookie(cookies, c);
    for (const char *c : {"Y=new;", "B=new;"})
        StoreCookie(cookies, c);
    EXPECT_EQ(cookies, (CookieList{"F=keep;", "Y=new;", "B=new;"}));
}

TEST(StoreCookie, AnEmptyTextStoresNothing)
{
    CookieList cookies{"B=1;"};
    StoreCookie(cookies, "");
    EXPECT_EQ(cookies, CookieList{"B=1;"});
}
