#include "settings/inifile.h"

#include <gtest/gtest.h>

namespace {

using settings::IniFile;

TEST(IniFile, NamesMatchWithoutCaseAndValuesKeepTheirBytes)
{
    IniFile ini = IniFile::Parse("[General]\r\nMsgView=250\r\npass= two words \r\n");
    EXPECT_EQ(ini.readInt("general", "msgview", 100), 250);
    EXPECT_EQ(ini.readInt("GENERAL", "MSGVIEW", 100), 250);
    EXPECT_EQ(ini.readString("general", "pass", ""), " two words ") << "blanks in a value are data";
    EXPECT_EQ(ini.readString("general", "none", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("other", "msgview", "dflt"), "dflt");
}

TEST(IniFile, BoolsReadAsIntegersAndWriteAsOneOrZero)
{
    IniFile ini = IniFile::Parse("[s]\nb2=2\nb0=0\nbx=yes\nbneg=-1\n");
    EXPECT_TRUE(ini.readBool("s", "b2", false));
    EXPECT_FALSE(ini.readBool("s", "b0", true));
    EXPECT_TRUE(ini.readBool("s", "bx", true)) << "not a number: the default";
    EXPECT_FALSE(ini.readBool("s", "bx", false));
    EXPECT_TRUE(ini.readBool("s", "bneg", false));
    ini.writeBool("s", "b2", ini.readBool("s", "b2", false));
    EXPECT_EQ(ini.value("s", "b2"), "1");
}

TEST(IniFile, UpdatesInPlaceAndKeepsEverythingElse)
{
    const char *text = "; a comment\r\n"
                       "[unknown]\r\n"
                       "x=1\r\n"
                       "junk line\r\n"
                       "\r\n"
                       "[general]\r\n"
                       "msgview=5\r\n"
                       "custom=keep me\r\n"
                       "\r\n";
    IniFile ini = IniFile::Parse(text);
    ini.writeInt("GENERAL", "msgview", 100);
    ini.writeString("general", "popres", "1");
    ini.writeString("network", "retry", "3");
    EXPECT_EQ(ini.serialize(), "; a comment\r\n"
                               "[unknown]\r\n"
                               "x=1\r\n"
                               "junk line\r\n"
                               "\r\n"
                               "[general]\r\n"
                               "msgview=100\r\n"
                               "custom=keep me\r\n"
                               "popres=1\r\n"
                               "\r\n"
                               "[network]\r\n"
                               "retry=3\r\n");
}

TEST(IniFile, FirstOfDuplicateKeysWinsAndOnlyItIsUpdated)
{
    IniFile ini = IniFile::Parse("[s]\nk=1\nK=2\n");
    EXPECT_EQ(ini.readInt("s", "k", 0), 1);
    ini.writeInt("s", "k", 9);
    EXPECT_EQ(ini.serialize(), "[s]\r\nk=9\r\nK=2\r\n");
}

TEST(IniFile, RemovingAKeyKeepsItsSectionAndTheOtherLines)
{
    IniFile ini = IniFile::Parse("[b1]\r\n; note\r\nt1=5\r\nT2=8\r\n[b2]\r\nt1=6\r\n");
    EXPECT_TRUE(ini.removeKey("B1", "t2"));
    EXPECT_FALSE(ini.removeKey("b1", "t2"));
    EXPECT_FALSE(ini.removeKey("b3", "t1"));
    EXPECT_TRUE(ini.removeKey("b2", "t1"));
    EXPECT_EQ(ini.serialize(), "[b1]\r\n; note\r\nt1=5\r\n[b2]\r\n");
}

TEST(IniFile, RemovingARepeatedKeyRemovesEveryLineOfIt)
{
    // A hand-edited mark.ini listing a topic twice: after clearing, no later line may answer.
    IniFile ini = IniFile::Parse("[b1]\r\nt1=5\r\nx=1\r\nT1=7\r\n");
    EXPECT_TRUE(ini.removeKey("b1", "t1"));
    EXPECT_FALSE(ini.value("b1", "t1").has_value());
    EXPECT_EQ(ini.serialize(), "[b1]\r\nx=1\r\n");
}

TEST(IniFile, MalformedInputNeverFails)
{
    static const char kText[] = "[\r\n]\r\n=novalue\r\n[a\r\nk\0v=1\r\n[]\r\n";
    IniFile ini = IniFile::Parse(std::string(kText, sizeof kText - 1));
    EXPECT_FALSE(ini.value("a", "k").has_value());
    EXPECT_EQ(IniFile::Parse(ini.serialize()).serialize(), ini.serialize()) << "stable round trip";
}

TEST(IniFile, ASectionWithoutANameKeepsItsKeysApartWhenWrittenBack)
{
    const std::string text = "top=0\r\n[form]\r\nform_state=1\r\n[]\r\nform_top=10\r\n";
    IniFile ini = IniFile::Parse(text);
    ini.writeInt("form", "form_left", 5);
    IniFile again = IniFile::Parse(ini.serialize());
    EXPECT_FALSE(again.value("form", "form_top").has_value()) << "the key under [] did not move into [form]";
    EXPECT_EQ(again.value("form", "form_left").value_or(""), "5");
    EXPECT_EQ(IniFile::Parse(text).serialize(), text);
}

} // namespace
