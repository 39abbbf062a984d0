// Saved files through the real main window and clicks on its buttons: the names of new files, Snap
// and Rec with what they leave on disk and in the lists, Del and Clc (also with FIFOs among the
// files), and what a full disk or an unwritable data folder leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "app/DataFiles.h"
#include "app/StatusTexts.h"
#include "emulator/src/emulator.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/controls/ThumbnailFiles.h"
#include "tests/support/AviFacts.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/NotRegularFiles.h"

using namespace app_test;

namespace {

namespace fs = std::filesystem;
using B = CVantrelDlg;

// The data folder moved below a plain file, where no folder can be made, for the object's life.
class UnwritableDataFolder {
public:
    explicit UnwritableDataFolder(const std::string& besideFolder) : m_old(std::getenv("VANTREL_DATA_DIR"))
    {
        m_blocker = fs::path(besideFolder).parent_path().parent_path() / "blocker";
        std::ofstream(m_blocker) << "a file, not a folder";
        setenv("VANTREL_DATA_DIR", (m_blocker / "IRData/").c_str(), 1);
    }
    ~UnwritableDataFolder()
    {
        setenv("VANTREL_DATA_DIR", m_old.c_str(), 1);
        fs::remove(m_blocker);
    }

private:
    std::string m_old;
    fs::path m_blocker;
};

// The names of the files in a folder with this extension.
std::vector<std::string> FilesEndingIn(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == extension) names.push_back(entry.path().filename().string());
    return names;
}

std::vector<std::string> ItemsOf(CListCtrlThumbnail& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.GetItemCount(); ++i) items.push_back(list.GetItemText(i, 0).GetString());
    return items;
}

// What ffprobe says of a video's stream: its key=value lines.
std::map<std::string, std::string> Probe(const std::string& path)
{
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames "
                                "-of default=noprint_wrappers=1 '" + path + "' 2>/dev/null";
    std::map<std::string, std::string> values;
    std::FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return values;
    char line[256];
    while (std::fgets(line, sizeof line, out) != nullptr) {
        std::string text(line);
        const auto equals = text.find('=');
        if (equals == std::string::npos) continue;
        values[text.substr(0, equals)] = text.substr(equals + 1, text.find_last_not_of("\r\n") - equals);
    }
    pclose(out);
    return values;
}

class SavedFilesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        PumpUntil([&] { return !dlg.m_listImage.IsThreadWorkerRunning() && !dlg.m_listVideo.IsThreadWorkerRunning(); });
    }
    void TearDown() override
    {
        if (dlg.m_btn[B::kRecord].GetCheck()) Click(B::kRecord);
        MainWindowTest::TearDown();
    }
    // Handles the window's messages for a while, frames arriving meanwhile.
    void PumpFor(DWORD ms)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < ms) {
            Pump();
            Sleep(5);
        }
    }
    std::string Status() { return TextOf(dlg.m_lightStatus); }
    // Whether the recording running holds a frame yet: its file has grown past one frame's bytes.
    bool RecordedAFrame()
    {
        std::error_code ec;
        return fs::file_size(dlg.m_strRecordPath.GetString(), ec) > 256 * 192 * 2 && !ec;
    }
    std::vector<std::uint16_t> LiveSamples()
    {
        CIRDataCapture& capture = theApp.m_capture;
        CAutoLock lock(&capture.m_lockRecords);
        const IrFrame& live = capture.m_frameLive;
        return std::vector<std::uint16_t>(live.temp_data, live.temp_data + live.temp_size / 2);
    }

    // Emptied before the window scans it.
    const thumbnail_test::DataFolder folder;
};

TEST(DataFiles, NamesComeFromTheLocalTimeAndAreNeverHandedOutTwice)
{
    const SYSTEMTIME t{2024, 3, 0, 3, 9, 5, 3, 7};
    EXPECT_STREQ(DataFileName(t, ".ir"), "20240303_090503_007.ir");
    EXPECT_STREQ(DataFileName(t, ".avi"), "20240303_090503_007.avi");

    const thumbnail_test::DataFolder folder;
    fs::remove_all(platform::files::DataFolder().GetString());
    const CString first = NewDataFilePath(".ir");
    EXPECT_TRUE(fs::is_directory(platform::files::DataFolder().GetString())) << "the folder is made";
    EXPECT_TRUE(std::regex_match(fs::path(first.GetString()).filename().string(), std::regex(R"(\d{8}_\d{6}_\d{3}\.ir)")));
    // Taken right away, within the same millisecond or not: the next name is another.
    std::ofstream(first.GetString()) << "saved";
    const CString second = NewDataFilePath(".ir");
    EXPECT_STRNE(first, second);
    EXPECT_EQ(fs::path(first.GetString()).parent_path(), fs::path(second.GetString()).parent_path());
}

