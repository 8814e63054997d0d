// Linked into every program of a sanitized build (tests and fuzz targets).
//
// LeakSanitizer runs with use_tls=0: on Debian 12 (glibc 2.36, GCC 12 and clang 14
// alike) its tracer at times reads a bogus dynamic-TLS range of the main thread at
// exit and dies ("Tracer caught signal 11" in ScanRangeForPointers), about one run
// in five of the image window tests. Without the thread-local roots, two kinds of
// block that the main thread still holds look unreferenced:
// - the values of its pthread keys, such as the GSlice magazine that GLib's library
//   constructor makes (g_slice_alloc -> g_private_set_alloc0) and the per-thread
//   record of g_main_context_dispatch;
// - its dynamic thread vector, which the dynamic loader allocates (__tls_get_addr)
//   when a library with thread-local storage is loaded, and the blocks it points to.
// Just before the leak check at exit, these are copied into a global array, which
// the checker does scan: what the main thread holds is then reachable, exactly as
// a scan of its thread-local storage would find it. Nothing is suppressed; a block
// that nothing points to is still reported, whoever allocated it. The fuzz targets,
// whose leak checks run after each input, call verimetra_keep_main_thread_roots()
// at the end of every input.

#include <pthread.h>

#include <cstddef>
#include <cstdlib>

namespace {

constexpr int KeyCount = 1024;      // PTHREAD_KEYS_MAX on glibc
constexpr int MaxModuleCount = 512; // modules with thread-local storage kept track of
void* volatile mainThreadRoots[KeyCount + 1 + 2 * MaxModuleCount];

// An entry of glibc's dynamic thread vector: a module's block and where it was allocated.
struct DtvEntry
{
    void* block;
    void* allocated;
};

} // namespace

extern "C" void verimetra_keep_main_thread_roots()
{
    for (int key = 0; key < KeyCount; ++key) {
        mainThreadRoots[key] = pthread_getspecific(static_cast<pthread_key_t>(key));
    }
#if defined(__x86_64__) && defined(__GLIBC__)
    // tcbhead_t::dtv points at entry 1 of the vector; entry -1 holds its length,
    // entry 0 its generation. The first vector comes from the dynamic loader's own
    // allocator, which the checker does not see: the blocks its entries point to are
    // kept as well as the vector itself.
    DtvEntry* dtv = nullptr;
    asm volatile("mov %%fs:8, %0" : "=r"(dtv));
    mainThreadRoots[KeyCount] = dtv;
    if (dtv != nullptr) {
        const auto length = reinterpret_cast<const std::size_t*>(dtv - 1)[0];
        for (std::size_t module = 1; module <= length && module <= MaxModuleCount; ++module) {
            mainThreadRoots[KeyCount + 2 * module - 1] = dtv[module].block;
            mainThreadRoots[KeyCount + 2 * module] = dtv[module].allocated;
        }
    }
#endif
}

namespace {
// Registered after the sanitizer's own exit handler, so it runs before the leak check.
[[maybe_unused]] const int registered = std::atexit(verimetra_keep_main_thread_roots);
} // namespace
