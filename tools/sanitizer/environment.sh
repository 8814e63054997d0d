# Sourced by the sanitized test suite and the fuzz scripts: the environment every
# sanitized program of this project runs in.

export QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORMTHEME=
# The same hash order in every run, so that a run depends only on its input.
export QT_HASH_SEED=0

# Reports name their functions only with a symbolizer; a report without names is
# no help to anyone, so its absence is an error, not a warning.
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
if [ ! -x "$symbolizer" ]; then
  echo "no $symbolizer: install the Debian package llvm-14" >&2
  exit 2
fi
export ASAN_SYMBOLIZER_PATH="$symbolizer"

# use_tls=0: the leak checker of this toolchain at times dies reading the main
# thread's dynamic TLS at exit; tools/sanitizer/LsanRoots.cpp keeps what that
# storage holds reachable instead. No leak is suppressed.
# That covers the main thread only. With GLib's event dispatcher, every thread Qt
# starts (the image conversions' thread pool among them) gets a GSlice magazine
# that only its thread-local storage points to; a thread still alive at exit would
# show it as a leak, or not, depending on timing. Qt's own event dispatcher makes
# no such blocks.
export QT_NO_GLIB=1
export LSAN_OPTIONS="use_tls=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
