#include "controls/CListCtrlThumbnail.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "acquisition/CVideoFile.h"
#include "acquisition/IrFrame.h"
#include "acquisition/irfile.h"
#include "app/CVantrelApp.h"
#include "platform/files/files.h"
#include "platform/files/find_file.h"
#include "platform/text/mbstring.h"
#include "platform/text/text.h"

IMPLEMENT_DYNAMIC(CListCtrlThumbnail, CListCtrl)

namespace {

// Sent by AddThumbnail to the list's own window: the item and its image enter the list on the
// user-interface thread. lParam is a ThumbnailStore; the result 1 when it was stored.
constexpr UINT WM_THUMBNAIL_STORE = WM_USER + 0x201;

// Sent by the reload to the list's own window: the names of all items, taken in one step of the
// user-interface thread. lParam is a std::vector<CString> to fill.
constexpr UINT WM_THUMBNAIL_NAMES = WM_USER + 0x202;

struct ThumbnailStore {
    HBITMAP bitmap;   // kThumbWidth x kThumbHeight
    const char* name;  // the file name without its folder
    int index;         // below 0: a new item; else the item to renew
};

constexpr COLORREF kRowGround = RGB(0, 16, 27);
constexpr COLORREF kSelectedGround = RGB(50, 149, 250);
constexpr COLORREF kRowText = RGB(255, 255, 255);
constexpr DWORD kStoppedCode = 3;
constexpr int kShortestName = 5;

// A video's first frame into the record, set up for the video's frame size; false when the video
// cannot be opened, its frames cannot be held or its first frame cannot be read.
bool ReadVideoFrame(const CString& path, IrFrame* frame)
{
    CVideoFile video;
    if (video.OpenInput(path) != 0)
        return false;
    const std::uint64_t width = static_cast<std::uint64_t>(video.GetWidth());
    const std::uint64_t height = static_cast<std::uint64_t>(video.GetHeight()) * 2;
    const std::uint64_t bytes = width * height * 2;
    bool ready = width > 0 && height > 0 && bytes <= UINT32_MAX;
    if (ready) {
        frame->param.width = static_cast<std::uint32_t>(width);
        frame->param.height = static_cast<std::uint32_t>(height);
        frame->param.frame_size = static_cast<std::uint32_t>(bytes);
        ready = ircam_frame_setup(frame) == 0;
    }
    if (ready)
        ready = video.ReadFrame(frame->temp_data, frame->temp_size) == 0;
    video.CloseInput();
    return ready;
}

// The frame's colour image as a 32-bit bitmap of its size: bytes B, G, R and an opaque fourth.
HBITMAP FrameBitmap(const IrFrame& frame)
{
    const int width = frame.image_info[0], height = frame.image_info[1];
    if (width <= 0 || height <= 0 || frame.rgb_buf == nullptr)
        return nullptr;
    CBitmap bitmap;
    if (!bitmap.CreateBitmap(width, height, 1, 32, nullptr))
        return nullptr;
    BITMAP info{};
    bitmap.GetBitmap(&info);
    const std::size_t row = static_cast<std::size_t>(info.bmWidthBytes);
    std::vector<std::uint8_t> bits(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = frame.rgb_buf + static_cast<std::size_t>(y) * width * 3;
        std::uint8_t* out = bits.data() + static_cast<std::size_t>(y) * row;
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    bitmap.SetBitmapBits(static_cast<DWORD>(bits.size()), bits.data());
    return static_cast<HBITMAP>(bitmap.Detach());
}

// The picture shrunk to a thumbnail, each thumbnail pixel the mean of the picture's pixels on it.
HBITMAP ScaledThumbnail(HBITMAP picture, int width, int height)
{
    CDC source, target;
    source.CreateCompatibleDC(nullptr);
    target.CreateCompatibleDC(nullptr);
    CBitmap thumbnail;
    if (!thumbnail.CreateCompatibleBitmap(&source, CListCtrlThumbnail::kThumbWidth, CListCtrlThumbnail::kThumbHeight))
        return nullptr;
    HGDIOBJ oldSource = source.SelectObject(picture);
    CBitmap* oldTarget = target.SelectObject(&thumbnail);
    target.SetStretchBltMode(HALFTONE);
    target.StretchBlt(0, 0, CListCtrlThumbnail::kThumbWidth, CListCtrlThumbnail::kThumbHeight, &source, 0, 0, width, height,
                      SRCCOPY);
    target.SelectObject(oldTarget);
    source.SelectObject(oldSource);
    return static_cast<HBITMAP>(thumbnail.Detach());
}

// The thumbnail of a coloured frame; null when it cannot be made.
HBITMAP MakeThumbnail(const IrFrame& frame)
{
    HBITMAP picture = FrameBitmap(frame);
    if (picture == nullptr)
        return nullptr;
    HBITMAP thumbnail = ScaledThumbnail(picture, frame.image_info[0], frame.image_info[1]);
    DeleteObject(picture);
    return thumbnail;
}

// The file name of a path in the data folder.
CString FileNameOf(const CString& path)
{
    const int slash = path.ReverseFind('/');
    return slash < 0 ? path : path.Mid(slash + 1);
}

}  // namespace

BEGIN_MESSAGE_MAP(CListCtrlThumbnail, CListCtrl)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_NOTIFY_REFLECT(NM_CLICK, &CListCtrlThumbnail::OnClick)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CListCtrlThumbnail::OnCustomDraw)
ON_WM_PAINT()
ON_MESSAGE(WM_THUMBNAIL_STORE, &CListCtrlThumbnail::OnStoreThumbnail)
ON_MESSAGE(WM_THUMBNAIL_NAMES, &CListCtrlThumbnail::OnTakeNames)
END_MESSAGE_MAP()

