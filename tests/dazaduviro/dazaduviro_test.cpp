#include "dazaduviro/src/dazaduviro.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Runs fn with standard output captured and returns what it printed.
std::string Printed(const std::function<void()> &fn)
{
    testing::internal::CaptureStdout();
    fn();
    return testing::internal::GetCapturedStdout();
}

std::string ErrorLine(const std::string &func, const std::string &message)
{
    return "^dazaduviro error \\[[^\\]]*dazaduviro/src/dazaduviro\\.c:[0-9]+/" + func + "\\] " + message + "\n$";
}

TEST(Dazaduviro, VersionString)
{
    EXPECT_STREQ(dazaduviro_version(), "dazaduviro 0.3.1");
}

// ---- 14-bit grey ----

struct GreyCase {
    uint16_t y14;
    uint8_t grey;
};

const GreyCase kGrey[] = {{0, 0}, {1, 0}, {64, 0}, {65, 1}, {8191, 127}, {16382, 254}, {16383, 255}, {16384, 255},
                          {65535, 255}};

TEST(Dazaduviro, Y14ToY8Table)
{
    for (const GreyCase &c : kGrey) {
        uint8_t out = 0xAA;
        ASSERT_EQ(y14_to_y8(&c.y14, 1, &out), 0);
        EXPECT_EQ(out, c.grey) << "y14 " << c.y14;
    }
}

TEST(Dazaduviro, Y14ToRgbAndYuv444Table)
{
    for (const GreyCase &c : kGrey) {
        uint8_t rgb[3] = {};
        uint8_t yuv[3] = {};
        ASSERT_EQ(y14_to_rgb(&c.y14, 1, rgb), 0);
        ASSERT_EQ(y14_to_yuv444(&c.y14, 1, yuv), 0);
        EXPECT_EQ(Bytes(rgb, rgb + 3), Bytes({c.grey, c.grey, c.grey})) << "y14 " << c.y14;
        EXPECT_EQ(Bytes(yuv, yuv + 3), Bytes({c.grey, 0x80, 0x80})) << "y14 " << c.y14;
    }
}

TEST(Dazaduviro, Y14ConversionsWriteEveryPixelAndNoMore)
{
    const std::vector<uint16_t> in = {0, 16383, 8191};
    Bytes y8(4, 0xEE), rgb(10, 0xEE), yuv(10, 0xEE);
    ASSERT_EQ(y14_to_y8(in.data(), 3, y8.data()), 0);
    ASSERT_EQ(y14_to_rgb(in.data(), 3, rgb.data()), 0);
    ASSERT_EQ(y14_to_yuv444(in.data(), 3, yuv.data()), 0);
    EXPECT_EQ(y8, Bytes({0, 255, 127, 0xEE}));
    EXPECT_EQ(rgb, Bytes({0, 0, 0, 255, 255, 255, 127, 127, 127, 0xEE}));
    EXPECT_EQ(yuv, Bytes({0, 0x80, 0x80, 255, 0x80, 0x80, 127, 0x80, 0x80, 0xEE}));
}

// ---- 16-bit grey ----

TEST(Dazaduviro, Y16ToY14ShiftsLogically)
{
    const std::vector<uint16_t> in = {0, 3, 4, 0x8000, 0xFFFF, 1234};
    std::vector<uint16_t> out(in.size() + 1, 0xBEEF);
    ASSERT_EQ(y16_to_y14(in.data(), static_cast<int>(in.size()), out.data()), 0);
    EXPECT_EQ(out, std::vector<uint16_t>({0, 0, 1, 0x2000, 0x3FFF, 308, 0xBEEF}));
}

TEST(Dazaduviro, Y16ToY14InPlace)
{
    std::vector<uint16_t> buf = {0xFFFF, 8, 0x4001};
    ASSERT_EQ(y16_to_y14(buf.data(), 3, buf.data()), 0);
    EXPECT_EQ(buf, std::vector<uint16_t>({0x3FFF, 2, 0x1000}));
}

// ---- RGB to BGR ----

