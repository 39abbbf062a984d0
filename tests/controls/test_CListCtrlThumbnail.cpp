// The thumbnail list: which files its scan lists, what a thumbnail shows, the reload, clicks, and
// the list's own painting, on the pixels of a real window.
#include <gtest/gtest.h>

#include <string>

#include "controls/CListCtrlThumbnail.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/controls/ThumbnailTestSupport.h"
#include "tests/support/NotRegularFiles.h"
#include "tests/support/PermissionsHold.h"

using namespace controls_test;
using namespace thumbnail_test;

namespace {

constexpr COLORREF kRowGround = RGB(0, 16, 27);
constexpr COLORREF kSelectedGround = RGB(50, 149, 250);
constexpr int kRowHeight = 47;

// The image list and the video list side by side in one host, over an emptied data folder.
class ThumbnailTest : public ControlTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.CreateTop(50, 50, 540, 420));
        ASSERT_TRUE(images.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 260, 400), &host, 6000));
        ASSERT_TRUE(videos.Create(WS_CHILD | WS_VISIBLE, CRect(270, 0, 530, 400), &host, 6001));
    }
    void TearDown() override
    {
        images.DestroyWindow();
        videos.DestroyWindow();
        host.DestroyWindow();
        ControlTest::TearDown();
    }

    DataFolder data;
    Host host;
    CListCtrlThumbnail images{CListCtrlThumbnail::kImages};
    CListCtrlThumbnail videos{CListCtrlThumbnail::kVideos};
};

}  // namespace

TEST_F(ThumbnailTest, CreationMakesAHeaderlessReportListWithABlankFirstImage)
{
    EXPECT_EQ(images.GetStyle() & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(images.GetStyle() & LVS_NOCOLUMNHEADER);
    EXPECT_TRUE(images.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(images.GetImageList(LVSIL_SMALL), &images.m_imageList);
    EXPECT_EQ(images.GetImageList(LVSIL_NORMAL), &images.m_imageList);
    EXPECT_EQ(images.m_imageList.GetImageCount(), 1);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images.m_imageList, &cx, &cy);
    EXPECT_EQ(cx, 60);
    EXPECT_EQ(cy, 45);
    EXPECT_EQ(images.m_nAction, CListCtrlThumbnail::kScan);
}

TEST_F(ThumbnailTest, TheScanListsTheFilesWhoseExtensionFirstOccursAfterTheFirstCharacter)
{
    struct File {
        const char* name;
        enum { Snapshot, Recording, Folder } what;
    };
    const File files[] = {
        {"20240303_090503_007.ir", File::Snapshot},
        {"a.ir.bak", File::Snapshot},    // the extension occurs after the first character: tried
        {".ir", File::Snapshot},         // at the very start: not
        {".irx", File::Snapshot},
        {"X.IR", File::Snapshot},        // the test is case-sensitive
        {"sub.ir", File::Folder},        // folders are skipped
        {"20240303_090503_008.avi", File::Recording},
        {".avi.avi", File::Recording},   // the first occurrence decides
        {"clip.avi.old", File::Recording},
    };
    for (const File& f : files) {
        if (f.what == File::Snapshot)
            data.Snapshot(f.name);
        else if (f.what == File::Recording)
            data.Recording(f.name);
        else
            data.Folder(f.name);
    }
    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kScan));
    ASSERT_TRUE(RunLoader(videos, CListCtrlThumbnail::kScan));
    EXPECT_EQ(ItemNames(images), (std::set<std::string>{"20240303_090503_007.ir", "a.ir.bak"}));
    EXPECT_EQ(ItemNames(videos), (std::set<std::string>{"20240303_090503_008.avi", "clip.avi.old"}));
    // Each new item shows the image it was added with, after the blank one.
    EXPECT_EQ(images.m_imageList.GetImageCount(), 3);
    for (int i = 0; i < images.GetItemCount(); ++i)
        EXPECT_EQ(ImageOf(images, i), i + 1);
}

TEST_F(ThumbnailTest, AFileThatCannotBeReadAddsNothingAndTheScanGoesOn)
{
    // Not even waited on: what is no regular file (a FIFO among them) is never read.
    NotRegularFiles otherImages(data.Path(""), ".ir"), otherVideos(data.Path(""), ".avi");
    ASSERT_TRUE(otherImages.Made() && otherVideos.Made());
    data.Bytes("broken.ir", std::string(100, 'x'));
    data.Bytes("empty.ir", "");
    data.Bytes("fake.avi", std::string(5000, 'v'));
    data.Bytes("empty.avi", "");
    data.Snapshot("good.ir");
    data.Recording("good.avi");
    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kScan));
    ASSERT_TRUE(RunLoader(videos, CListCtrlThumbnail::kScan));
    EXPECT_EQ(ItemNames(images), (std::set<std::string>{"good.ir"}));
    EXPECT_EQ(ItemNames(videos), (std::set<std::string>{"good.avi"}));

    EXPECT_EQ(images.AddThumbnail(CString(data.Path("broken.ir")), -1), -1);
    EXPECT_EQ(images.AddThumbnail(CString(data.Path("missing.ir")), -1), -1);
    EXPECT_EQ(videos.AddThumbnail(CString(data.Path("fake.avi")), -1), -1);
    EXPECT_EQ(images.GetItemCount(), 1);
    EXPECT_EQ(images.m_imageList.GetImageCount(), 2);
    EXPECT_FALSE(otherImages.HeldAReader());
    EXPECT_FALSE(otherVideos.HeldAReader());
}

