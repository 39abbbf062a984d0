// Messages sent to a window: handled at once on the window's own thread, and from another thread
// handed over and waited for until the window's thread has handled them.
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/kernel/waitable.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

namespace {

struct SentMessage {
    HWND hwnd;
    std::thread::id thread;  // the window's thread, which handles it
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

struct SentQueue {
    std::mutex mutex;
    std::condition_variable done;
    std::deque<SentMessage*> waiting;
};

SentQueue& sent()
{
    static SentQueue* q = new SentQueue;
    return *q;
}

thread_local int t_inSend = 0;

}  // namespace

void ServeSentMessages()
{
    for (;;) {
        SentMessage* m = nullptr;
        {
            auto& q = sent();
            std::lock_guard lock(q.mutex);
            auto self = std::this_thread::get_id();
            auto it = std::find_if(q.waiting.begin(), q.waiting.end(), [self](const SentMessage* w) { return w->thread == self; });
            if (it != q.waiting.end()) {
                m = *it;
                q.waiting.erase(it);
            }
        }
        if (m == nullptr) return;
        ++t_inSend;
        LRESULT r = CallProc(m->hwnd, m->message, m->wParam, m->lParam);
        --t_inSend;
        auto& q = sent();
        {
            std::lock_guard lock(q.mutex);
            m->result = r;
            m->done = true;
        }
        q.done.notify_all();
    }
}

bool HasSentMessages()
{
    auto& q = sent();
    std::lock_guard lock(q.mutex);
    auto self = std::this_thread::get_id();
    return std::any_of(q.waiting.begin(), q.waiting.end(), [self](const SentMessage* m) { return m->thread == self; });
}

void OnWindowDestroyed(HWND hwnd)
{
    auto& q = sent();
    {
        std::lock_guard lock(q.mutex);
        for (auto it = q.waiting.begin(); it != q.waiting.end();) {
            if ((*it)->hwnd == hwnd) {
                (*it)->result = 0;
                (*it)->done = true;
                it = q.waiting.erase(it);
            } else {
                ++it;
            }
        }
    }
    q.done.notify_all();
}

LRESULT SendAcrossThreads(HWND hwnd, std::thread::id owner, UINT message, WPARAM wParam, LPARAM lParam)
{
    SentMessage m{hwnd, owner, message, wParam, lParam};
    auto& q = sent();
    {
        std::lock_guard lock(q.mutex);
        q.waiting.push_back(&m);
    }
    WakeQueue();
    platform::kernel::WakeWaiters();  // a MsgWaitForMultipleObjects of the window's thread
    std::unique_lock lock(q.mutex);
    q.done.wait(lock, [&m] { return m.done; });
    return m.result;
}

}  // namespace platform::user::detail

using namespace platform::user::detail;

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::thread::id owner;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return 0;
        owner = n->thread;
    }
    if (owner == std::this_thread::get_id()) return CallProc(hwnd, message, wParam, lParam);
    return SendAcrossThreads(hwnd, owner, message, wParam, lParam);
}

BOOL InSendMessage() { return t_inSend > 0 ? TRUE : FALSE; }
