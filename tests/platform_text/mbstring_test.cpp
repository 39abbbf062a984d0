#include "platform/text/mbstring.h"

#include <gtest/gtest.h>

namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

// The offset of the match in the text, -1 for none.
long Found(const char* text, const char* sub)
{
    const unsigned char* at = _mbsstr(U(text), U(sub));
    return at == nullptr ? -1 : static_cast<long>(at - U(text));
}

TEST(MbsstrTest, FindsTheFirstOccurrenceAtACharacterBoundary)
{
    struct Case {
        const char* text;
        const char* sub;
        long offset;
    } cases[] = {
        {"20240303_090503_007.ir", ".ir", 19},
        {"a.ir.bak", ".ir", 1},
        {".ir", ".ir", 0},
        {".irx", ".ir", 0},
        {"X.IR", ".ir", -1},          // case matters
        {".avi.avi", ".avi", 0},       // the first occurrence
        {"热像.ir", ".ir", 6},          // after two three-byte characters
        {"热像", "\x83", -1},           // a continuation byte never starts a match
        {"abc", "", 0},
        {"", "a", -1},
        {"ab", "abc", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Found(c.text, c.sub), c.offset) << c.text << " / " << c.sub;
}

TEST(MbsstrTest, NullArgumentsFindNothing)
{
    EXPECT_EQ(_mbsstr(nullptr, U("a")), nullptr);
    EXPECT_EQ(_mbsstr(U("a"), nullptr), nullptr);
}

}  // namespace
