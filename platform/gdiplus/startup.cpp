#include "platform/gdiplus/startup.h"

#include <mutex>
#include <set>

#include "platform/gdiplus/gdiplus.h"

namespace Gdiplus {
namespace {

std::mutex g_lock;
std::set<ULONG_PTR> g_tokens;
ULONG_PTR g_nextToken = 1;

}  // namespace

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output)
{
    if (token == nullptr || input == nullptr)
        return InvalidParameter;
    if (input->GdiplusVersion != 1)
        return UnsupportedGdiplusVersion;
    if (input->SuppressBackgroundThread && output == nullptr)
        return InvalidParameter;
    if (output != nullptr) {
        // No background thread runs here, so there is nothing for a caller to hook.
        output->NotificationHook = [](ULONG_PTR* t) -> Status {
            if (t != nullptr)
                *t = 0;
            return Ok;
        };
        output->NotificationUnhook = [](ULONG_PTR) {};
    }
    std::lock_guard guard(g_lock);
    *token = g_nextToken++;
    g_tokens.insert(*token);
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token)
{
    std::lock_guard guard(g_lock);
    g_tokens.erase(token);
}

namespace detail {

bool Started()
{
    std::lock_guard guard(g_lock);
    return !g_tokens.empty();
}

}  // namespace detail
}  // namespace Gdiplus
