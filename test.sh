#!/usr/bin/env bash
# Builds orvane and runs every test: a normal build, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build, then a ThreadSanitizer build of the threaded tests, last the
# fuzz targets (clang, libFuzzer) for a bounded time each.
# Installs what it needs from Debian packages. The exit status is the tests' verdict; the last
# line printed sums up every stage.
set -euo pipefail
cd "$(dirname "$0")"

jobs=2
status=0
# One entry per stage for the summary line, which is always the last line printed.
stages=()
# shellcheck disable=SC2317  # run by the trap
summary() {
  local code=$?
  local verdict=passed
  if [ "${code}" -ne 0 ] || [ "${status}" -ne 0 ]; then
    verdict=FAILED
  fi
  local line="" stage
  for stage in "${stages[@]}"; do
    line+="${stage}; "
  done
  echo "=== summary: ${line}verdict: ${verdict}"
}
trap summary EXIT

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_TEST_PACKAGES[@]}"
# The test of the system's error texts in Russian needs this locale; a fresh Debian has none.
orvane_provide_locale ru_RU.UTF-8

# ctest_counts <log>: "P passed, F failed, S skipped of T" from a ctest run's output.
ctest_counts() {
  local totals failed total skipped
  totals=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1 || true)
  if [ -z "${totals}" ]; then
    echo "no test ran"
    return
  fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"${totals}")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"${totals}")
  skipped=$(grep -cE '\((Skipped|Disabled)\)$' "$1" || true)
  echo "$((total - failed - skipped)) passed, ${failed} failed, ${skipped} skipped of ${total}"
}

# run_config <dir> <cmake options...>: configure, build and test one configuration.
# With only_tests set (test executables, e.g. "test_engine test_modem"), builds and runs just
# those of them that exist.
only_tests=""
run_config() {
  local dir=$1
  shift
  echo "=== configure ${dir}"
  if ! cmake -S . -B "${dir}" -G Ninja -DORVANE_WERROR=ON -DORVANE_BUILD_TESTS=ON "$@"; then
    stages+=("${dir}: configure failed")
    status=1
    return
  fi
  local targets=()
  local labels=()
  local t known
  # Read whole first: "grep -q" leaving a pipe early kills the writer with SIGPIPE, and under
  # pipefail a target that exists was then taken as missing and its tests skipped unnoticed.
  known=$(cmake --build "${dir}" --target help)
  for t in ${only_tests}; do
    if grep -q "^${t}:" <<<"${known}"; then
      targets+=(--target "${t}")
      labels+=("${t}")
    fi
  done
  if [ -n "${only_tests}" ] && [ ${#labels[@]} -eq 0 ]; then
    echo "=== none of ${only_tests} in ${dir}"
    stages+=("${dir}: none of its tests")
    status=1
    return
  fi
  echo "=== build ${dir}"
  if ! cmake --build "${dir}" -j "${jobs}" "${targets[@]}"; then
    stages+=("${dir}: build failed")
    status=1
    return
  fi
  echo "=== test ${dir}"
  local select=()
  if [ ${#labels[@]} -gt 0 ]; then
    # Each test carries its executable's name as label.
    select=(-L "^($(IFS='|'; echo "${labels[*]}"))\$")
  fi
  local log
  log=$(mktemp)
  if ! ctest --test-dir "${dir}" -j "${jobs}" --output-on-failure "${select[@]}" 2>&1 |
    tee "${log}"; then
    status=1
  fi
  stages+=("${dir}: $(ctest_counts "${log}")")
  rm -f "${log}"
}

# run_fuzz: builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded
# time on a copy of its seed corpus, so the committed corpus never grows. A crash, leak, timeout
# or sanitizer report fails the stage; the failing input is kept in build-fuzz/fuzz-failures.
run_fuzz() {
  local dir=build-fuzz
  echo "=== configure and build ${dir}"
  if ! CC=clang CXX=clang++ cmake -S . -B "${dir}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DORVANE_WERROR=ON -DORVANE_FUZZ=ON -DORVANE_SANITIZE=address,undefined ||
    ! cmake --build "${dir}" -j "${jobs}" --target fuzz_targets_all; then
    echo "=== fuzz build failed"
    stages+=("fuzz: build failed")
    status=1
    return
  fi
  local work seeds target failed=() count=0
  work=$(mktemp -d)
  for seeds in tests/fuzz/corpus/*/; do
    target=$(basename "${seeds}")
    count=$((count + 1))
    mkdir -p "${work}/${target}/corpus" "${work}/${target}/found"
    cp "${seeds}"* "${work}/${target}/corpus/"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "${dir}/tests/fuzz/${target}" -max_total_time=20 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="${work}/${target}/found/" "${work}/${target}/corpus" \
      >"${work}/${target}.log" 2>&1; then
      echo "=== fuzz ${target}: $(grep -o 'DONE .*' "${work}/${target}.log" | tail -n 1)"
    else
      tail -n 40 "${work}/${target}.log"
      mkdir -p "${dir}/fuzz-failures"
      cp "${work}/${target}/found/"* "${dir}/fuzz-failures/" 2>/dev/null || true
      failed+=("${target}")
    fi
  done
  rm -rf "${work}"
  stages+=("fuzz: $((count - ${#failed[@]})) targets passed, ${#failed[@]} failed")
  if [ ${#failed[@]} -gt 0 ]; then
    echo "=== fuzz targets failed: ${failed[*]}"
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

run_fuzz

exit "${status}"
