// Date-time text in the user's locale.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/locale.h"
#include "xrddata/platform/datetime.h"

using testing_support::ScopedEnv;

namespace {

// "YYYY-MM-DD HH:MM:SS" of a valid value.
std::string Fields(const COleDateTime& t) {
    int y, mo, d, h, mi, s;
    if (!t.GetFields(y, mo, d, h, mi, s)) return "no fields";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return text;
}

// "YYYY-MM-DD HH:MM:SS" of a parse, or "invalid" (checking that a failed parse leaves 0 and status invalid).
std::string Parsed(const char* text, DWORD flags = 0) {
    COleDateTime t(2001, 2, 3, 4, 5, 6);
    if (!t.ParseDateTime(text, flags)) {
        if (t.GetStatus() != COleDateTime::invalid || t.m_dt != 0.0) return "bad failure state";
        return "invalid";
    }
    if (t.GetStatus() != COleDateTime::valid) return "true but not valid";
    return Fields(t);
}

}  // namespace

TEST(DateTimeText, FormsFoundInInstrumentFilesInMonthFirstLocale) {
    ScopedEnv all("LC_ALL", "C");
    EXPECT_EQ(Parsed("03/25/2004"), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("25-Mar-2004"), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("25-MAR-04"), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("2004-03-25"), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("March 25, 2004"), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("03/25/2004 14:22"), "2004-03-25 14:22:00");
    EXPECT_EQ(Parsed("25-Mar-2004 14:22:05"), "2004-03-25 14:22:05");
    EXPECT_EQ(Parsed("2004-03-25 2:22:05 PM"), "2004-03-25 14:22:05");
    EXPECT_EQ(Parsed("2004-03-25T14:22:05.75"), "2004-03-25 14:22:05");
    EXPECT_EQ(Parsed("03/25/2004 12:10:00 am"), "2004-03-25 00:10:00");
    EXPECT_EQ(Parsed("03/25/2004 12:10 PM"), "2004-03-25 12:10:00");
    // Texts from real files: raw-file date and time fields joined by a blank, header lines with extra blanks.
    EXPECT_EQ(Parsed("27-Apr-1994 13:36:30"), "1994-04-27 13:36:30");
    EXPECT_EQ(Parsed(" 6-Jun-2003 14:29"), "2003-06-06 14:29:00");
    EXPECT_EQ(Parsed("15-Mar-1995  9:38"), "1995-03-15 09:38:00");
    EXPECT_EQ(Parsed("22-Sep-20 17:18"), "2020-09-22 17:18:00");
    EXPECT_EQ(Parsed("03/04/10 20:59:14"), "2010-03-04 20:59:14");
    EXPECT_EQ(Parsed("11/10/2012 14:41:24"), "2012-11-10 14:41:24");
    // Day first where month first cannot be: the other order is taken.
    EXPECT_EQ(Parsed("14/03/88 00:00:00"), "1988-03-14 00:00:00");
    // Two-digit years.
    EXPECT_EQ(Parsed("1/1/00"), "2000-01-01 00:00:00");
    EXPECT_EQ(Parsed("1/1/29"), "2029-01-01 00:00:00");
    EXPECT_EQ(Parsed("1/1/30"), "1930-01-01 00:00:00");
    EXPECT_EQ(Parsed("12/31/99"), "1999-12-31 00:00:00");
    // A time alone lies on day 0; the flags keep one part.
    EXPECT_EQ(Parsed("14:22:05"), "1899-12-30 14:22:05");
    COleDateTime t;
    ASSERT_TRUE(t.ParseDateTime("14:22:05"));
    EXPECT_DOUBLE_EQ(t.m_dt, (14 * 3600 + 22 * 60 + 5) / 86400.0);
    EXPECT_EQ(Parsed("03/25/2004 14:22:05", VAR_DATEVALUEONLY), "2004-03-25 00:00:00");
    EXPECT_EQ(Parsed("03/25/2004 14:22:05", VAR_TIMEVALUEONLY), "1899-12-30 14:22:05");
}

TEST(DateTimeText, TextThatIsNoDateLeavesTheValueInvalid) {
    ScopedEnv all("LC_ALL", "C");
    for (const char* text :
         {"", "   ", "hello", "13/13/2004", "02/30/2004", "02/29/2003", "0/0/0", "03/25", "1/2/3/4", "25:00",
          "14:60", "14:22:61", "14:2", "03/25/2004 14:22 15:00", "14:22:05 XM", "13:00 PM", "0:30 AM",
          "25-Foo-2004", "2004-03-25x", "Mar Apr 2004", "99999999999/1/1", "03/25/2004 14:", "03/25/2004 :22",
          "1/1/10000", "03/25/2004 #", "21-janv-2002 09:16:36"}) {
        EXPECT_EQ(Parsed(text), "invalid") << '"' << text << '"';
    }
    COleDateTime t(2001, 2, 3, 4, 5, 6);
    EXPECT_FALSE(t.ParseDateTime(nullptr));
    EXPECT_EQ(t.GetStatus(), COleDateTime::invalid);
}