TEST(Dazaduviro, RgbToBgrSwapsFirstAndLastByte)
{
    const Bytes in = {1, 2, 3, 10, 20, 30};
    Bytes out(7, 0xEE);
    ASSERT_EQ(rgb_to_bgr(in.data(), 2, out.data()), 0);
    EXPECT_EQ(out, Bytes({3, 2, 1, 30, 20, 10, 0xEE}));
}

TEST(Dazaduviro, RgbToBgrInPlace)
{
    Bytes buf = {1, 2, 3, 10, 20, 30};
    ASSERT_EQ(rgb_to_bgr(buf.data(), 2, buf.data()), 0);
    EXPECT_EQ(buf, Bytes({3, 2, 1, 30, 20, 10}));
}

// ---- YUV to RGB ----

struct YuvCase {
    std::array<uint8_t, 3> yuv;
    std::array<uint8_t, 3> rgb;
};

// Worked by hand from R = Y + 1.14 v, G = Y - 0.394 u - 0.581 v, B = Y + 2.032 u, truncated and
// clamped to 0..255.
const YuvCase kYuv[] = {
    {{200, 128, 255}, {255, 126, 200}},  // R above 255
    {{50, 0, 128}, {50, 100, 0}},        // B below 0
    {{128, 128, 128}, {128, 128, 128}},  // no chroma
    {{0, 128, 128}, {0, 0, 0}},
    {{255, 128, 128}, {255, 255, 255}},
    {{100, 138, 118}, {88, 101, 120}},  // G = 100 - 3.94 + 5.81 = 101.87; R = 88.6; B = 120.32
    {{10, 118, 138}, {21, 8, 0}},        // G = 10 + 3.94 - 5.81 = 8.13; R = 21.4; B = -10.32
    {{0, 0, 0}, {0, 124, 0}},            // G = 50.432 + 74.368 = 124.8
    {{255, 255, 255}, {255, 131, 255}},  // G = 255 - 50.038 - 73.787 = 131.175
};

TEST(Dazaduviro, Yuv444ToRgbTable)
{
    for (const YuvCase &c : kYuv) {
        uint8_t rgb[3] = {};
        ASSERT_EQ(yuv444_to_rgb(c.yuv.data(), 1, rgb), 0);
        EXPECT_EQ(Bytes(rgb, rgb + 3), Bytes(c.rgb.begin(), c.rgb.end()))
            << "yuv " << int(c.yuv[0]) << "," << int(c.yuv[1]) << "," << int(c.yuv[2]);
    }
}

TEST(Dazaduviro, Yuv422ToRgbSharesChromaWithinAPair)
{
    for (const YuvCase &a : kYuv) {
        for (const YuvCase &b : kYuv) {
            if (a.yuv[1] != b.yuv[1] || a.yuv[2] != b.yuv[2]) {
                continue;
            }
            const Bytes in = {a.yuv[0], a.yuv[1], b.yuv[0], a.yuv[2]};
            Bytes out(7, 0xEE);
            ASSERT_EQ(yuv422_to_rgb(in.data(), 2, out.data()), 0);
            Bytes want(a.rgb.begin(), a.rgb.end());
            want.insert(want.end(), b.rgb.begin(), b.rgb.end());
            want.push_back(0xEE);
            EXPECT_EQ(out, want);
        }
    }
}

TEST(Dazaduviro, Yuv422ToRgbConvertsEveryPair)
{
    const Bytes in = {200, 128, 128, 255, 50, 0, 50, 128};
    Bytes out(13, 0xEE);
    ASSERT_EQ(yuv422_to_rgb(in.data(), 4, out.data()), 0);
    EXPECT_EQ(out, Bytes({255, 126, 200, 255, 54, 128, 50, 100, 0, 50, 100, 0, 0xEE}));
}