TEST_F(SavedFilesTest, SnapWritesTheLiveFrameAsItIsAndAddsOneThumbnail)
{
    ASSERT_TRUE(WaitForLiveFrame());
    QuietWorkers();
    dlg.m_lightStatus.SetWindowText("");
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    Click(B::kSnap);
    GetLocalTime(&after);

    const auto files = FilesEndingIn(folder.Path(""), ".ir");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_GE(files[0], DataFileName(before, ".ir").GetString());
    EXPECT_LE(files[0], DataFileName(after, ".ir").GetString());
    IrFrame saved;
    ASSERT_EQ(irfile_read(&saved, folder.Path(files[0]).c_str()), 0);
    EXPECT_EQ(std::vector<std::uint16_t>(saved.temp_data, saved.temp_data + saved.temp_size / 2), LiveSamples());
    EXPECT_EQ(saved.temp_info[0], 256);
    EXPECT_EQ(saved.temp_info[1], 192);
    ircam_frame_free(&saved);
    // The still slot holds the snapshot, for the Image source.
    const IrFrame& still = theApp.m_capture.m_frameImage;
    EXPECT_EQ(std::vector<std::uint16_t>(still.temp_data, still.temp_data + still.temp_size / 2), LiveSamples());
    EXPECT_EQ(ItemsOf(dlg.m_listImage), std::vector<std::string>{files[0]});
    EXPECT_EQ(Status(), "");
}

TEST_F(SavedFilesTest, AFailedSnapLeavesNoFileNoItemAndSaysSoInEitherLanguage)
{
    ASSERT_TRUE(WaitForLiveFrame());
    QuietWorkers();
    folder.Snapshot("20200101_000000_000.ir");
    const auto kept = fs::file_size(folder.Path("20200101_000000_000.ir"));
    for (int language : {0, 1}) {
        dlg.SetLanguage(language);
        for (bool fullDisk : {true, false}) {
            SCOPED_TRACE(fullDisk ? "full disk" : "unwritable folder");
            dlg.m_lightStatus.SetWindowText("");
            if (fullDisk) {
                const FileSizeLimit limit(100000);
                Click(B::kSnap);
            } else {
                const UnwritableDataFolder unwritable(folder.Path(""));
                Click(B::kSnap);
            }
            EXPECT_EQ(FilesEndingIn(folder.Path(""), ".ir"), std::vector<std::string>{"20200101_000000_000.ir"});
            EXPECT_EQ(fs::file_size(folder.Path("20200101_000000_000.ir")), kept);
            EXPECT_EQ(dlg.m_listImage.GetItemCount(), 0);
            EXPECT_EQ(Status(), SnapshotFailedText(language));
        }
    }
    EXPECT_STREQ(SnapshotFailedText(0), "拍照失败.");
    EXPECT_STREQ(SnapshotFailedText(1), "Snapshot failed.");
}

TEST_F(SavedFilesTest, ASnapWithoutAFrameFailsAndLeavesTheStillSlotAsItWas)
{
    QuietWorkers();
    folder.Snapshot("board.ir");
    dlg.OpenIrFile(folder.Path("board.ir").c_str());
    CIRDataCapture& capture = theApp.m_capture;
    // No frame yet, as before the camera's first one.
    IrFrame live;
    {
        CAutoLock lock(&capture.m_lockRecords);
        std::swap(live, capture.m_frameLive);
    }
    Click(B::kSnap);
    {
        CAutoLock lock(&capture.m_lockRecords);
        std::swap(live, capture.m_frameLive);
    }
    EXPECT_EQ(Status(), "拍照失败.");
    EXPECT_EQ(FilesEndingIn(folder.Path(""), ".ir"), std::vector<std::string>{"board.ir"});
    const IrFrame& still = capture.m_frameImage;
    ASSERT_NE(still.temp_data, nullptr);
    EXPECT_EQ(std::vector<std::uint16_t>(still.temp_data, still.temp_data + still.temp_size / 2), thumbnail_test::HalfHot(true));
}

TEST_F(SavedFilesTest, RecGivesARawYuyvVideoOfAboutTwentyFiveFramesASecondAndItsThumbnail)
{
    ASSERT_TRUE(WaitForLiveFrame());
    // The recording holds the frames that the camera delivered while it ran, however many a loaded
    // machine let it deliver: most of those between the clicks, and none from before the first click
    // but the one it may not have taken yet.
    const std::uint64_t beforeStart = emu_frames_delivered();
    Click(B::kRecord);
    const std::uint64_t afterStart = emu_frames_delivered();
    ASSERT_EQ(dlg.m_btn[B::kRecord].GetCheck(), 1);
    PumpFor(3000);
    const std::uint64_t beforeStop = emu_frames_delivered();
    Click(B::kRecord);
    const std::uint64_t afterStop = emu_frames_delivered();

    const auto files = FilesEndingIn(folder.Path(""), ".avi");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(folder.Path(files[0]), dlg.m_strRecordPath.GetString());
    auto stream = Probe(folder.Path(files[0]));
    ASSERT_FALSE(stream.empty()) << "ffprobe (of the ffmpeg package) reads the recording";
    EXPECT_EQ(stream["codec_name"], "rawvideo");
    EXPECT_EQ(stream["pix_fmt"], "yuyv422");
    EXPECT_EQ(stream["width"], "256");
    EXPECT_EQ(stream["height"], "192");
    EXPECT_EQ(stream["r_frame_rate"], "25/1");
    const double frames = std::atof(stream["nb_read_frames"].c_str());
    EXPECT_GT(frames, 0.75 * static_cast<double>(beforeStop - afterStart)) << beforeStop - afterStart << " delivered";
    EXPECT_LE(frames, static_cast<double>(afterStop - beforeStart + 1)) << afterStop - beforeStart << " delivered";
    EXPECT_EQ(ItemsOf(dlg.m_listVideo), std::vector<std::string>{files[0]});
    EXPECT_NE(Status(), RecordingFailedText(0));
}

TEST_F(SavedFilesTest, ARecThatCannotStartIsReleasedAndSaysSo)
{
    ASSERT_TRUE(WaitForLiveFrame());
    // The camera's own tip has been taken, so it cannot come after the click and cover its text.
    ASSERT_TRUE(PumpUntil([&] { return Status() == "红外相机连接成功."; }));
    {
        const UnwritableDataFolder unwritable(folder.Path(""));
        Click(B::kRecord);
        EXPECT_EQ(dlg.m_btn[B::kRecord].GetCheck(), 0);
        EXPECT_EQ(Status(), "录制失败.");
        EXPECT_TRUE(dlg.m_strRecordPath.IsEmpty());
        CAutoLock lock(&theApp.m_capture.m_lockFrame);
        EXPECT_EQ(theApp.m_capture.m_bRecording, 0);
    }
    // The next click records.
    Click(B::kRecord);
    EXPECT_EQ(dlg.m_btn[B::kRecord].GetCheck(), 1);
    EXPECT_TRUE(PumpUntil([&] { return RecordedAFrame(); }));
    Click(B::kRecord);
    EXPECT_EQ(FilesEndingIn(folder.Path(""), ".avi").size(), 1u);
    EXPECT_EQ(dlg.m_listVideo.GetItemCount(), 1);
    EXPECT_STREQ(RecordingFailedText(1), "Recording failed.");
}

// The emulated camera unplugged, for the object's life.
class CameraAway {
public:
    CameraAway() { emu_unplug(); }
    ~CameraAway() { emu_replug(); }
    CameraAway(const CameraAway&) = delete;
    CameraAway& operator=(const CameraAway&) = delete;
};

TEST_F(SavedFilesTest, ARecWithoutASingleFrameKeepsNothingAndSaysSo)
{
    ASSERT_TRUE(WaitForLiveFrame());
    ASSERT_TRUE(PumpUntil([&] { return Status() == "红外相机连接成功."; }));
    const CameraAway away;
    // The capture has given the camera up and waits for it: no tip of its own comes after the clicks.
    ASSERT_TRUE(PumpUntil([&] { return Status() == "红外相机未连接."; }));
    Click(B::kRecord);
    ASSERT_EQ(dlg.m_btn[B::kRecord].GetCheck(), 1);
    PumpFor(500);
    Click(B::kRecord);
    EXPECT_TRUE(FilesEndingIn(folder.Path(""), ".avi").empty());
    EXPECT_EQ(dlg.m_listVideo.GetItemCount(), 0);
    EXPECT_EQ(Status(), "录制失败.");
}

TEST_F(SavedFilesTest, ADiskFillingDuringRecKeepsTheFramesSavedAndSaysSo)
{
    constexpr rlim_t kFrameBytes = 256 * 192 * 2;
    struct Case {
        rlim_t limit;
        bool framesKept;
    };
    // Room for some frames, and room for not even the file's header.
    const Case cases[] = {{10 * kFrameBytes + kFrameBytes / 2, true}, {4096, false}};
    ASSERT_TRUE(WaitForLiveFrame());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        dlg.m_lightStatus.SetWindowText("");
        {
            const FileSizeLimit limit(c.limit);
            Click(B::kRecord);
            // The window releases the button itself once the capture reports the failed write.
            EXPECT_TRUE(PumpUntil([&] { return dlg.m_btn[B::kRecord].GetCheck() == 0; }));
        }
        EXPECT_EQ(Status(), "录制失败.");
        const auto files = FilesEndingIn(folder.Path(""), ".avi");
        EXPECT_EQ(ItemsOf(dlg.m_listVideo), files);
        if (!c.framesKept) {
            EXPECT_TRUE(files.empty());
            continue;
        }
        ASSERT_EQ(files.size(), 1u);
        CVideoFile reader;
        ASSERT_EQ(reader.OpenInput(folder.Path(files[0]).c_str()), 0);
        std::vector<std::uint16_t> frame(256 * 192);
        int read = 0;
        while (reader.ReadFrame(frame.data(), frame.size() * 2) == 0) ++read;
        reader.CloseInput();
        EXPECT_GE(read, 5);
        EXPECT_LE(read, 10);
        // A whole file to its last frame: counted in its header, indexed, none cut short.
        const avi_test::AviFacts facts = avi_test::ReadAviFacts(folder.Path(files[0]), kFrameBytes);
        EXPECT_TRUE(facts.riffSpansTheFile);
        EXPECT_EQ(facts.totalFrames, static_cast<std::uint32_t>(read));
        EXPECT_EQ(facts.wholeFramesIndexed, static_cast<std::size_t>(read));
        const std::string n = std::to_string(read);
        EXPECT_EQ(avi_test::ProbeFrames(folder.Path(files[0])), "nb_frames=" + n + "\nnb_read_frames=" + n + "\n");
        fs::remove(folder.Path(files[0]));
        dlg.m_listVideo.DeleteAllItems();
    }
}

// Releasing Rec lowers the capture's recording flag before the file is closed: the frames that
// came while Rec was down are the recording, and the capture hands the writer none after.
TEST_F(SavedFilesTest, ReleasingRecEndsTheFramesWritten)
{
    ASSERT_TRUE(WaitForLiveFrame());
    QuietWorkers();
    CIRDataCapture& capture = theApp.m_capture;
    IrFrame frame;
    ASSERT_EQ(capture.CopyLiveFrame(&frame), 0);
    Click(B::kRecord);
    for (int i = 0; i < 3; ++i) capture.PublishFrame(frame);
    Click(B::kRecord);
    {
        CAutoLock lock(&capture.m_lockFrame);
        EXPECT_EQ(capture.m_bRecording, 0);
    }
    capture.PublishFrame(frame);
    Pump();
    {
        CAutoLock lock(&capture.m_lockFrame);
        EXPECT_EQ(capture.m_bRecordFailed, 0) << "a frame went to the closed writer";
    }
    ircam_frame_free(&frame);
    const auto files = FilesEndingIn(folder.Path(""), ".avi");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(avi_test::ProbeFrames(folder.Path(files[0])), "nb_frames=3\nnb_read_frames=3\n");
    EXPECT_EQ(ItemsOf(dlg.m_listVideo), files);
    EXPECT_NE(Status(), RecordingFailedText(0));
}

