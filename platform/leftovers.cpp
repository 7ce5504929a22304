// The files and folders a forced end must not leave behind: noted by the replacement
// operations and the command-line tool on whichever thread makes them, and removed by
// the interrupt handler, in a signal handler or on the console's control thread.
#include <atomic>
#include <cstring>

#include "platform/platform.h"

// Each implementation's own removal; both may run in a signal handler.
void remove_leftover_file(const char* path);
void remove_leftover_folder(const char* path);
void remove_leftovers();

namespace {

// A slot is filled while `Writing`, so the handler never reads a half-copied path.
enum SlotState : int { kFree, kWriting, kNoted };

struct Leftover {
    std::atomic<int> state;
    bool folder;
    char path[kPathLimit];
};
static_assert(std::atomic<int>::is_always_lock_free, "read from a signal handler");

Leftover leftovers[kLeftoverSlots];

}  // namespace

int platform_note_leftover(const char* path, bool folder) {
    const std::size_t length = std::strlen(path);
    if (length >= kPathLimit) return -1;
    for (int i = 0; i < kLeftoverSlots; ++i) {
        Leftover& slot = leftovers[i];
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kWriting)) continue;
        std::memcpy(slot.path, path, length + 1);
        slot.folder = folder;
        slot.state.store(kNoted);
        return i;
    }
    return -1;
}

void platform_forget_leftover(int slot) {
    if (slot >= 0 && slot < kLeftoverSlots) leftovers[slot].state.store(kFree);
}

// Files first: a folder can only go once it is empty.
void remove_leftovers() {
    for (int pass = 0; pass < 2; ++pass) {
        const bool folders = pass == 1;
        for (Leftover& slot : leftovers) {
            if (slot.state.load() != kNoted || slot.folder != folders) continue;
            if (folders)
                remove_leftover_folder(slot.path);
            else
                remove_leftover_file(slot.path);
        }
    }
}