TEST(Dazaduviro, Yuv422ToRgbDropsAnOddLastPixel)
{
    // Three pixels are six input bytes: the third pixel's V byte is not part of the input.
    const Bytes in = {128, 128, 128, 128, 77, 128};
    Bytes out(9, 0xEE);
    ASSERT_EQ(yuv422_to_rgb(in.data(), 3, out.data()), 0);
    EXPECT_EQ(out, Bytes({128, 128, 128, 128, 128, 128, 0xEE, 0xEE, 0xEE}));
    Bytes one(3, 0xEE);
    ASSERT_EQ(yuv422_to_rgb(in.data(), 1, one.data()), 0);
    EXPECT_EQ(one, Bytes(3, 0xEE));
}

// ---- luma offset ----

struct LumaCase {
    int16_t delta;
    uint8_t y0, y1;
    uint8_t out0, out1;
};

const LumaCase kLuma[] = {
    {100, 200, 100, 255, 200}, {-300, 200, 100, 0, 0},     {0, 0, 255, 0, 255},
    {-1, 1, 0, 0, 0},          {1, 254, 255, 255, 255},    {-100, 100, 101, 0, 1},
    {32767, 0, 255, 255, 255}, {-32768, 255, 0, 0, 0},      {155, 100, 101, 255, 255},
};

TEST(Dazaduviro, Yuv422AddYTable)
{
    for (const LumaCase &c : kLuma) {
        const Bytes in = {c.y0, 0x11, c.y1, 0x22};
        Bytes out = {0xA1, 0xA2, 0xA3, 0xA4};
        ASSERT_EQ(yuv422_add_y(in.data(), 2, c.delta, out.data()), 0);
        // The output's chroma bytes are left as they were.
        EXPECT_EQ(out, Bytes({c.out0, 0xA2, c.out1, 0xA4})) << "delta " << c.delta;
    }
}

TEST(Dazaduviro, Yuv422AddYInPlaceKeepsChroma)
{
    Bytes buf = {10, 0x11, 20, 0x22, 30, 0x33, 40, 0x44};
    ASSERT_EQ(yuv422_add_y(buf.data(), 4, 5, buf.data()), 0);
    EXPECT_EQ(buf, Bytes({15, 0x11, 25, 0x22, 35, 0x33, 45, 0x44}));
}

TEST(Dazaduviro, Yuv422AddYOddCountStaysInsideTheBuffer)
{
    Bytes buf = {10, 0x11, 20, 0x22, 30, 0x33, 0xEE, 0xEE};
    ASSERT_EQ(yuv422_add_y(buf.data(), 3, 5, buf.data()), 0);
    EXPECT_EQ(buf, Bytes({15, 0x11, 25, 0x22, 35, 0x33, 0xEE, 0xEE}));
}

// ---- YUV 4:4:4 to 4:2:2 ----

TEST(Dazaduviro, Yuv444ToYuv422AveragesChroma)
{
    const Bytes in = {10, 100, 200, 20, 101, 255, 30, 0, 0, 40, 255, 255};
    Bytes out(9, 0xEE);
    ASSERT_EQ(yuv444_to_yuv422(in.data(), 4, out.data()), 0);
    EXPECT_EQ(out, Bytes({10, 100, 20, 227, 30, 127, 40, 127, 0xEE}));
}

TEST(Dazaduviro, Yuv444ToYuv422ThreePixelsWriteOneGroup)
{
    const Bytes in = {10, 100, 200, 20, 102, 202, 30, 40, 50};
    Bytes out(6, 0xEE);
    ASSERT_EQ(yuv444_to_yuv422(in.data(), 3, out.data()), 0);
    EXPECT_EQ(out, Bytes({10, 101, 20, 201, 0xEE, 0xEE}));
}

TEST(Dazaduviro, Yuv444ToYuv422OnePixelWritesNothing)
{
    const Bytes in = {10, 100, 200};
    Bytes out(4, 0xEE);
    EXPECT_EQ(yuv444_to_yuv422(in.data(), 1, out.data()), 0);
    EXPECT_EQ(out, Bytes(4, 0xEE));
}

