// Which context owns which device and handle. Ending a libuvc context closes the handles opened
// in it, so a context that is ended while something taken from it is still in use leaves that
// handle dangling. The emulated port's contexts cost nothing and end nothing; the ledger port
// below wraps it and records every such misuse, so a test can see it.
#include "deverodi/src/camera_port.h"
#include "deverodi/src/data_rw.h"
#include "tests/sdk/sdk_fixture.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace sdk_test;

namespace {

struct Context {
    void *inner;
    bool alive = true;
};

struct Device {
    Context *owner;
    void *inner;
    int refs = 1;
};

struct Handle {
    Context *owner;
    Device *device;
    void *inner;
};

// What the ledger port has handed out, and what was done wrong with it.
struct Ledger {
    std::vector<std::unique_ptr<Context>> contexts;
    std::set<Device *> devices;
    std::set<Handle *> handles;
    std::vector<std::string> faults;

    const camera_port *inner = camera_port_emulated();

    void Check(bool ok, const std::string &fault)
    {
        if (!ok)
            faults.push_back(fault);
    }
    void Use(const Context *c, const char *what) { Check(c->alive, std::string(what) + " after its context ended"); }
    size_t LiveContexts() const
    {
        return size_t(std::count_if(contexts.begin(), contexts.end(), [](const auto &c) { return c->alive; }));
    }
};

Ledger *ledger;

int LedgerInit(void **ctx)
{
    void *inner = nullptr;
    int res = ledger->inner->init(&inner);
    if (res < 0)
        return res;
    ledger->contexts.push_back(std::make_unique<Context>(Context{inner}));
    *ctx = ledger->contexts.back().get();
    return 0;
}

void LedgerExit(void *ctx)
{
    auto *c = static_cast<Context *>(ctx);
    ledger->Check(c->alive, "a context ended twice");
    for (Handle *h : ledger->handles)
        ledger->Check(h->owner != c, "a context ended while a handle of it was open");
    for (Device *d : ledger->devices)
        ledger->Check(d->owner != c, "a context ended while a device of it was referenced");
    c->alive = false;
    ledger->inner->exit(c->inner);
}

void LedgerDeviceRef(void *dev)
{
    auto *d = static_cast<Device *>(dev);
    ledger->Use(d->owner, "a device referenced");
    d->refs++;
}

void LedgerDeviceUnref(void *dev)
{
    auto *d = static_cast<Device *>(dev);
    ledger->Use(d->owner, "a device released");
    if (--d->refs > 0)
        return;
    ledger->inner->device_unref(d->inner);
    ledger->devices.erase(d);
    delete d;
}

int LedgerDeviceList(void *ctx, void ***list)
{
    auto *c = static_cast<Context *>(ctx);
    ledger->Use(c, "devices listed");
    void **inner = nullptr;
    int res = ledger->inner->device_list(c->inner, &inner);
    if (res < 0)
        return res;
    size_t count = 0;
    while (inner[count])
        count++;
    void **wrapped = new void *[count + 1]();
    for (size_t i = 0; i < count; i++) {
        ledger->inner->device_ref(inner[i]);
        auto *d = new Device{c, inner[i]};
        ledger->devices.insert(d);
        wrapped[i] = d;
    }
    ledger->inner->device_list_free(inner);
    *list = wrapped;
    return 0;
}

void LedgerDeviceListFree(void **list)
{
    for (void **d = list; *d; d++)
        LedgerDeviceUnref(*d);
    delete[] list;
}

int LedgerDescriptorGet(void *dev, camera_port_descriptor **desc)
{
    auto *d = static_cast<Device *>(dev);
    ledger->Use(d->owner, "a device described");
    return ledger->inner->descriptor_get(d->inner, desc);
}

void LedgerDescriptorFree(camera_port_descriptor *desc)
{
    ledger->inner->descriptor_free(desc);
}

Handle *UsedHandle(void *handle, const char *what)
{
    auto *h = static_cast<Handle *>(handle);
    ledger->Use(h->owner, what);
    return h;
}

int LedgerModesWalk(void *dev, void *handle, camera_port_mode_fn fn, void *arg)
{
    auto *d = static_cast<Device *>(dev);
    ledger->Use(d->owner, "a device's modes read");
    void *inner = handle ? UsedHandle(handle, "a handle's modes read")->inner : nullptr;
    return ledger->inner->modes_walk(d->inner, inner, fn, arg);
}

int LedgerOpen(void *dev, void **handle)
{
    auto *d = static_cast<Device *>(dev);
    ledger->Use(d->owner, "a device opened");
    void *inner = nullptr;
    int res = ledger->inner->open(d->inner, &inner);
    if (res < 0)
        return res;
    d->refs++; // as libuvc, the handle holds its device
    auto *h = new Handle{d->owner, d, inner};
    ledger->handles.insert(h);
    *handle = h;
    return 0;
}

void LedgerClose(void *handle)
{
    Handle *h = UsedHandle(handle, "a handle closed");
    ledger->inner->close(h->inner);
    ledger->handles.erase(h);
    LedgerDeviceUnref(h->device);
    delete h;
}

void LedgerPrintDiag(void *handle, FILE *stream)
{
    ledger->inner->print_diag(UsedHandle(handle, "a handle printed")->inner, stream);
}

int LedgerNegotiate(void *handle, camera_port_format format, int width, int height, int fps)
{
    return ledger->inner->negotiate(UsedHandle(handle, "a stream negotiated")->inner, format, width, height, fps);
}

int LedgerStart(void *handle, camera_port_frame_fn fn, void *arg)
{
    return ledger->inner->start(UsedHandle(handle, "a stream started")->inner, fn, arg);
}

void LedgerStop(void *handle, int keep)
{
    ledger->inner->stop(UsedHandle(handle, "a stream stopped")->inner, keep);
}

int LedgerControl(void *handle, uint8_t request_type, uint8_t request, uint16_t value, uint16_t index,
                  uint8_t *data, uint16_t length, unsigned timeout_ms)
{
    return ledger->inner->control(UsedHandle(handle, "a control transfer sent")->inner, request_type, request,
                                  value, index, data, length, timeout_ms);
}

const camera_port kLedgerPort = {
    LedgerInit,          LedgerExit,   LedgerDeviceList, LedgerDeviceListFree, LedgerDeviceRef,
    LedgerDeviceUnref,   LedgerDescriptorGet, LedgerDescriptorFree, LedgerModesWalk, LedgerOpen,
    LedgerClose,         LedgerPrintDiag, LedgerNegotiate, LedgerStart,         LedgerStop,
    LedgerControl,
};

enum class Step { Init, InfoGet, Open, Start, Get, Command, StreamClose, Close };

const char *NameOf(Step s)
{
    static const char *const names[] = {"init", "info", "open", "start", "get", "command", "stream-close", "close"};
    return names[int(s)];
}

// Every step of these sequences succeeds; then uvc_camera_release ends the last context.
struct Sequence {
    const char *label;
    std::vector<Step> steps;
};

void PrintTo(const Sequence &s, std::ostream *os)
{
    for (Step step : s.steps)
        *os << NameOf(step) << ' ';
}

class ContextOwnership : public SdkTest, public ::testing::WithParamInterface<Sequence> {
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        uvc_camera_release();
        ledger = &m_ledger;
        camera_port_use(&kLedgerPort);
    }

