// Set-up for the command-set tests: an open emulated module with the transport bound, and the
// transfer log read back as whole exchanges (command block, the data written, the reply asked).
#pragma once

#include "deverodi/src/doduze_dud.h"
#include "deverodi/src/vdcmd.h"
#include "emulator/src/command_model.h"
#include "emulator/src/spi_flash.h"
#include "tests/sdk/sdk_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace commands_test {

using Bytes = std::vector<uint8_t>;

enum class Framing { Standard, Long, Short };

// One framed exchange as the module saw it. Writes are laid back together from their pieces.
struct Exchange {
    Framing framing;
    Bytes block;          // 8, 16 or 4 bytes
    Bytes data;           // written bytes, in place from the start of the data area
    int reply_length = -1; // bytes read back, -1 when nothing was read
    Bytes reply;
};

constexpr uint16_t kStatusRegister = 0x0200;
constexpr uint16_t kNoWait = 0x8000;

inline std::vector<emu_transfer> Transfers()
{
    std::vector<emu_transfer> out;
    for (size_t i = 0; i < emu_log_count(); i++) {
        emu_transfer t;
        emu_log_get(i, &t);
        if (t.index != kStatusRegister)
            out.push_back(t);
    }
    return out;
}

inline size_t StatusReads()
{
    size_t n = 0;
    for (size_t i = 0; i < emu_log_count(); i++) {
        emu_transfer t;
        emu_log_get(i, &t);
        n += t.index == kStatusRegister;
    }
    return n;
}

inline bool IsOut(const emu_transfer &t)
{
    return t.request_type == 0x41;
}

inline Bytes DataOf(const emu_transfer &t)
{
    return Bytes(t.data, t.data + std::min<size_t>(t.length, EMU_LOG_DATA_MAX));
}

// Writes into the data area from data_base, up to and including the waited one.
inline void GatherData(const std::vector<emu_transfer> &log, size_t &i, uint16_t data_base, Bytes &data)
{
    while (i < log.size() && IsOut(log[i])) {
        uint16_t address = log[i].index & ~kNoWait;
        if (address < data_base)
            return;
        size_t offset = address - data_base;
        if (data.size() < offset + log[i].length)
            data.resize(offset + log[i].length);
        std::memcpy(data.data() + offset, log[i].data, log[i].length);
        bool waited = !(log[i].index & kNoWait);
        i++;
        if (waited)
            return;
    }
}

inline void GatherReply(const std::vector<emu_transfer> &log, size_t &i, uint16_t area, Exchange &e)
{
    if (i < log.size() && !IsOut(log[i]) && log[i].index == area) {
        e.reply_length = log[i].length;
        e.reply = DataOf(log[i]);
        i++;
    }
}

inline std::vector<Exchange> Exchanges()
{
    std::vector<emu_transfer> log = Transfers();
    std::vector<Exchange> out;
    size_t i = 0;
    while (i < log.size()) {
        const emu_transfer &t = log[i];
        Exchange e;
        if (IsOut(t) && t.index == 0x9D00 && t.length == 8 && t.data[0] >= 0x11 && t.data[0] <= 0x14) {
            e.framing = Framing::Long;
            e.block = DataOf(t);
            i++;
            if (i < log.size() && IsOut(log[i]) && log[i].index == 0x1D08) {
                Bytes second = DataOf(log[i++]);
                e.block.insert(e.block.end(), second.begin(), second.end());
            }
            GatherReply(log, i, 0x1D10, e);
        } else if (IsOut(t) && t.index == 0x9D00 && t.length == 8) {
            e.framing = Framing::Standard;
            e.block = DataOf(t);
            i++;
            GatherData(log, i, 0x1D08, e.data);
        } else if (IsOut(t) && t.index == 0x1D00 && t.length == 8) {
            e.framing = Framing::Standard;
            e.block = DataOf(t);
            i++;
            GatherReply(log, i, 0x1D08, e);
        } else if (IsOut(t) && t.index == 0x1D00 && t.length == 4) {
            e.framing = Framing::Short;
            e.block = DataOf(t);
            i++;
            if (e.block[0] == 0x81)
                GatherData(log, i, 0x1D04, e.data);
            else
                GatherReply(log, i, 0x1D04, e);
        } else {
            ADD_FAILURE() << "transfer " << i << " to 0x" << std::hex << t.index << " starts no exchange";
            i++;
            continue;
        }
        out.push_back(e);
    }
    return out;
}

inline std::string Hex(const Bytes &b)
{
    std::string s;
    char buf[4];
    for (uint8_t v : b) {
        std::snprintf(buf, sizeof buf, "%02X ", v);
        s += buf;
    }
    return s;
}

// Standard block: class, op, bytes 2..5, length field.
inline Bytes Std(uint8_t klass, uint8_t op, uint32_t args, uint16_t length)
{
    return {klass,
            op,
            uint8_t(args >> 24),
            uint8_t(args >> 16),
            uint8_t(args >> 8),
            uint8_t(args),
            uint8_t(length >> 8),
            uint8_t(length)};
}

inline void PutBe32(Bytes &b, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(uint8_t(v >> s));
}

// Long block: class, op, 16-bit word, three 32-bit parameters.
inline Bytes Long(uint8_t klass, uint8_t op, uint16_t word, uint32_t p1, uint32_t p2, uint32_t p3)
{
    Bytes b{klass, op, uint8_t(word >> 8), uint8_t(word)};
    PutBe32(b, p1);
    PutBe32(b, p2);
    PutBe32(b, p3);
    return b;
}

class CommandsTest : public sdk_test::SdkTest {
protected:
    void SetUp() override
    {
        SdkTest::SetUp();
        Open();
        ASSERT_EQ(vdcmd_init(), 0);
        vdcmd_set_polling_wait_time(2000);
        emu_log_clear();
    }

    // Runs fn with error lines printed, and returns what was printed.
    template <typename Fn> static std::string Errors(Fn fn)
    {
        deverodi_log_register(1);
        std::string out = sdk_test::Printed(fn);
        deverodi_log_register(2);
        return out;
    }

    template <typename Fn> static std::string Everything(Fn fn)
    {
        deverodi_log_register(0);
        std::string out = sdk_test::Printed(fn);
        deverodi_log_register(2);
        return out;
    }
};

} // namespace commands_test