TEST(Dazaduviro, Yuv444ToYuv422InPlace)
{
    Bytes buf = {10, 100, 200, 20, 102, 202, 30, 0, 0, 40, 2, 4};
    ASSERT_EQ(yuv444_to_yuv422(buf.data(), 4, buf.data()), 0);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 8), Bytes({10, 101, 20, 201, 30, 1, 40, 2}));
}

// ---- frame cut ----

TEST(Dazaduviro, RawDataCutSplitsAFrameInHalf)
{
    constexpr int kHalf = 256 * 96 * 2;
    Bytes frame(2 * kHalf);
    std::iota(frame.begin(), frame.end(), uint8_t{0});
    frame[kHalf - 1] = 0x5A;
    frame[kHalf] = 0xA5;
    Bytes image(kHalf + 1, 0xEE), temp(kHalf + 1, 0xEE);
    ASSERT_EQ(raw_data_cut(frame.data(), kHalf, kHalf, image.data(), temp.data()), 0);
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + kHalf, image.begin()));
    EXPECT_TRUE(std::equal(frame.begin() + kHalf, frame.end(), temp.begin()));
    EXPECT_EQ(image[kHalf - 1], 0x5A);
    EXPECT_EQ(temp[0], 0xA5);
    EXPECT_EQ(image[kHalf], 0xEE);
    EXPECT_EQ(temp[kHalf], 0xEE);
}

TEST(Dazaduviro, RawDataCutWithUnequalAndEmptyParts)
{
    const Bytes frame = {1, 2, 3, 4, 5};
    Bytes image(3, 0xEE), temp(3, 0xEE);
    ASSERT_EQ(raw_data_cut(frame.data(), 1, 3, image.data(), temp.data()), 0);
    EXPECT_EQ(image, Bytes({1, 0xEE, 0xEE}));
    EXPECT_EQ(temp, Bytes({2, 3, 4}));
    ASSERT_EQ(raw_data_cut(frame.data(), 0, 0, image.data(), temp.data()), 0);
    EXPECT_EQ(image, Bytes({1, 0xEE, 0xEE}));
    EXPECT_EQ(temp, Bytes({2, 3, 4}));
}

TEST(Dazaduviro, RawDataCutRefusesBadArguments)
{
    dazaduviro_log_register(1);
    const Bytes frame(8, 1);
    Bytes image(8, 0xEE), temp(8, 0xEE);
    struct Case {
        const void *raw;
        int image_bytes;
        void *image;
        void *temp;
        const char *message;
    } cases[] = {
        {nullptr, 4, image.data(), temp.data(), "data is NULL"},
        {frame.data(), 4, nullptr, temp.data(), "data is NULL"},
        {frame.data(), 4, image.data(), nullptr, "data is NULL"},
        {nullptr, -1, image.data(), temp.data(), "data is NULL"},
        {frame.data(), -1, image.data(), temp.data(), "data size is negative"},
    };
    for (const Case &c : cases) {
        int rc = 0;
        std::string line = Printed([&] { rc = raw_data_cut(c.raw, c.image_bytes, 4, c.image, c.temp); });
        EXPECT_EQ(rc, -1);
        EXPECT_TRUE(std::regex_match(line, std::regex(ErrorLine("raw_data_cut", c.message)))) << line;
    }
    EXPECT_EQ(image, Bytes(8, 0xEE));
    EXPECT_EQ(temp, Bytes(8, 0xEE));
}

// ---- argument checks of every conversion ----

// Each conversion called with untyped buffers, so that one table covers all of them.
struct Conversion {
    const char *name;
    std::function<int(const void *, int, void *)> call;
};

