#pragma once
// Why a run ended badly, as a code beside the engine's text: callers choose what to tell a person
// by the code, never by the wording of the text.

#include <cstdint>

enum TAuFailure : uint8_t {
    afNone,              // the run did not fail
    afOther,             // none of the below
    afNoInput,           // no input is chosen, or the chosen one is not in the list
    afInputGone,         // the input could not be opened, or failed or vanished during the run
    afInputStalled,      // the input delivered nothing for the stall limit
    afServerGone,        // the sound server went away
    afDiskFull,          // a write found no room on the disk
    afFolderNotWritable, // the file could not be created or written: rights, or a folder gone
    afEncoderMissing,    // the encoder library could not be loaded
    afStopTimeout,       // the run did not stop in time
};
