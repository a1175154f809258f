#!/usr/bin/env bash
# The README's second command: builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/packages.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARCEL2_SANITIZE=ON
cmake --build build-asan

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
