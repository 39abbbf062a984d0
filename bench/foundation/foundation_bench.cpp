// Costs of the paths the workers use on every step: an uncontended guard, one tip queued and
// taken, a step wait that times out at once, and a set-and-wake round trip between two threads.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "foundation/CAutoLock.h"
#include "foundation/CThreadActionFlow.h"
#include "platform/kernel/sync.h"

namespace {

void BM_AutoLockUncontended(benchmark::State& state)
{
    CMyLock lock;
    for (auto _ : state) {
        CAutoLock guard(&lock);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AutoLockUncontended);

class IdleFlow : public CThreadActionFlow {
    DWORD Action() override { return 1; }
};

void BM_ShowTipThenGetTip(benchmark::State& state)
{
    IdleFlow flow;  // no window: the post fails and the tip stays queued, as the flow allows
    Tip tip;
    for (auto _ : state) {
        flow.ShowTip(TIP_CAMERA_CONNECTED, 0);
        benchmark::DoNotOptimize(flow.GetTip(tip));
    }
}
BENCHMARK(BM_ShowTipThenGetTip);

void BM_WaitOnUnsignalledEventZeroTimeout(benchmark::State& state)
{
    CEvent stop(FALSE, TRUE);
    for (auto _ : state) benchmark::DoNotOptimize(WaitForSingleObject(stop, 0));
}
BENCHMARK(BM_WaitOnUnsignalledEventZeroTimeout);

// One round trip: this thread sets ping and waits for pong, which the other thread sets back.
void BM_EventPingPong(benchmark::State& state)
{
    CEvent ping(FALSE, FALSE), pong(FALSE, FALSE), quit(FALSE, TRUE);
    std::thread partner([&] {
        HANDLE h[2] = {ping, quit};
        while (WaitForMultipleObjects(2, h, FALSE, INFINITE) == WAIT_OBJECT_0) pong.SetEvent();
    });
    for (auto _ : state) {
        ping.SetEvent();
        pong.Lock();
    }
    quit.SetEvent();
    partner.join();
}
BENCHMARK(BM_EventPingPong)->UseRealTime();

}  // namespace
