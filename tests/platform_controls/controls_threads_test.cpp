// The thumbnail loaders fill their lists from worker threads: image lists directly, items through
// messages carried to the user-interface thread.
#include <atomic>
#include <thread>

#include "tests/platform_controls/controls_test_support.h"

using controls_test::SolidBitmap;

namespace {

TEST(ControlsThreads, ImageListTakesImagesFromTwoThreadsAtOnce)
{
    CImageList list;
    ASSERT_TRUE(list.Create(8, 8, ILC_COLOR32, 1, 1));
    auto fill = [&list](COLORREF c) {
        for (int i = 0; i < 100; ++i) {
            CBitmap b;
            b.Attach(SolidBitmap(8, 8, c));
            list.Add(&b, RGB(0, 0, 0));
            if (i % 10 == 0) list.Replace(0, &b, nullptr);
        }
    };
    CBitmap first;
    first.Attach(SolidBitmap(8, 8, RGB(0, 0, 0)));
    list.Add(&first, static_cast<CBitmap*>(nullptr));
    std::thread a(fill, RGB(255, 0, 0)), b(fill, RGB(0, 0, 255));
    a.join();
    b.join();
    EXPECT_EQ(list.GetImageCount(), 201);
}

TEST(ControlsThreads, ItemsInsertedFromAWorkerArriveInOrder)
{
    CWnd host;
    ASSERT_TRUE(host.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr));
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 200, 200}, &host, 1));
    list.InsertColumn(0, "name", LVCFMT_LEFT, 200);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) list.InsertItem(i, std::to_string(i).c_str(), 0);
        done = true;
    });
    while (!done) {
        user_test::Pump();
        std::this_thread::yield();
    }
    worker.join();
    ASSERT_EQ(list.GetItemCount(), 20);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(list.GetItemText(i, 0), CString(std::to_string(i).c_str()));
    list.DestroyWindow();
    host.DestroyWindow();
}

}  // namespace
