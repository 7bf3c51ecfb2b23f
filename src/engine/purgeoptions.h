#pragma once

#include "versiontypes.h"

// How a purge treats the versions it finds: the choices of the window's Options menu and of
// the command line's options. Left as they are, a purge keeps the highest version of each
// model of the six types and deletes the others for good.
struct PurgeOptions
{
    int keep = 1;          // the highest distinct versions of each model that stay
    bool trash = false;    // old versions go to the desktop's trash instead of being deleted
    bool renumber = false; // the versions that stay are renamed .1, .2 ... once the others are gone
    VersionTypeSet types;  // the types whose numbered files are versions

    bool operator==(const PurgeOptions &) const = default;
};
