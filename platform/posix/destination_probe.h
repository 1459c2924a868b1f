#pragma once

#include "platform/destination.h"

namespace platform::posix {

// Learns what the file system holding the open folder `folder_fd` can hold by trying it in
// that folder with a temporary file of its own: whether a name looked up in upper case finds
// it (letter case does not count), which modification time it keeps of one given to the
// nanosecond on an odd second (the time step), whether a name with ':' can be created (names
// follow the Windows rules) and, if not, one with an "é" (ASCII names only). A two-second
// step means FAT, whose files stop short of 4 GiB; FAT, and exFAT through FUSE (whole seconds
// with Windows names), keep the years 1980 to 2107 only. A few system calls, once per file system;
// a folder where nothing can be created gives the defaults (the copies will fail there
// anyway).
//
// The file system's name is no help: FUSE mounts of NTFS and exFAT both call themselves
// "fuseblk", and NTFS through ntfs-3g holds names that exFAT refuses.
DestinationTraits ProbeTraits(int folder_fd);

}  // namespace platform::posix
