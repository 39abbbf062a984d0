// Sound playback: a WAVE resource played once or in a loop, and stopping it (PlaySound).
// One sound plays at a time, on an SDL audio device opened for it and closed when it stops.
#pragma once

#include "platform/kernel/win_types.h"

#define SND_SYNC 0x0000u
#define SND_ASYNC 0x0001u
#define SND_NODEFAULT 0x0002u
#define SND_LOOP 0x0008u
#define SND_NOSTOP 0x0010u
#define SND_PURGE 0x0040u
#define SND_RESOURCE 0x00040004u

// With SND_RESOURCE, `sound` names a "WAVE" resource of the program (MAKEINTRESOURCE(id) or
// "#id"); sounds by file or alias name are not played here (FALSE). A NULL `sound` stops what
// plays. SND_ASYNC returns at once (SND_LOOP repeats until stopped; a loop needs SND_ASYNC),
// otherwise the call returns when the sound has played. Any new sound replaces the one playing,
// unless SND_NOSTOP is given, which then fails. There is no default sound here, so a sound that
// cannot be found or decoded, or no audio device, gives FALSE whether SND_NODEFAULT is set or not.
BOOL PlaySound(LPCSTR sound, HMODULE module, DWORD flags);

namespace platform::sound {

// Whether a sound is playing, and the bytes of PCM handed to the audio device since it started
// (for tests: a looping sound passes its length and goes on).
bool IsPlaying();
unsigned long long BytesPlayed();

}  // namespace platform::sound
