#!/usr/bin/env bash
# Builds orvane and runs every test: a normal build, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build. Installs what it needs from Debian packages.
# The exit status is the tests' verdict.
set -euo pipefail
cd "$(dirname "$0")"

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_TEST_PACKAGES[@]}"

jobs=2
status=0

run_config() {
  local dir=$1
  shift
  echo "=== configure ${dir}"
  cmake -S . -B "${dir}" -G Ninja -DORVANE_WERROR=ON -DORVANE_BUILD_TESTS=ON "$@"
  echo "=== build ${dir}"
  cmake --build "${dir}" -j "${jobs}"
  echo "=== test ${dir}"
  if ! ctest --test-dir "${dir}" -j "${jobs}" --output-on-failure; then
    status=1
  fi
}

run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=address,undefined

exit "${status}"
