// Window classes: the built-in ones and those the layer's own controls register, each with its
// class style and the procedure of its windows.
#include <map>
#include <mutex>
#include <string>
#include <strings.h>

#include "platform/user/builtin_controls.h"
#include "platform/user/window_tree.h"

using namespace platform::user::detail;

namespace {

bool lessIgnoringCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; }

// The window classes by name: the built-in ones, and those the layer's own controls register.
struct ClassTable {
    std::mutex mutex;
    std::map<std::string, WindowClass, decltype(&lessIgnoringCase)> classes{&lessIgnoringCase};

    ClassTable()
    {
        // The styles they have on Windows: each control takes double-clicks; a menu takes presses.
        classes.emplace("Static", WindowClass{CS_DBLCLKS, StaticProc});
        classes.emplace("Button", WindowClass{CS_DBLCLKS, ButtonProc});
        classes.emplace("ComboBox", WindowClass{CS_DBLCLKS, ComboBoxProc});
        classes.emplace("#32770", WindowClass{CS_DBLCLKS, DialogProc});
        classes.emplace("#32768", WindowClass{0, MenuProc});
    }
};

ClassTable& classTable()
{
    static ClassTable* t = new ClassTable;
    return *t;
}

}  // namespace

WindowClass platform::user::detail::FindWindowClass(LPCSTR name)
{
    if (name == nullptr || IS_INTRESOURCE(name)) return WindowClass{};
    ClassTable& t = classTable();
    std::lock_guard lock(t.mutex);
    auto it = t.classes.find(name);
    return it == t.classes.end() ? WindowClass{} : it->second;
}

BOOL platform::user::RegisterWindowClass(LPCSTR name, UINT classStyle, WNDPROC proc)
{
    if (name == nullptr || IS_INTRESOURCE(name) || *name == '\0') return FALSE;
    ClassTable& t = classTable();
    std::lock_guard lock(t.mutex);
    return t.classes.emplace(name, WindowClass{classStyle, proc}).second ? TRUE : FALSE;
}

LRESULT CallClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallThrough(&Node::classProc, hwnd, message, wParam, lParam);
}

void platform::user::detail::SetWindowProc(HWND hwnd, WNDPROC proc)
{
    std::lock_guard lock(TreeMutex());
    if (Node* n = Find(hwnd)) n->proc = proc ? proc : n->classProc;
}

UINT platform::user::detail::ClassStyleOf(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? n->classStyle : 0;
}
