#pragma once
// What a program started from this one may keep of its descriptors: only what it was given.
// Libraries can open descriptors without close-on-exec (or another thread can between an open
// and its fcntl); the child of a fork marks them all just before its exec.

namespace fw {

// Marks every descriptor from `first` on to be closed by the next exec. Async-signal-safe: for
// the child of a fork in a process with threads.
void closeDescriptorsOnExec(int first = 3);

} // namespace fw
