// Where the window layer keeps what the drawing layer gave it.
#include "platform/user/gdi_bridge.h"

namespace platform::user {

namespace {

GdiBridge& bridge()
{
    static GdiBridge b;
    return b;
}

}  // namespace

void SetGdiBridge(const GdiBridge& b) { bridge() = b; }
const GdiBridge& GetGdiBridge() { return bridge(); }

}  // namespace platform::user
