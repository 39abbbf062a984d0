// Development viewer of the skinned controls before the main window exists: the image list and
// the video list of the data folder side by side, filled by their loaders, and a curve window fed
// with two made-up curves 25 times a second. A click on a thumbnail prints its file. Not part of
// the program.
//
// Keys: R reloads both lists, C shows the curve window again, Esc quits. The curve window drags by
// its title strip, zooms by a drag over the plot and shows its whole data on a double-click.
#include <cmath>
#include <cstdio>

#include "controls/CDlgCurve.h"
#include "controls/CListCtrlThumbnail.h"
#include "controls/InitGdiplus.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CWinApp.h"

namespace {

constexpr UINT_PTR kFeedTimer = 1;
constexpr UINT kFeedMs = 40;
constexpr int kWidth = 560;
constexpr int kHeight = 620;

class ViewerWindow : public CWnd {
public:
    CListCtrlThumbnail images{CListCtrlThumbnail::kImages};
    CListCtrlThumbnail videos{CListCtrlThumbnail::kVideos};
    CDlgCurve* curves = nullptr;

    BOOL CreateTop()
    {
        return CreateEx(0, nullptr, "Vantrel controls", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 60, 60, kWidth,
                        kHeight, nullptr, nullptr);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_PAINT: {
            CPaintDC dc(this);
            CRect client;
            GetClientRect(&client);
            dc.FillSolidRect(&client, RGB(1, 24, 38));
            return 0;
        }
        case WM_TIMER:
            Feed();
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return CWnd::WindowProc(message, wParam, lParam);
        }
    }

    // The keys, whichever of the window's controls has the focus.
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != WM_KEYDOWN)
            return FALSE;
        OnKey(static_cast<UINT>(msg->wParam));
        return TRUE;
    }

private:
    // One pair of points, as the display feeds a curve window for each live frame.
    void Feed()
    {
        if (curves == nullptr)
            return;
        const int n = curves->m_nSamples++;
        const float t = static_cast<float>(n);
        curves->m_plot.AddPoint(t, 36.0f + 9.0f * std::sin(t / 25.0f), 0);
        curves->m_plot.AddPoint(t, 33.0f + 6.0f * std::cos(t / 40.0f), 1);
        const int s = curves->m_nSamples;
        const float low = static_cast<float>(s > 200 ? s - 200 : 0);
        RealtimeCurve::AxisData& x = curves->m_plot.GetXAxis();
        x.m_fMin = x.m_fDataMin = low;
        x.m_fMax = x.m_fDataMax = low + 210.0f;
        curves->m_plot.Invalidate(FALSE);
    }

    void OnKey(UINT key)
    {
        if (key == VK_ESCAPE) {
            PostQuitMessage(0);
        } else if (key == 'R') {
            for (CListCtrlThumbnail* list : {&images, &videos}) {
                if (!list->IsThreadWorkerRunning()) {
                    list->m_nAction = CListCtrlThumbnail::kReload;
                    list->ThreadWorkerStart();
                }
            }
        } else if (key == 'C' && curves != nullptr) {
            curves->ShowWindow(SW_SHOW);
        }
    }
};

}  // namespace

int main()
{
    InitGdiplus();
    CWinApp app("controls viewer");
    ViewerWindow top;
    if (!top.CreateTop()) {
        std::fprintf(stderr, "controls viewer: no window\n");
        return 1;
    }
    app.m_pMainWnd = &top;
    auto print = [](const CString& path) { std::printf("open %s\n", path.GetString()), std::fflush(stdout); };
    top.images.SetOpenHandler(print);
    top.videos.SetOpenHandler(print);
    top.images.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 270, 600), &top, 6000);
    top.videos.Create(WS_CHILD | WS_VISIBLE, CRect(285, 10, 545, 600), &top, 6001);
    top.images.ThreadWorkerStart();
    top.videos.ThreadWorkerStart();

    auto* curves = new CDlgCurve(&top);
    curves->SetCaption("ROI #0");
    curves->m_nRectIndex = 0;
    curves->Create(CDlgCurve::kTemplateId, &top);
    curves->ShowWindow(SW_SHOW);
    top.curves = curves;
    top.SetTimer(kFeedTimer, kFeedMs);
    top.SetFocus();

    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (AfxPreTranslateTree(nullptr, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    top.KillTimer(kFeedTimer);
    top.curves = nullptr;
    delete curves;
    top.images.DestroyWindow();
    top.videos.DestroyWindow();
    app.m_pMainWnd = nullptr;
    top.DestroyWindow();
    ShutdownGdiplus();
    return 0;
}