    void TearDown() override
    {
        SdkTest::TearDown();
        uvc_camera_release();
        camera_port_use(nullptr);
        ledger = nullptr;
    }

    static int Run(Step step)
    {
        uint8_t status = 0;
        std::vector<uint8_t> frame(kFrameSize);
        camera_stream_info_t infos[DEVERODI_MAX_STREAM_INFOS] = {};
        switch (step) {
        case Step::Init:
            return uvc_camera_init();
        case Step::InfoGet: {
            int res = uvc_camera_info_get(EmulatedDevice(), infos);
            for (auto &info : infos)
                free(info.format);
            return res;
        }
        case Step::Open:
            return uvc_camera_open(EmulatedDevice());
        case Step::Start:
            return uvc_camera_stream_start(StreamRequest(), nullptr);
        case Step::Get:
            return uvc_frame_get(frame.data());
        case Step::Command:
            return uvc_control_cmd(0xC1, 0x44, 0x78, 0x0200, &status, 1, 1000);
        case Step::StreamClose:
            return uvc_camera_stream_close(0);
        case Step::Close:
            uvc_camera_close();
            return 0;
        }
        return -1;
    }

    Ledger m_ledger;
};

TEST_P(ContextOwnership, NoContextEndsBeforeWhatWasTakenFromIt)
{
    for (Step step : GetParam().steps) {
        ASSERT_EQ(Run(step), 0) << NameOf(step);
        ASSERT_TRUE(m_ledger.faults.empty()) << "after " << NameOf(step) << ": " << m_ledger.faults[0];
    }
    uvc_camera_release();
    EXPECT_TRUE(m_ledger.faults.empty()) << "at the release: " << m_ledger.faults[0];
    EXPECT_EQ(m_ledger.LiveContexts(), 0u) << "every context is ended once";
    EXPECT_TRUE(m_ledger.devices.empty()) << "every device reference is dropped";
    EXPECT_TRUE(m_ledger.handles.empty());
}

using S = Step;
INSTANTIATE_TEST_SUITE_P(
    All, ContextOwnership,
    ::testing::Values(
        Sequence{"reinit_while_open", {S::Init, S::Open, S::Init, S::Init, S::Command, S::Close}},
        Sequence{"reinit_while_streaming",
                 {S::Init, S::InfoGet, S::Open, S::Start, S::Init, S::Get, S::Init, S::InfoGet, S::Command,
                  S::StreamClose, S::Close}},
        Sequence{"release_while_streaming", {S::Init, S::Open, S::Start, S::Get}},
        Sequence{"reinit_after_close", {S::Init, S::Open, S::Init, S::Close, S::Init, S::Open, S::Command, S::Close}},
        Sequence{"reinit_with_a_device_described", {S::Init, S::InfoGet, S::Init, S::InfoGet, S::Open, S::Init}}),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace
