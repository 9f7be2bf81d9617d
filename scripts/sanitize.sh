#!/usr/bin/env bash
# Builds everything but the benchmarks with AddressSanitizer and UBSan into
# ${BUILD_DIR:-build-asan} and runs every test headless under them. The first fault stops the
# test that met it. Leaks are reported, except those Qt and the system libraries make on
# purpose, listed in tests/lsan.supp. Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."

# Set before the build too: the build runs our own tools (the sample catalogue generator).
# intercept_tls_get_addr=0: g++ 12's runtime mistakes glibc's dynamic TLS blocks for an older
# layout and its leak tracer then crashes at exit ("Tracer caught signal 11"), leak or none.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0:detect_stack_use_after_return=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

# Warnings are not errors here: the instrumented code makes g++ report out-of-bounds accesses
# that cannot happen (-Warray-bounds); the plain build is the one that checks warnings.
BUILD_DIR=${BUILD_DIR:-build-asan} scripts/test.sh \
    -DORLANEVA_SANITIZE=ON -DORLANEVA_BUILD_BENCH=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=OFF "$@"