TEST_F(SavedFilesTest, ClosingTheWindowWhileRecordingFinishesTheFile)
{
    ASSERT_TRUE(WaitForLiveFrame());
    Click(B::kRecord);
    PumpFor(500);
    dlg.DestroyWindow();
    EXPECT_EQ(theApp.m_capture.m_videoWriter.GetWidth(), 0) << "the writer is closed";
    const auto files = FilesEndingIn(folder.Path(""), ".avi");
    ASSERT_EQ(files.size(), 1u);
    const auto stream = Probe(folder.Path(files[0]));
    EXPECT_GT(std::atoi(stream.count("nb_read_frames") ? stream.at("nb_read_frames").c_str() : "0"), 0);
}

// Four snapshots listed by the scan at start-up.
class ListedFilesTest : public SavedFilesTest {
protected:
    void SetUp() override
    {
        for (const char* name : kNames) folder.Snapshot(name);
        folder.Recording("e_video.avi");
        SavedFilesTest::SetUp();
        QuietWorkers();
        ASSERT_EQ(dlg.m_listImage.GetItemCount(), 4);
        // One file is gone behind the list's back, one cannot be deleted (a folder has its name).
        fs::remove(folder.Path("b_missing.ir"));
        fs::remove(folder.Path("c_stuck.ir"));
        folder.Folder("c_stuck.ir");
    }
    int ItemNamed(CListCtrlThumbnail& list, const std::string& name)
    {
        const auto items = ItemsOf(list);
        const auto found = std::find(items.begin(), items.end(), name);
        return found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }
    void Select(const std::string& name)
    {
        dlg.m_listImage.SetItemState(ItemNamed(dlg.m_listImage, name), LVIS_SELECTED, LVIS_SELECTED);
    }
    bool Exists(const std::string& name) { return fs::exists(folder.Path(name)); }

    static constexpr const char* kNames[] = {"a_present.ir", "b_missing.ir", "c_stuck.ir", "d_kept.ir"};
};

TEST_F(ListedFilesTest, DelRemovesTheSelectedItemsWhoseFilesAreDeletedOrGone)
{
    for (const char* name : {"a_present.ir", "b_missing.ir", "c_stuck.ir"}) Select(name);
    Click(B::kDelete);
    auto items = ItemsOf(dlg.m_listImage);
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (std::vector<std::string>{"c_stuck.ir", "d_kept.ir"}));
    EXPECT_EQ(dlg.m_listImage.GetNextItem(-1, LVNI_SELECTED), ItemNamed(dlg.m_listImage, "c_stuck.ir"));
    EXPECT_FALSE(Exists("a_present.ir"));
    EXPECT_TRUE(Exists("c_stuck.ir"));
    EXPECT_TRUE(Exists("d_kept.ir"));
    EXPECT_TRUE(Exists("e_video.avi"));
}

// Neighbouring items selected, by their places in the list, whatever order the folder lists the
// files in.
struct Selection {
    const char* name;
    std::vector<int> items;
};

class SelectedNeighbours : public SavedFilesTest, public ::testing::WithParamInterface<Selection> {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.ir", "b.ir", "c.ir", "d.ir"}) folder.Snapshot(name);
        SavedFilesTest::SetUp();
        QuietWorkers();
        ASSERT_EQ(dlg.m_listImage.GetItemCount(), 4);
    }
};

TEST_P(SelectedNeighbours, AreAllDeletedByDel)
{
    std::vector<std::string> kept = ItemsOf(dlg.m_listImage);
    std::vector<std::string> deleted;
    for (int item : GetParam().items) {
        dlg.m_listImage.SetItemState(item, LVIS_SELECTED, LVIS_SELECTED);
        deleted.push_back(kept[static_cast<std::size_t>(item)]);
    }
    for (const std::string& name : deleted) kept.erase(std::find(kept.begin(), kept.end(), name));
    Click(B::kDelete);
    EXPECT_EQ(ItemsOf(dlg.m_listImage), kept);
    for (const std::string& name : deleted) EXPECT_FALSE(fs::exists(folder.Path(name))) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(folder.Path(name))) << name;
}

