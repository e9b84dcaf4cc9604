#!/usr/bin/env bash
# Builds orvane and runs every test: a normal build, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build, then a ThreadSanitizer build of the threaded tests.
# Installs what it needs from Debian packages. The exit status is the tests' verdict.
set -euo pipefail
cd "$(dirname "$0")"

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_TEST_PACKAGES[@]}"

jobs=2
status=0

# run_config <dir> <cmake options...>: configure, build and test one configuration.
# With only_tests set (test executables, e.g. "test_engine test_modem"), builds and runs just
# those of them that exist.
only_tests=""
run_config() {
  local dir=$1
  shift
  echo "=== configure ${dir}"
  cmake -S . -B "${dir}" -G Ninja -DORVANE_WERROR=ON -DORVANE_BUILD_TESTS=ON "$@"
  local targets=()
  local labels=()
  local t
  for t in ${only_tests}; do
    if cmake --build "${dir}" --target help | grep -q "^${t}:"; then
      targets+=(--target "${t}")
      labels+=("${t}")
    fi
  done
  if [ -n "${only_tests}" ] && [ ${#labels[@]} -eq 0 ]; then
    echo "=== none of ${only_tests} in ${dir}"
    status=1
    return
  fi
  echo "=== build ${dir}"
  cmake --build "${dir}" -j "${jobs}" "${targets[@]}"
  echo "=== test ${dir}"
  local select=()
  if [ ${#labels[@]} -gt 0 ]; then
    # Each test carries its executable's name as label.
    select=(-L "^($(IFS='|'; echo "${labels[*]}"))\$")
  fi
  if ! ctest --test-dir "${dir}" -j "${jobs}" --output-on-failure "${select[@]}"; then
    status=1
  fi
}

run_config build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_config build-asan -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=address,undefined
# The tests where threads meet. Debian's Qt is not instrumented: tests/tsan.supp hides what
# happens inside it.
only_tests="test_platform_qt test_engine test_modem test_tester test_cli" \
TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=${PWD}/tests/tsan.supp" \
  run_config build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_SANITIZE=thread

exit "${status}"
