#include "platform/kernel/CString.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CStringTest, ConstructsFromNullAsEmpty)
{
    CString s(static_cast<LPCSTR>(nullptr));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ("", static_cast<LPCSTR>(s));
    s = static_cast<LPCSTR>(nullptr);
    EXPECT_EQ(0, s.GetLength());
}

TEST(CStringTest, LengthCountsUtf8Bytes)
{
    CString s("语言");
    EXPECT_EQ(6, s.GetLength());
    EXPECT_EQ(CString("语"), s.Left(3));
}

TEST(CStringTest, ConcatenatesAndCompares)
{
    CString a("g_");
    CString b = a + "CoefK";
    EXPECT_EQ(b, "g_CoefK");
    EXPECT_EQ("g_CoefK", b);
    EXPECT_NE(b, a);
    b += '!';
    b += CString("?");
    EXPECT_EQ(CString("g_CoefK!?"), b);
    EXPECT_EQ(CString("xg_"), 'x' + a);
    EXPECT_TRUE(CString("a") < CString("b"));
}

TEST(CStringTest, SelfAssignmentFromOwnTextKeepsIt)
{
    CString s("abc");
    s = static_cast<LPCSTR>(s);
    EXPECT_EQ(s, "abc");
}

TEST(CStringTest, FormatsPrintfStyle)
{
    CString s;
    s.Format("%s_%04d_%.2f", "IR", 7, 1.5);
    EXPECT_EQ(s, "IR_0007_1.50");
    s.AppendFormat("+%x", 255);
    EXPECT_EQ(s, "IR_0007_1.50+ff");
    CString self("x");
    self.Format("%s%s", static_cast<LPCSTR>(self), static_cast<LPCSTR>(self));
    EXPECT_EQ(self, "xx");
    CString big;
    big.Format("%0300d", 1);
    EXPECT_EQ(300, big.GetLength());
}

struct SliceCase {
    const char* name;
    CString result;
    const char* expected;
};

TEST(CStringTest, SlicesClampToTheString)
{
    const CString s("abcdef");
    const SliceCase cases[] = {
        {"Left 2", s.Left(2), "ab"},      {"Left past end", s.Left(99), "abcdef"},
        {"Left negative", s.Left(-1), ""}, {"Right 2", s.Right(2), "ef"},
        {"Right past end", s.Right(99), "abcdef"}, {"Mid 2", s.Mid(2), "cdef"},
        {"Mid 2,3", s.Mid(2, 3), "cde"},  {"Mid past end", s.Mid(9), ""},
        {"Mid negative first", s.Mid(-3, 2), "ab"}, {"Mid count past end", s.Mid(4, 10), "ef"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.name;
}

TEST(CStringTest, FindsForwardAndBackward)
{
    const CString s("D:/IRData/a.ir");
    EXPECT_EQ(1, s.Find(':'));
    EXPECT_EQ(2, s.Find('/'));
    EXPECT_EQ(9, s.Find('/', 3));
    EXPECT_EQ(11, s.Find(".ir"));
    EXPECT_EQ(-1, s.Find(".avi"));
    EXPECT_EQ(-1, s.Find('D', 99));
    EXPECT_EQ(-1, s.Find('D', -1));
    EXPECT_EQ(9, s.ReverseFind('/'));
    EXPECT_EQ(-1, s.ReverseFind('#'));
}

TEST(CStringTest, ReplacesAndCounts)
{
    CString s("a\\b\\c");
    EXPECT_EQ(2, s.Replace('\\', '/'));
    EXPECT_EQ(s, "a/b/c");
    EXPECT_EQ(2, s.Replace("/", "//"));
    EXPECT_EQ(s, "a//b//c");
    EXPECT_EQ(0, s.Replace("", "x"));
    EXPECT_EQ(1, s.Replace("a", ""));
    EXPECT_EQ(s, "//b//c");
}

TEST(CStringTest, DeletesAndInserts)
{
    CString s("abcdef");
    EXPECT_EQ(4, s.Delete(1, 2));
    EXPECT_EQ(s, "adef");
    EXPECT_EQ(4, s.Delete(9, 2));
    EXPECT_EQ(6, s.Insert(1, "bc"));
    EXPECT_EQ(s, "abcdef");
    EXPECT_EQ(7, s.Insert(99, '!'));
    EXPECT_EQ(s, "abcdef!");
}

TEST(CStringTest, CaseAndTrimLeaveNonAsciiBytes)
{
    CString s("  Ab 温度\t\r\n");
    s.Trim();
    EXPECT_EQ(s, "Ab 温度");
    EXPECT_EQ(CString("ab 温度"), CString(s).MakeLower());
    EXPECT_EQ(CString("AB 温度"), CString(s).MakeUpper());
    EXPECT_EQ(0, s.CompareNoCase("aB 温度"));
    EXPECT_LT(CString("abc").Compare("abd"), 0);
    EXPECT_GT(CString("b").CompareNoCase("A"), 0);
    EXPECT_EQ(CString("x  "), CString("  x  ").TrimLeft());
    EXPECT_EQ(CString("  x"), CString("  x  ").TrimRight());
    EXPECT_EQ(CString(""), CString(" \t ").Trim());
}

TEST(CStringTest, GetAtOutsideIsZero)
{
    CString s("ab");
    EXPECT_EQ('b', s.GetAt(1));
    EXPECT_EQ('\0', s.GetAt(2));
    EXPECT_EQ('\0', s.GetAt(-1));
    s.SetAt(0, 'x');
    s.SetAt(5, 'y');
    EXPECT_EQ(s, "xb");
    EXPECT_EQ('x', s[0]);
}

TEST(CStringTest, BufferWritesThenReleaseTakesLength)
{
    CString s("keep");
    char* buf = s.GetBuffer(16);
    EXPECT_STREQ("keep", buf);
    std::strcpy(buf, "written here");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "written here");
    EXPECT_EQ(12, s.GetLength());

    buf = s.GetBuffer(3);
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "wri");

    buf = s.GetBufferSetLength(5);
    std::memcpy(buf, "12345", 5);
    s.ReleaseBuffer(99);
    EXPECT_EQ(s, "12345");
}

TEST(CStringTest, RepeatAndLengthConstructors)
{
    EXPECT_EQ(CString('-', 3), "---");
    EXPECT_EQ(CString('-', -1), "");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString("abc", 0), "");
}
