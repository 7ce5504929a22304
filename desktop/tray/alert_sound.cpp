// The choice of the alert sound. Scanner thread.
#include "desktop/tray/alert_sound.h"

void play_alert_sound(const SoundCalls& calls) {
    if (calls.output_devices() == 0) {
        calls.beep(kHandBeep);
        calls.beep(kSimpleBeep);
        return;
    }
    if (calls.play_own_sound()) return;
    if (calls.play_sound_file(kSystemAlertSound)) return;
    calls.beep(kHandBeep);
}
