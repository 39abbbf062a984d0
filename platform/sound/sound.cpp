#include "platform/sound/sound.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/resources/resources.h"

namespace {

// The sound that plays: its PCM in the device's format and where the device is in it. The audio
// callback touches it only while SDL holds the device's lock.
struct Playing {
    SDL_AudioDeviceID device = 0;
    Uint8* pcm = nullptr;
    Uint32 length = 0;
    Uint32 position = 0;
    bool loop = false;
    bool finished = false;
    Uint8 silence = 0;
    unsigned long long played = 0;
};

std::mutex g_lock;  // one PlaySound at a time
Playing g_playing;
bool g_audioReady = false;

void Fill(void* userdata, Uint8* stream, int len)
{
    auto* p = static_cast<Playing*>(userdata);
    int done = 0;
    while (done < len && !p->finished && p->length > 0) {
        Uint32 n = std::min<Uint32>(static_cast<Uint32>(len - done), p->length - p->position);
        std::memcpy(stream + done, p->pcm + p->position, n);
        done += static_cast<int>(n);
        p->played += n;
        p->position += n;
        if (p->position == p->length) {
            p->position = 0;
            p->finished = !p->loop;
        }
    }
    std::memset(stream + done, p->silence, static_cast<std::size_t>(len - done));
}

// Closes the device (which waits for its callback) and frees the PCM. Called under g_lock.
void Stop()
{
    if (g_playing.device != 0)
        SDL_CloseAudioDevice(g_playing.device);
    if (g_playing.pcm != nullptr)
        SDL_FreeWAV(g_playing.pcm);
    g_playing = Playing{};
}

bool Finished()
{
    if (g_playing.device == 0)
        return true;
    SDL_LockAudioDevice(g_playing.device);
    bool finished = g_playing.finished;
    SDL_UnlockAudioDevice(g_playing.device);
    return finished;
}

// Decodes the WAVE file and starts it on a new device. Called under g_lock with nothing playing.
bool Start(const void* wave, std::size_t size, bool loop)
{
    if (!g_audioReady) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        g_audioReady = true;
    }
    SDL_AudioSpec spec;
    Uint8* pcm = nullptr;
    Uint32 length = 0;
    SDL_RWops* rw = SDL_RWFromConstMem(wave, static_cast<int>(size));
    if (rw == nullptr || SDL_LoadWAV_RW(rw, 1, &spec, &pcm, &length) == nullptr)
        return false;
    if (length == 0) {
        SDL_FreeWAV(pcm);
        return false;
    }
    g_playing.pcm = pcm;
    g_playing.length = length;
    g_playing.loop = loop;
    g_playing.silence = spec.format == AUDIO_U8 ? 0x80 : 0;
    spec.callback = Fill;
    spec.userdata = &g_playing;
    spec.samples = 1024;
    // No changes allowed: SDL converts to the device itself, so the PCM is handed over as it is.
    g_playing.device = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (g_playing.device == 0) {
        Stop();
        return false;
    }
    SDL_PauseAudioDevice(g_playing.device, 0);
    return true;
}

}  // namespace

BOOL PlaySound(LPCSTR sound, HMODULE, DWORD flags)
{
    std::unique_lock guard(g_lock);
    if (sound == nullptr) {
        Stop();
        return TRUE;
    }
    if ((flags & SND_NOSTOP) && !Finished())
        return FALSE;
    const void* wave = nullptr;
    std::size_t size = 0;
    if ((flags & SND_RESOURCE) == SND_RESOURCE) {
        platform::resources::ResourceBytes bytes = platform::resources::FindResourceBytes(sound, "WAVE");
        wave = bytes.data;
        size = bytes.size;
    }
    Stop();
    if (wave == nullptr || size == 0)
        return FALSE;
    bool async = (flags & SND_ASYNC) != 0;
    if (!Start(wave, size, async && (flags & SND_LOOP)))
        return FALSE;
    if (!async) {
        // Played to the end before returning; the lock keeps others from cutting it short.
        while (!Finished())
            SDL_Delay(5);
        Stop();
    }
    return TRUE;
}

namespace platform::sound {

bool IsPlaying()
{
    std::lock_guard guard(g_lock);
    return !Finished();
}

unsigned long long BytesPlayed()
{
    std::lock_guard guard(g_lock);
    if (g_playing.device == 0)
        return 0;
    SDL_LockAudioDevice(g_playing.device);
    unsigned long long played = g_playing.played;
    SDL_UnlockAudioDevice(g_playing.device);
    return played;
}

}  // namespace platform::sound
