#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/resgen/embed.h"

namespace {

class ResgenTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* base = getenv("VANTREL_TEST_TMP");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/resgen-XXXXXX";
        std::string mk = "mkdir -p '" + std::string(base && *base ? base : "/tmp") + "'";
        ASSERT_EQ(system(mk.c_str()), 0);
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + m_dir + "'").c_str()), 0); }

    std::string Write(const std::string& name, const std::string& text)
    {
        std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::string m_dir;
};

TEST_F(ResgenTest, ReadsFilesStringsAndDialogs)
{
    Write("a.bin", std::string("A\0\"?\\", 5));
    Write("b.png", "png bytes");
    std::string manifest = Write("m.txt",
                                 "# comment\n\n"
                                 "7 WAVE a.bin\n"
                                 "8 PNG art/b.png\n"
                                 "9 STRING \"say \\\"hi\\\"\"\n");
    std::string dialog = Write("main.dlg", "# the main window\n\ndialog 102\nsize 644 352\n");
    resgen::Manifest m = resgen::ReadManifest(manifest, m_dir, m_dir);
    resgen::AddDialogs(m, {dialog});
    ASSERT_EQ(m.resources.size(), 3u);
    EXPECT_EQ(m.resources[0].bytes, std::string("A\0\"?\\", 5));
    EXPECT_EQ(m.resources[1].bytes, "png bytes");
    EXPECT_EQ(m.resources[2].type, "DIALOG");
    EXPECT_EQ(m.resources[2].id, 102u);
    ASSERT_EQ(m.strings.size(), 1u);
    EXPECT_EQ(m.strings[0].text, "say \"hi\"");

    std::string source = resgen::GenerateSource(m);
    EXPECT_NE(source.find("{7, 0, \"WAVE\""), std::string::npos);
    EXPECT_NE(source.find("{102, 5, nullptr"), std::string::npos);
    // Bytes that cannot stand in a literal are escaped.
    EXPECT_NE(source.find("\"A\\000\\042\\077\\134\""), std::string::npos);
}

struct BadManifest {
    const char* text;
    const char* why;
};

class ResgenBadManifest : public ResgenTest, public testing::WithParamInterface<BadManifest> {};

TEST_P(ResgenBadManifest, IsRefusedWithItsLine)
{
    Write("a.bin", "x");
    std::string manifest = Write("m.txt", GetParam().text);
    try {
        resgen::Manifest m = resgen::ReadManifest(manifest, m_dir, m_dir);
        resgen::GenerateSource(m);
        FAIL() << GetParam().why;
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().why), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResgenBadManifest,
                         testing::Values(BadManifest{"7 WAVE missing.bin\n", "cannot read"},
                                         BadManifest{"PNG a.bin\n", "m.txt:1"},
                                         BadManifest{"0 PNG a.bin\n", "1 to 65535"},
                                         BadManifest{"70000 PNG a.bin\n", "1 to 65535"},
                                         BadManifest{"7 PNG\n", "no file"},
                                         BadManifest{"7 STRING unquoted\n", "quoted"},
                                         BadManifest{"7 PNG a.bin\n7 png_other a.bin\n7 PNG a.bin\n", "listed twice"},
                                         BadManifest{"3 STRING \"a\"\n3 STRING \"b\"\n", "listed twice"}),
                         [](const testing::TestParamInfo<BadManifest>& info) { return std::to_string(info.index); });

TEST_F(ResgenTest, DialogTemplatesNameTheirOwnId)
{
    resgen::Manifest m;
    EXPECT_THROW(resgen::AddDialogs(m, {Write("none.dlg", "# nothing\n")}), std::runtime_error);
    EXPECT_THROW(resgen::AddDialogs(m, {Write("late.dlg", "size 1 1\ndialog 5\n")}), std::runtime_error);
    EXPECT_THROW(resgen::AddDialogs(m, {Write("huge.dlg", "dialog 123456\n")}), std::runtime_error);
    EXPECT_NO_THROW(resgen::AddDialogs(m, {Write("a.dlg", "dialog 123\n"), Write("b.dlg", "  dialog 124 \n")}));
    ASSERT_EQ(m.resources.size(), 2u);
    EXPECT_EQ(m.resources[1].id, 124u);
    m.resources.push_back(m.resources[0]);
    EXPECT_THROW(resgen::GenerateSource(m), std::runtime_error) << "two templates of one id";
}

}  // namespace
