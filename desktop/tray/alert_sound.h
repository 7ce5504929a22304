// The choice of the alert sound: the program's own sound, the system's chord, or the
// beeps, by what the machine can play. The calls are the caller's, so that the choice
// can be followed without a sound device. Scanner thread.
#pragma once

constexpr char kSystemAlertSound[] = "Chord.wav";
constexpr unsigned kHandBeep = 0x10;
constexpr unsigned kSimpleBeep = 0xFFFFFFFF;

struct SoundCalls {
    unsigned (*output_devices)();               // how many wave output devices there are
    bool (*play_own_sound)();                   // the program's sound, to its end
    bool (*play_sound_file)(const char* name);  // a sound file, to its end
    void (*beep)(unsigned kind);
};

// Without a device the hand beep and the simple beep; else the program's sound, else
// "Chord.wav", else the hand beep.
void play_alert_sound(const SoundCalls& calls);