const Conversion kConversions[] = {
    {"y14_to_y8", [](const void *i, int n, void *o) { return y14_to_y8((const uint16_t *)i, n, (uint8_t *)o); }},
    {"y14_to_rgb", [](const void *i, int n, void *o) { return y14_to_rgb((const uint16_t *)i, n, (uint8_t *)o); }},
    {"y14_to_yuv444",
     [](const void *i, int n, void *o) { return y14_to_yuv444((const uint16_t *)i, n, (uint8_t *)o); }},
    {"y16_to_y14", [](const void *i, int n, void *o) { return y16_to_y14((const uint16_t *)i, n, (uint16_t *)o); }},
    {"rgb_to_bgr", [](const void *i, int n, void *o) { return rgb_to_bgr((const uint8_t *)i, n, (uint8_t *)o); }},
    {"yuv422_add_y",
     [](const void *i, int n, void *o) { return yuv422_add_y((const uint8_t *)i, n, 10, (uint8_t *)o); }},
    {"yuv422_to_rgb",
     [](const void *i, int n, void *o) { return yuv422_to_rgb((const uint8_t *)i, n, (uint8_t *)o); }},
    {"yuv444_to_rgb",
     [](const void *i, int n, void *o) { return yuv444_to_rgb((const uint8_t *)i, n, (uint8_t *)o); }},
    {"yuv444_to_yuv422",
     [](const void *i, int n, void *o) { return yuv444_to_yuv422((const uint8_t *)i, n, (uint8_t *)o); }},
};

void PrintTo(const Conversion &conv, std::ostream *os)
{
    *os << conv.name;
}

class ConversionChecks : public testing::TestWithParam<Conversion> {};

TEST_P(ConversionChecks, BadArgumentsGiveMinusOneAndTheirLine)
{
    dazaduviro_log_register(0);
    const Conversion &conv = GetParam();
    std::array<uint8_t, 16> in{}, out{};
    out.fill(0xEE);
    struct Case {
        const void *in;
        int pixels;
        void *out;
        const char *message;
    } cases[] = {
        {nullptr, 2, out.data(), "data is NULL"},
        {in.data(), 2, nullptr, "data is NULL"},
        {nullptr, 0, nullptr, "data is NULL"},  // the pointer check comes first
        {nullptr, -5, out.data(), "data is NULL"},
        {in.data(), 0, out.data(), "pixel number is 0"},
        {in.data(), -1, out.data(), "pixel number is 0"},
        {in.data(), INT32_MIN, out.data(), "pixel number is 0"},
    };
    for (const Case &c : cases) {
        int rc = 0;
        std::string line = Printed([&] { rc = conv.call(c.in, c.pixels, c.out); });
        EXPECT_EQ(rc, -1) << c.message << " " << c.pixels;
        EXPECT_TRUE(std::regex_match(line, std::regex(ErrorLine(conv.name, c.message)))) << line;
    }
    std::array<uint8_t, 16> untouched{};
    untouched.fill(0xEE);
    EXPECT_EQ(out, untouched);
}

TEST_P(ConversionChecks, OnePixelSucceedsSilently)
{
    dazaduviro_log_register(0);
    std::array<uint8_t, 16> in{}, out{};
    int rc = -99;
    EXPECT_EQ(Printed([&] { rc = GetParam().call(in.data(), 1, out.data()); }), "");
    EXPECT_EQ(rc, 0);
}

INSTANTIATE_TEST_SUITE_P(All, ConversionChecks, testing::ValuesIn(kConversions),
                         [](const testing::TestParamInfo<Conversion> &info) { return std::string(info.param.name); });

// ---- log levels ----

TEST(Dazaduviro, LogLevelsRouteErrorLines)
{
    const uint16_t in = 1;
    const struct {
        int level;
        bool printed;
    } cases[] = {{0, true}, {1, true}, {2, false}, {-1, false}, {0, true}};
    for (const auto &c : cases) {
        dazaduviro_log_register(c.level);
        std::string line = Printed([&] { EXPECT_EQ(y14_to_y8(&in, 1, nullptr), -1); });
        EXPECT_EQ(!line.empty(), c.printed) << "level " << c.level;
    }
}

TEST(DazaduviroDeathTest, NothingIsLoggedBeforeRegistration)
{
    // A fresh process, so that no other test's registration is in effect.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const uint16_t in = 1;
            std::string line = Printed([&] { y14_to_y8(&in, 1, nullptr); });
            std::exit(line.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