// Snapshots that may be read but not written (the user's permissions, a disk that takes no writes)
// are listed as the recordings beside them are; the loader runs as this thread does.
TEST_F(ThumbnailTest, FilesThatMayOnlyBeReadAreListed)
{
    data.Snapshot("shot.ir");
    data.Recording("clip.avi");
    for (const char* name : {"shot.ir", "clip.avi"})
        std::filesystem::permissions(data.Path(name), std::filesystem::perms::owner_read);
    const PermissionsHold hold;
    ASSERT_TRUE(hold.Held());
    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kScan));
    ASSERT_TRUE(RunLoader(videos, CListCtrlThumbnail::kScan));
    EXPECT_EQ(ItemNames(images), (std::set<std::string>{"shot.ir"}));
    EXPECT_EQ(ItemNames(videos), (std::set<std::string>{"clip.avi"}));
}

// A video whose first frame cannot be read adds nothing: one without a frame, one of another codec,
// one whose frames are not of the size its header gives.
TEST_F(ThumbnailTest, AVideoWhoseFirstFrameCannotBeReadAddsNothing)
{
    data.Recording("none.avi", true, 0);
    data.RecordingSaying("codec.avi", "MJPG", kWidth, kRows);
    data.RecordingSaying("size.avi", "YUY2", 320, 240);
    data.Recording("good.avi");
    ASSERT_TRUE(RunLoader(videos, CListCtrlThumbnail::kScan));
    EXPECT_EQ(ItemNames(videos), (std::set<std::string>{"good.avi"}));
    for (const char* name : {"none.avi", "codec.avi", "size.avi"})
        EXPECT_EQ(videos.AddThumbnail(CString(data.Path(name)), -1), -1) << name;
    EXPECT_EQ(videos.GetItemCount(), 1);
    EXPECT_EQ(videos.m_imageList.GetImageCount(), 2);
}

TEST_F(ThumbnailTest, NoDataFolderLeavesTheListsEmpty)
{
    std::filesystem::remove_all(data.Path(""));
    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kScan));
    EXPECT_EQ(images.GetItemCount(), 0);
}

TEST_F(ThumbnailTest, AThumbnailShowsTheFileInThePaletteOfItsMaking)
{
    data.Snapshot("board.ir", true);
    data.Recording("board.avi", false);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("board.ir")), -1), 0);
    ASSERT_EQ(videos.AddThumbnail(CString(data.Path("board.avi")), -1), 0);
    const HalfColours now = ColoursNow();
    ASSERT_NE(now.cold, now.hot);
    EXPECT_EQ(ThumbnailPixel(images, 1, 10, 22), now.hot);
    EXPECT_EQ(ThumbnailPixel(images, 1, 50, 22), now.cold);
    EXPECT_EQ(ThumbnailPixel(videos, 1, 10, 22), now.cold);
    EXPECT_EQ(ThumbnailPixel(videos, 1, 50, 22), now.hot);
    EXPECT_EQ(images.GetItemText(0, 0), "board.ir");
    EXPECT_EQ(videos.GetItemText(0, 0), "board.avi");

    // On the screen: the thumbnail at the row's left edge, the name in white beside it.
    auto p = Shot(host);
    EXPECT_EQ(p.at(2 + 10, 1 + 22), Opaque(now.hot));
    EXPECT_EQ(p.at(2 + 50, 1 + 22), Opaque(now.cold));
    EXPECT_GT(CountTinted(p, CRect(66, 0, 200, kRowHeight), RGB(255, 255, 255)), 20);
}

TEST_F(ThumbnailTest, AReloadRenewsEachRemainingItemsOwnThumbnailInTheNewPalette)
{
    PaletteGuard palette;
    data.Snapshot("left.ir", true);
    data.Snapshot("right.ir", false);
    data.Snapshot("gone.ir", true);
    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kScan));
    ASSERT_EQ(images.GetItemCount(), 3);
    const HalfColours before = ColoursNow();
    images.DeleteItem(ItemOf(images, "gone.ir"));

    theApp.m_capture.m_colorMap.m_nCurPalette = (theApp.m_capture.m_colorMap.m_nCurPalette + 1) % 3;
    const HalfColours after = ColoursNow();
    ASSERT_NE(before.hot, after.hot);
    // Until the reload, thumbnails keep the palette they were made in, in the list and on the
    // screen.
    const int left = ImageOf(images, ItemOf(images, "left.ir"));
    const int right = ImageOf(images, ItemOf(images, "right.ir"));
    const auto shownLeftHalf = [&] { return Shot(host).at(2 + 10, ItemOf(images, "left.ir") * kRowHeight + 1 + 22); };
    EXPECT_EQ(ThumbnailPixel(images, left, 10, 22), before.hot);
    EXPECT_EQ(shownLeftHalf(), Opaque(before.hot));

    ASSERT_TRUE(RunLoader(images, CListCtrlThumbnail::kReload));
    EXPECT_EQ(shownLeftHalf(), Opaque(after.hot));
    EXPECT_EQ(ThumbnailPixel(images, left, 10, 22), after.hot);
    EXPECT_EQ(ThumbnailPixel(images, left, 50, 22), after.cold);
    EXPECT_EQ(ThumbnailPixel(images, right, 10, 22), after.cold);
    EXPECT_EQ(ThumbnailPixel(images, right, 50, 22), after.hot);
    EXPECT_EQ(images.GetItemCount(), 2);
    EXPECT_EQ(images.m_imageList.GetImageCount(), 4);
}

