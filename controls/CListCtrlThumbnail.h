// The thumbnail list: the saved files of one kind in the data folder, ".ir" snapshots (kind 0) or
// ".avi" recordings (kind 1), as rows of 60 x 45 thumbnails with their file names. Its own loader
// thread fills it by scanning the folder, or renews every thumbnail with the palette of the moment;
// a click on an item hands its file to the owner, which opens the snapshot or plays the video.
//
// Threads: the loader reads, colours and scales each file on its own thread; the item and its
// image enter the list on the user-interface thread (a message the loader sends), so the loader and
// the user-interface thread never change the list or its image list at the same time. The loader
// has ended before the list's window or the list is gone.
#pragma once

#include <functional>

#include "foundation/CZelThreadWorker.h"
#include "platform/controls/CListCtrl.h"

class CListCtrlThumbnail : public CListCtrl, public CZelThreadWorker {
    DECLARE_DYNAMIC(CListCtrlThumbnail)
public:
    static constexpr int kImages = 0;
    static constexpr int kVideos = 1;
    static constexpr int kThumbWidth = 60;
    static constexpr int kThumbHeight = 45;
    // What the loader does (m_nAction).
    static constexpr int kScan = 0;
    static constexpr int kReload = 1;

    explicit CListCtrlThumbnail(int kind);
    ~CListCtrlThumbnail() override;

    // Makes the thumbnail of the file at path: index below 0 adds an item at the end, index 0 or
    // more renews the thumbnail of that item. 0, or -1 when the file cannot be read or its item is
    // gone (nothing changes then). Any thread.
    int AddThumbnail(CString path, int index);
    // The loader's body: 0 when done, 3 when stopped.
    DWORD ActionRun() override;
    // Where a click on an item sends the full path of its file.
    void SetOpenHandler(std::function<void(const CString& path)> handler) { m_openHandler = std::move(handler); }

    // ".ir" or ".avi".
    const char* Extension() const;
    // Whether a file of that name belongs to the list: the extension occurs in it, first after the
    // name's first character.
    bool IsListedName(const char* name) const;

    int m_nKind;
    CImageList m_imageList;

    int OnCreate(LPCREATESTRUCT cs);
    void OnDestroy();
    void OnClick(NMHDR* notify, LRESULT* result);
    void OnCustomDraw(NMHDR* notify, LRESULT* result);
    void OnPaint();
    LRESULT OnStoreThumbnail(WPARAM wParam, LPARAM lParam);
    LRESULT OnTakeNames(WPARAM wParam, LPARAM lParam);

protected:
    DECLARE_MESSAGE_MAP()

private:
    DWORD Scan();
    DWORD Reload();
    // Asks the loader to stop and waits until it has, handling what it sends meanwhile.
    void StopLoader();

    std::function<void(const CString& path)> m_openHandler;
};
