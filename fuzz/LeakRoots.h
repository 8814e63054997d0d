#pragma once

// Keeps what the main thread holds reachable for the leak check that libFuzzer runs
// after an input (see tools/sanitizer/LsanRoots.cpp); called at the end of every input.
extern "C" void verimetra_keep_main_thread_roots();

// Calls it when the input's work ends, by whichever return.
struct KeepMainThreadRootsAtEnd
{
    KeepMainThreadRootsAtEnd() = default;
    KeepMainThreadRootsAtEnd(const KeepMainThreadRootsAtEnd&) = delete;
    KeepMainThreadRootsAtEnd& operator=(const KeepMainThreadRootsAtEnd&) = delete;
    ~KeepMainThreadRootsAtEnd() { verimetra_keep_main_thread_roots(); }
};
