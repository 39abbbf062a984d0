#include "app/ParseUsbDevicePath.h"

namespace {

// The text strictly between two positions; empty when they are in the wrong order.
CString Between(const CString& text, int before, int after) { return text.Mid(before + 1, after - before - 1); }

}  // namespace

int ParseUsbDevicePath(CString path, CString vid, CString pid, CString& serial)
{
    // The vendor part is looked for at most ten characters before the '&'.
    const int amp = path.Find('&');
    if (amp <= 10) return 0;
    const int vendorHash = path.Find('#', amp - 10);
    const int productHash = path.Find('#', amp);
    if (vendorHash < 0 || productHash < 0) return 0;
    if (Between(path, vendorHash, amp).CompareNoCase(vid) != 0) return 0;
    if (Between(path, amp, productHash).CompareNoCase(pid) != 0) return 0;
    const int serialHash = path.Find('#', productHash + 2);
    serial = serialHash < 0 ? CString() : Between(path, productHash, serialHash);
    return 1;
}
