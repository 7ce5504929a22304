// The options' storage in the registry, under HKEY_LOCAL_MACHINE, and the removal of the
// program's keys. Main thread: read at start-up, written when the settings window closes
// after an OK, deleted by removal.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/options.h"

// Reads one value of the program's subkey `subkey` into `out` (`size` bytes; texts that
// do not fit are not cut but read as nothing). The key is created when missing. A value
// that is missing, or a key just created, gets the default: `default_text` when given,
// written as a string, else `*default_number` when given, written as a number, and that
// default becomes the text. A stored value of a type or length that cannot be read leaves
// `out` empty and stays as it is. A key that cannot be opened for writing is read alone
// and nothing is written; without any key the defaults are used, unwritten.
void read_registry_value(const char* subkey, const char* value_name, char* out, std::size_t size,
                         const char* default_text, const std::uint32_t* default_number);

// Writes `text` as a string (its characters without the terminating zero), or, when
// `text` is null, `number` as a four-byte number. Creates the key when missing; when it
// cannot be opened, nothing is written. Failures are silent.
void write_registry_value(const char* subkey, const char* value_name, const char* text,
                          std::uint32_t number);

// Start-up: loads the scan directory list, records platform_id, then reads the nine
// values into live_options, each with its default for that platform.
void load_options();

// Saves the scan directory list, telling the user when it could not be written, then
// writes the nine values of `options`: the numbers zero-extended, the lists as strings,
// an absent list as the number 0.
void save_options(const Options& options);

constexpr char kListNotSavedMessage[] = "Could not save the list of directories in Inkhound.dfo";
constexpr char kListNotSavedCaption[] = "File Error";

// Removal: deletes the options key, the program's key and the uninstall entry, in this
// order, each whether or not the one before went.
void delete_registry_keys();
