// The thumbnail loader against the user-interface thread: both adding to one list at once, a
// reload while the user deletes items, and the list's end while its loader runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "controls/CListCtrlThumbnail.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/ThumbnailTestSupport.h"

using namespace controls_test;
using namespace thumbnail_test;

namespace {

class LoaderThreadTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.CreateTop(0, 0, 280, 420));
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 260, 400), &host, 6000));
    }
    void TearDown() override
    {
        list.DestroyWindow();
        host.DestroyWindow();
        ControlTest::TearDown();
    }
    // Serves the list until its loader has ended, doing `meanwhile` on this thread while it runs.
    void WhileLoading(const std::function<void()>& meanwhile)
    {
        const DWORD start = GetTickCount();
        while (list.IsThreadWorkerRunning() && GetTickCount() - start < 120000) {
            meanwhile();
            Pump();
        }
        Pump();
        ASSERT_FALSE(list.IsThreadWorkerRunning());
    }

    DataFolder data;
    Host host;
    CListCtrlThumbnail list{CListCtrlThumbnail::kImages};
};

}  // namespace

TEST_F(LoaderThreadTest, TheLoaderAndTheUserInterfaceThreadAddToOneListAtOnce)
{
    constexpr int kScanned = 60, kAdded = 20;
    std::set<std::string> expected;
    for (int i = 0; i < kScanned; ++i) {
        const std::string name = "scan" + std::to_string(i) + ".ir";
        data.Snapshot(name, i % 2 == 0);
        expected.insert(name);
    }
    // The snapshots of this thread lie in a folder of their own, which the scan passes over.
    data.Folder("own");
    for (int i = 0; i < kAdded; ++i) {
        const std::string name = "own" + std::to_string(i) + ".ir";
        data.Snapshot("own/" + name, i % 2 != 0);
        expected.insert(name);
    }

    list.m_nAction = CListCtrlThumbnail::kScan;
    ASSERT_TRUE(list.ThreadWorkerStart());
    int added = 0;
    WhileLoading([&] {
        if (added < kAdded) {
            EXPECT_EQ(list.AddThumbnail(CString(data.Path("own/own" + std::to_string(added++) + ".ir")), -1), 0);
        }
    });
    while (added < kAdded)
        EXPECT_EQ(list.AddThumbnail(CString(data.Path("own/own" + std::to_string(added++) + ".ir")), -1), 0);

    EXPECT_EQ(ItemNames(list), expected);
    ASSERT_EQ(list.GetItemCount(), kScanned + kAdded);
    ASSERT_EQ(list.m_imageList.GetImageCount(), 1 + kScanned + kAdded);
    // Every item shows an image of its own, and the right one.
    const HalfColours colours = ColoursNow();
    std::set<int> images;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const int image = ImageOf(list, i);
        EXPECT_TRUE(images.insert(image).second) << "image " << image << " shown twice";
        const std::string name = list.GetItemText(i, 0).str();
        const int number = std::stoi(name.substr(name[0] == 's' ? 4 : 3));
        const bool hotLeft = name[0] == 's' ? number % 2 == 0 : number % 2 != 0;
        EXPECT_EQ(ThumbnailPixel(list, image, 10, 22), hotLeft ? colours.hot : colours.cold) << name;
    }
}

TEST_F(LoaderThreadTest, AReloadWhileItemsAreDeletedRenewsOnlyTheRemainingItemsOwnThumbnails)
{
    PaletteGuard palette;
    constexpr int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        data.Snapshot("shot" + std::to_string(i) + ".ir", i % 2 == 0);
    ASSERT_TRUE(RunLoader(list, CListCtrlThumbnail::kScan));
    ASSERT_EQ(list.GetItemCount(), kFiles);

    theApp.m_capture.m_colorMap.m_nCurPalette = (theApp.m_capture.m_colorMap.m_nCurPalette + 1) % 3;
    const HalfColours after = ColoursNow();
    list.m_nAction = CListCtrlThumbnail::kReload;
    ASSERT_TRUE(list.ThreadWorkerStart());
    WhileLoading([&] {
        if (list.GetItemCount() > kFiles / 2)
            list.DeleteItem(list.GetItemCount() / 3);
    });

    for (int i = 0; i < list.GetItemCount(); ++i) {
        const std::string name = list.GetItemText(i, 0).str();
        const bool hotLeft = std::stoi(name.substr(4)) % 2 == 0;
        EXPECT_EQ(ThumbnailPixel(list, ImageOf(list, i), 10, 22), hotLeft ? after.hot : after.cold) << name;
    }
}

TEST_F(LoaderThreadTest, DestroyingTheWindowEndsARunningScan)
{
    for (int i = 0; i < 40; ++i)
        data.Snapshot("shot" + std::to_string(i) + ".ir");
    list.m_nAction = CListCtrlThumbnail::kScan;
    ASSERT_TRUE(list.ThreadWorkerStart());
    list.DestroyWindow();
    EXPECT_FALSE(list.IsThreadWorkerRunning());
}

TEST_F(LoaderThreadTest, AListCanBeDeletedWhileItsLoaderReloads)
{
    for (int i = 0; i < 30; ++i)
        data.Recording("rec" + std::to_string(i) + ".avi");
    auto videos = std::make_unique<CListCtrlThumbnail>(CListCtrlThumbnail::kVideos);
    ASSERT_TRUE(videos->Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 260, 400), &host, 6001));
    ASSERT_TRUE(RunLoader(*videos, CListCtrlThumbnail::kScan));
    ASSERT_EQ(videos->GetItemCount(), 30);
    videos->m_nAction = CListCtrlThumbnail::kReload;
    ASSERT_TRUE(videos->ThreadWorkerStart());
    videos.reset();
    Pump();
}

TEST_F(LoaderThreadTest, AListWithoutAWindowCanBeDeletedWhileItsLoaderScans)
{
    for (int i = 0; i < 20; ++i)
        data.Snapshot("shot" + std::to_string(i) + ".ir");
    auto windowless = std::make_unique<CListCtrlThumbnail>(CListCtrlThumbnail::kImages);
    ASSERT_TRUE(windowless->ThreadWorkerStart());
    windowless.reset();
}
