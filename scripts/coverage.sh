#!/usr/bin/env bash
# Line and branch coverage of the code the tests exercise: builds with gcc's coverage
# instrumentation in its own folder, runs the whole ctest suite there, then prints, with
# gcovr, the totals and one row per source folder of everything outside tests/ and bench/
# (sim/ included: every integration test leans on the simulated modem).
#
#   scripts/coverage.sh [build folder]     (default: build-coverage)
#
# Test failures are reported but do not stop the figures: coverage of a red suite is still
# worth reading. The exit status is ctest's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "${root}"

# shellcheck source=scripts/packages.sh
source scripts/packages.sh
orvane_install_packages "${ORVANE_TEST_PACKAGES[@]}" gcovr

build=${1:-build-coverage}
case ${build} in /*) ;; *) build=${root}/${build} ;; esac

echo "=== configure ${build}"
# -O0: optimised code folds lines and branches together, which blurs the figures.
cmake -S . -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVANE_BUILD_TESTS=ON \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
echo "=== build ${build}"
cmake --build "${build}" -j 2
# Counters of an earlier run would add up with this one's.
find "${build}" -name '*.gcda' -delete

echo "=== test ${build}"
status=0
ctest --test-dir "${build}" -j 2 --output-on-failure >"${build}/ctest.log" 2>&1 || status=$?
tail -n 3 "${build}/ctest.log"

echo "=== coverage"
folders='platform|common|tools|common_storage|modem|tester|cli|ui|sim'
gcovr --root "${root}" --object-directory "${build}" -j 2 \
  --exclude-directories '.*/CMakeFiles/[0-9.]+$' --filter "${root}/(${folders})/" \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "${build}/coverage.json" --print-summary >/dev/null

# One row per folder of source files (platform/qt apart from platform, and so on), then the
# totals.
python3 - "${build}/coverage.json" <<'PY'
import json, os, sys
from collections import defaultdict

data = json.load(open(sys.argv[1]))
rows = defaultdict(lambda: [0, 0, 0, 0])
for f in data["files"]:
    row = rows[os.path.dirname(f["filename"])]
    row[0] += f["line_covered"]; row[1] += f["line_total"]
    row[2] += f["branch_covered"]; row[3] += f["branch_total"]

def pct(done, total):
    return f"{100.0 * done / total:6.1f} %" if total else "     - "

print(f"{'folder':34} {'lines':>9} {'covered':>9} {'branches':>9} {'covered':>9}")
total = [0, 0, 0, 0]
for folder in sorted(rows):
    r = rows[folder]
    total = [a + b for a, b in zip(total, r)]
    print(f"{folder:34} {r[1]:9d} {pct(r[0], r[1]):>9} {r[3]:9d} {pct(r[2], r[3]):>9}")
print(f"{'total':34} {total[1]:9d} {pct(total[0], total[1]):>9} {total[3]:9d} "
      f"{pct(total[2], total[3]):>9}")
PY
exit "${status}"