INSTANTIATE_TEST_SUITE_P(SavedFiles, SelectedNeighbours,
                         ::testing::Values(Selection{"FirstTwo", {0, 1}}, Selection{"MiddleTwo", {1, 2}},
                                           Selection{"LastTwo", {2, 3}}, Selection{"All", {0, 1, 2, 3}}),
                         [](const ::testing::TestParamInfo<Selection>& i) { return std::string(i.param.name); });

TEST_F(ListedFilesTest, ClcEmptiesTheShownListAndDeletesItsFiles)
{
    Click(B::kClear);
    EXPECT_EQ(dlg.m_listImage.GetItemCount(), 0);
    EXPECT_FALSE(Exists("a_present.ir"));
    EXPECT_FALSE(Exists("d_kept.ir"));
    EXPECT_TRUE(Exists("c_stuck.ir")) << "a file that cannot be deleted stays, its item goes";
    EXPECT_EQ(dlg.m_listVideo.GetItemCount(), 1);
    EXPECT_TRUE(Exists("e_video.avi"));

    Click(B::kVideoList);
    Click(B::kClear);
    EXPECT_EQ(dlg.m_listVideo.GetItemCount(), 0);
    EXPECT_FALSE(Exists("e_video.avi"));
    EXPECT_TRUE(Exists("c_stuck.ir"));
}

// Many snapshots, so that the scan is still filling the list when Clc is pressed.
class BusyLoaderTest : public SavedFilesTest {
protected:
    void SetUp() override
    {
        for (int i = 0; i < kFiles; ++i) folder.Snapshot("snap_" + std::to_string(1000 + i) + ".ir");
        // Not waited for: the scan goes on.
        MainWindowTest::SetUp();
    }
    static constexpr int kFiles = 150;
};

TEST_F(BusyLoaderTest, ClcWaitsForTheScanAndLeavesNoItemAndNoListedFile)
{
    ASSERT_TRUE(dlg.m_listImage.IsThreadWorkerRunning());
    Click(B::kClear);
    EXPECT_FALSE(dlg.m_listImage.IsThreadWorkerRunning());
    PumpFor(200);
    EXPECT_EQ(dlg.m_listImage.GetItemCount(), 0);
    EXPECT_TRUE(FilesEndingIn(folder.Path(""), ".ir").empty());
}

// Entries that bear a saved file's name but are no regular file (a FIFO among them), there before
// the window scans the folder, beside one snapshot and one recording.
class NotRegularAmongTheFilesTest : public SavedFilesTest {
protected:
    void SetUp() override
    {
        folder.Snapshot("a_shot.ir");
        folder.Recording("b_clip.avi");
        // Not waited for: Del and Clc wait for the scans.
        MainWindowTest::SetUp();
    }
    NotRegularFiles images{folder.Path(""), ".ir"};
    NotRegularFiles videos{folder.Path(""), ".avi"};
};

TEST_F(NotRegularAmongTheFilesTest, DelAndClcNeitherWaitOnThemNorTouchThem)
{
    ASSERT_TRUE(images.Made() && videos.Made());
    // Nothing is selected: Del only waits for the scan of the list.
    Click(B::kDelete);
    EXPECT_EQ(ItemsOf(dlg.m_listImage), std::vector<std::string>{"a_shot.ir"});
    Click(B::kClear);
    Click(B::kVideoList);
    Click(B::kDelete);
    EXPECT_EQ(ItemsOf(dlg.m_listVideo), std::vector<std::string>{"b_clip.avi"});
    Click(B::kClear);

    EXPECT_EQ(dlg.m_listImage.GetItemCount(), 0);
    EXPECT_EQ(dlg.m_listVideo.GetItemCount(), 0);
    EXPECT_FALSE(fs::exists(folder.Path("a_shot.ir")));
    EXPECT_FALSE(fs::exists(folder.Path("b_clip.avi")));
    for (const NotRegularFiles* others : {&images, &videos})
        for (const std::string& path : others->Paths()) EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
    EXPECT_FALSE(images.HeldAReader());
    EXPECT_FALSE(videos.HeldAReader());
}

}  // namespace