TEST_F(ThumbnailTest, AStoppedLoaderTakesNoFurtherFile)
{
    PaletteGuard palette;
    data.Snapshot("one.ir", true);
    data.Snapshot("two.ir", false);
    // The stop comes before the loader's body runs (here, on this thread): whichever file is next,
    // it is not taken.
    ASSERT_TRUE(images.ThreadWorkerStop());
    images.m_nAction = CListCtrlThumbnail::kScan;
    EXPECT_EQ(images.ActionRun(), 3u);
    EXPECT_EQ(images.GetItemCount(), 0);

    ASSERT_EQ(images.AddThumbnail(CString(data.Path("one.ir")), -1), 0);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("two.ir")), -1), 0);
    const HalfColours before = ColoursNow();
    theApp.m_capture.m_colorMap.m_nCurPalette = (theApp.m_capture.m_colorMap.m_nCurPalette + 1) % 3;
    ASSERT_NE(ColoursNow().hot, before.hot);
    images.m_nAction = CListCtrlThumbnail::kReload;
    EXPECT_EQ(images.ActionRun(), 3u);
    EXPECT_EQ(ThumbnailPixel(images, 1, 10, 22), before.hot);
    EXPECT_EQ(ThumbnailPixel(images, 2, 10, 22), before.cold);
}

TEST_F(ThumbnailTest, ARenewalFollowsItsFileWhenItemsMoved)
{
    data.Snapshot("first.ir", true);
    data.Snapshot("second.ir", false);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("first.ir")), -1), 0);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("second.ir")), -1), 0);
    images.DeleteItem(0);
    // Renewing "first.ir" as item 0, which now shows "second.ir", leaves "second.ir" alone.
    const COLORREF secondLeft = ThumbnailPixel(images, 2, 10, 22);
    EXPECT_EQ(images.AddThumbnail(CString(data.Path("first.ir")), 0), -1);
    EXPECT_EQ(ThumbnailPixel(images, 2, 10, 22), secondLeft);
    EXPECT_EQ(images.AddThumbnail(CString(data.Path("second.ir")), 5), 0);
}

TEST_F(ThumbnailTest, AClickHandsTheSelectedFileToTheOwner)
{
    data.Snapshot("abc.ir");
    data.Snapshot("a.ir");  // four characters: too short to be opened
    data.Recording("rec.avi");
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("abc.ir")), -1), 0);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("a.ir")), -1), 0);
    ASSERT_EQ(videos.AddThumbnail(CString(data.Path("rec.avi")), -1), 0);
    std::vector<std::string> opened;
    images.SetOpenHandler([&](const CString& path) { opened.push_back("image " + path.str()); });
    videos.SetOpenHandler([&](const CString& path) { opened.push_back("video " + path.str()); });

    Click(images, CPoint(100, 20));
    Click(images, CPoint(100, kRowHeight + 20));
    Click(videos, CPoint(100, 20));
    Click(images, CPoint(100, 300));  // below the items: nothing selected
    EXPECT_EQ(opened, (std::vector<std::string>{"image " + data.Path("abc.ir"), "video " + data.Path("rec.avi")}));
}

TEST_F(ThumbnailTest, RowsArePaintedInTheListsColours)
{
    data.Snapshot("one.ir");
    data.Snapshot("two.ir");
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("one.ir")), -1), 0);
    ASSERT_EQ(images.AddThumbnail(CString(data.Path("two.ir")), -1), 0);
    auto p = Shot(host);
    EXPECT_EQ(p.at(240, 5), Opaque(kRowGround));
    EXPECT_EQ(p.at(240, kRowHeight + 5), Opaque(kRowGround));
    EXPECT_EQ(p.at(240, 2 * kRowHeight + 5), Opaque(RGB(0, 0, 0)));  // past the last item

    Click(images, CPoint(150, kRowHeight + 20));
    p = Shot(host);
    EXPECT_EQ(p.at(240, 5), Opaque(kRowGround));
    EXPECT_EQ(p.at(240, kRowHeight + 5), Opaque(kSelectedGround));
}