CListCtrlThumbnail::CListCtrlThumbnail(int kind) : CZelThreadWorker(nullptr, 1000), m_nKind(kind)
{
    m_nAction = kScan;
}

CListCtrlThumbnail::~CListCtrlThumbnail()
{
    // The window goes first, while the list is whole; its end stops the loader.
    DestroyWindow();
    StopLoader();
}

const char* CListCtrlThumbnail::Extension() const { return m_nKind == kImages ? ".ir" : ".avi"; }

bool CListCtrlThumbnail::IsListedName(const char* name) const
{
    const auto* text = reinterpret_cast<const unsigned char*>(name);
    const unsigned char* found = _mbsstr(text, reinterpret_cast<const unsigned char*>(Extension()));
    return found != nullptr && found > text;
}

int CListCtrlThumbnail::OnCreate(LPCREATESTRUCT cs)
{
    if (CListCtrl::OnCreate(cs) == -1)
        return -1;
    InitializeFlatSB(m_hWnd);
    FlatSB_EnableScrollBar(m_hWnd, SB_BOTH, ESB_DISABLE_BOTH);
    ModifyStyle(LVS_SMALLICON, LVS_REPORT);
    SetExtendedStyle(GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    ModifyStyle(0, LVS_NOCOLUMNHEADER);
    InsertColumn(0, "模板图像名称", LVCFMT_LEFT, 300);
    if (m_imageList.GetSafeHandle() == nullptr) {
        m_imageList.Create(kThumbWidth, kThumbHeight, ILC_COLOR32, 8, 1);
        SetImageList(&m_imageList, LVSIL_SMALL);
        SetImageList(&m_imageList, LVSIL_NORMAL);
        ImageList_SetImageCount(m_imageList, 1);
    }
    return 0;
}

void CListCtrlThumbnail::OnDestroy()
{
    StopLoader();
    CListCtrl::OnDestroy();
}

void CListCtrlThumbnail::StopLoader()
{
    // The stop serves what the loader sends meanwhile. The loader looks at its stop before each
    // file, and no file can hold it (what is not a regular file is refused unread), so a loader
    // still busy with a file when the stop times out ends with that file; it is waited for again,
    // since the list must outlive it.
    while (!ThreadWorkerStop()) {
    }
}

DWORD CListCtrlThumbnail::ActionRun()
{
    switch (m_nAction) {
    case kScan:
        return Scan();
    case kReload:
        return Reload();
    default:
        return 0;
    }
}

DWORD CListCtrlThumbnail::Scan()
{
    const CString folder = platform::files::DataFolder();
    WIN32_FIND_DATA entry;
    HANDLE find = FindFirstFile(folder + "*.*", &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (WaitCmdExit(0)) {
            FindClose(find);
            return kStoppedCode;
        }
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsListedName(entry.cFileName))
            AddThumbnail(folder + entry.cFileName, -1);
    } while (FindNextFile(find, &entry));
    FindClose(find);
    return 0;
}