TEST(DateTimeText, FormatAndParseAgree) {
    ScopedEnv all("LC_ALL", "C");
    COleDateTime t(2004, 3, 25, 14, 22, 5);
    EXPECT_EQ(t.Format(), "03/25/2004 14:22:05");
    EXPECT_EQ(t.Format(VAR_DATEVALUEONLY), "03/25/2004");
    EXPECT_EQ(t.Format(VAR_TIMEVALUEONLY), "14:22:05");
    EXPECT_EQ(COleDateTime(2004, 3, 25, 0, 0, 0).Format(), "03/25/2004");
    EXPECT_EQ(COleDateTime(1899, 12, 30, 6, 0, 0).Format(), "06:00:00");
    COleDateTime n;
    n.SetStatus(COleDateTime::null);
    EXPECT_EQ(n.Format(), "");
    COleDateTime bad;
    bad.SetStatus(COleDateTime::invalid);
    EXPECT_EQ(bad.Format(), "Invalid DateTime");

    const COleDateTime values[] = {COleDateTime(2004, 3, 25, 14, 22, 5), COleDateTime(1900, 1, 1, 12, 34, 56),
                                   COleDateTime(9999, 12, 31, 23, 59, 59), COleDateTime(100, 1, 1, 0, 0, 1),
                                   COleDateTime(1850, 6, 15, 6, 30, 0),    COleDateTime(2024, 2, 29, 0, 0, 0),
                                   COleDateTime(1899, 12, 30, 23, 59, 59), COleDateTime(1899, 12, 29, 0, 0, 0)};
    for (const COleDateTime& v : values) {
        COleDateTime back;
        ASSERT_TRUE(back.ParseDateTime(v.Format().c_str())) << v.Format();
        EXPECT_EQ(Fields(back), Fields(v)) << v.Format();
    }
}

TEST(DateTimeText, DayFirstLocales) {
    {
        XRD_TIME_LOCALE(gb, "en_GB");
        EXPECT_EQ(Parsed("03/04/10 20:59:14"), "2010-04-03 20:59:14");
        EXPECT_EQ(Parsed("25/03/2004"), "2004-03-25 00:00:00");
        EXPECT_EQ(Parsed("01/22/18 16:34:23"), "2018-01-22 16:34:23");  // month first where day first cannot be
        EXPECT_EQ(Parsed("25-Mar-2004 2:22:05 pm"), "2004-03-25 14:22:05");
        EXPECT_EQ(COleDateTime(2004, 3, 25, 14, 22, 5).Format(), "25/03/2004 14:22:05");
        COleDateTime back;
        ASSERT_TRUE(back.ParseDateTime("05/01/2004 07:08:09"));
        EXPECT_EQ(back, COleDateTime(2004, 1, 5, 7, 8, 9));
    }
    {
        XRD_TIME_LOCALE(de, "de_DE");
        EXPECT_EQ(Parsed("25.03.2004 14:22"), "2004-03-25 14:22:00");
        EXPECT_EQ(Parsed("05.01.2004"), "2004-01-05 00:00:00");
        EXPECT_EQ(Parsed("25. M\xC3\xA4rz 2004"), "2004-03-25 00:00:00");
        EXPECT_EQ(COleDateTime(2004, 1, 5, 14, 22, 5).Format(), "05.01.2004 14:22:05");
    }
    {
        XRD_TIME_LOCALE(fr, "fr_FR");
        EXPECT_EQ(Parsed("21-janv-2002 09:16:36"), "2002-01-21 09:16:36");
        EXPECT_EQ(Parsed("05/01/2004"), "2004-01-05 00:00:00");
        EXPECT_EQ(COleDateTime(2004, 1, 5, 14, 22, 5).Format(), "05/01/2004 14:22:05");
    }
}

TEST(DateTimeText, LocaleComesFromLcAllThenLcTimeThenLang) {
    {
        XRD_TIME_LOCALE(us, "en_US");
        EXPECT_EQ(Parsed("05/01/2004"), "2004-05-01 00:00:00");
        EXPECT_EQ(COleDateTime(2004, 5, 1, 14, 0, 0).Format(), "05/01/2004 14:00:00");
    }
    XRD_TIME_LOCALE(gb, "en_GB");  // LC_ALL=en_GB.UTF-8, LOCPATH set
    {
        ScopedEnv all("LC_ALL", std::nullopt);
        ScopedEnv time("LC_TIME", "en_GB.UTF-8");
        ScopedEnv lang("LANG", "C");
        EXPECT_EQ(Parsed("05/01/2004"), "2004-01-05 00:00:00");
        ScopedEnv time2("LC_TIME", "");
        EXPECT_EQ(Parsed("05/01/2004"), "2004-05-01 00:00:00");  // empty LC_TIME: LANG decides
        ScopedEnv lang2("LANG", "en_GB.UTF-8");
        EXPECT_EQ(Parsed("05/01/2004"), "2004-01-05 00:00:00");
        ScopedEnv lang3("LANG", "xx_YY.UTF-8");  // unknown: month first
        EXPECT_EQ(Parsed("05/01/2004"), "2004-05-01 00:00:00");
        EXPECT_EQ(COleDateTime(2004, 5, 1, 14, 0, 0).Format(), "05/01/2004 14:00:00");
    }
}
