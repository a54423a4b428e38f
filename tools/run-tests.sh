#!/usr/bin/env bash
# Runs every test: the native core tests, short runs of the fuzz targets, and the
# Windows-side tests under Wine. Ends with one summary line "N passed, M failed".
set -u
native=$1
fuzz=$2
win=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
logs=$(mktemp -d)
rc=0

echo "== native core tests ($native)"
(cd "$native" && ctest --output-on-failure -j "$(nproc)") 2>&1 | tee "$logs/native.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || rc=1

echo "== fuzz targets, short runs ($fuzz)"
(cd "$fuzz" && ctest --output-on-failure -j "$(nproc)") 2>&1 | tee "$logs/fuzz.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || rc=1

echo "== Windows-side tests under Wine ($win)"
"$here/with-display.sh" bash -c "cd '$win' && ctest -V" 2>&1 | tee "$logs/win.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
WINEPREFIX="$(cd "$win" && pwd)/wine" wineserver -k >/dev/null 2>&1 || true

# ctest-level results, except the Google Test program of the Windows tree, counted by its own tests.
ctest_count() { grep -E 'Test +#[0-9]+: ' "$1" | grep -v ' win_tests ' | grep -c " $2" ; }
passed=$(( $(ctest_count "$logs/native.log" Passed) + $(ctest_count "$logs/fuzz.log" Passed) + $(ctest_count "$logs/win.log" Passed) ))
failed=$(( $(grep -Ec 'Test +#[0-9]+: .*\*\*\*' "$logs/native.log" "$logs/fuzz.log" | awk -F: '{s+=$2} END {print s+0}') ))
failed=$(( failed + $(grep -E 'Test +#[0-9]+: ' "$logs/win.log" | grep -v ' win_tests ' | grep -c '\*\*\*') ))
g_pass=$(grep -Eo '\[  PASSED  \] [0-9]+' "$logs/win.log" | grep -Eo '[0-9]+$' | tail -n1)
g_fail=$(grep -Eo '\[  FAILED  \] [0-9]+ tests?,' "$logs/win.log" | grep -Eo '[0-9]+' | tail -n1)
g_skip=$(grep -Eo '\[  SKIPPED \] [0-9]+' "$logs/win.log" | grep -Eo '[0-9]+$' | tail -n1)
g_pass=${g_pass:-0}; g_fail=${g_fail:-0}; g_skip=${g_skip:-0}
if [ "$rc" -ne 0 ] && [ "$g_fail" -eq 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
rm -rf "$logs"
echo "$((passed + g_pass)) passed, $((failed + g_fail)) failed, $g_skip skipped"
exit $rc