DWORD CListCtrlThumbnail::Reload()
{
    // The names are taken all at once: items the user deletes meanwhile move the others, and each
    // name's renewal still finds its own item.
    std::vector<CString> names;
    ::SendMessage(m_hWnd, WM_THUMBNAIL_NAMES, 0, reinterpret_cast<LPARAM>(&names));
    const CString folder = platform::files::DataFolder();
    for (std::size_t i = 0; i < names.size(); ++i) {
        // A reload of a long list must not hold up the list's end.
        if (WaitCmdExit(0))
            return kStoppedCode;
        AddThumbnail(folder + names[i], static_cast<int>(i));
    }
    Invalidate(FALSE);
    return 0;
}

int CListCtrlThumbnail::AddThumbnail(CString path, int index)
{
    IrFrame frame;
    const bool read = m_nKind == kImages ? irfile_read(&frame, path) == 0 : ReadVideoFrame(path, &frame);
    HBITMAP thumbnail = nullptr;
    if (read) {
        theApp.m_capture.ColorizeFrame(&frame, nullptr);
        thumbnail = MakeThumbnail(frame);
    }
    ircam_frame_free(&frame);
    if (thumbnail == nullptr)
        return -1;
    const CString name = FileNameOf(path);
    ThumbnailStore store{thumbnail, name, index};
    const LRESULT stored = ::SendMessage(m_hWnd, WM_THUMBNAIL_STORE, 0, reinterpret_cast<LPARAM>(&store));
    DeleteObject(thumbnail);
    return stored ? 0 : -1;
}

LRESULT CListCtrlThumbnail::OnStoreThumbnail(WPARAM, LPARAM lParam)
{
    const auto& store = *reinterpret_cast<const ThumbnailStore*>(lParam);
    if (store.index < 0) {
        const int image = ImageList_AddMasked(m_imageList, store.bitmap, 0);
        if (image < 0)
            return 0;
        InsertItem(image, store.name, image);
        return 1;
    }
    // Items may have been deleted since the loader read the name: the file's own item is renewed.
    int item = GetItemText(store.index, 0) == store.name ? store.index : -1;
    for (int i = 0; item < 0 && i < GetItemCount(); ++i) {
        if (GetItemText(i, 0) == store.name)
            item = i;
    }
    if (item < 0)
        return 0;
    LVITEM shown{};
    shown.mask = LVIF_IMAGE;
    shown.iItem = item;
    if (!GetItem(&shown))
        return 0;
    return ImageList_Replace(m_imageList, shown.iImage, store.bitmap, nullptr) ? 1 : 0;
}

LRESULT CListCtrlThumbnail::OnTakeNames(WPARAM, LPARAM lParam)
{
    auto& names = *reinterpret_cast<std::vector<CString>*>(lParam);
    for (int i = 0; i < GetItemCount(); ++i)
        names.push_back(GetItemText(i, 0));
    return 0;
}

void CListCtrlThumbnail::OnClick(NMHDR*, LRESULT* result)
{
    *result = 0;
    const int item = GetNextItem(-1, LVNI_SELECTED);
    const CString name = item >= 0 ? GetItemText(item, 0) : CString();
    if (platform::text::CountCharacters(name, name.GetLength()) < kShortestName)
        return;
    if (m_openHandler)
        m_openHandler(platform::files::DataFolder() + name);
}

void CListCtrlThumbnail::OnCustomDraw(NMHDR* notify, LRESULT* result)
{
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(notify);
    *result = 0;
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
        *result = CDRF_NOTIFYSUBITEMDRAW;
        break;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int item = static_cast<int>(draw->nmcd.dwItemSpec);
        draw->clrText = kRowText;
        draw->clrTextBk = GetItemState(item, LVIS_SELECTED) ? kSelectedGround : kRowGround;
        break;
    }
    default:
        break;
    }
}

void CListCtrlThumbnail::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CDC memory;
    memory.CreateCompatibleDC(&dc);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&dc, client.Width(), client.Height());
    CBitmap* old = memory.SelectObject(&bitmap);
    memory.FillSolidRect(&client, RGB(0, 0, 0));

    // A band of the row colour from each item's top to the next one's; a position that cannot be
    // had keeps the one before, so that past the last item the bands are empty.
    const int rows = std::max(GetItemCount(), GetCountPerPage());
    POINT top{0, 0}, next{0, 0};
    for (int i = 0; i <= rows; ++i) {
        GetItemPosition(i, &top);
        GetItemPosition(i + 1, &next);
        CRect band(client.left, top.y, client.right, next.y);
        if (!band.IsRectEmpty())
            memory.FillSolidRect(&band, kRowGround);
    }

    DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(memory.GetSafeHdc()), 0);
    dc.BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
}
