#!/usr/bin/env bash
# Runs the native (core) tests and the Windows-side tests under Wine, then prints one summary.
set -u
native=$1
win=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

echo "== native core tests ($native)"
(cd "$native" && ctest --output-on-failure -j "$(nproc)") | tee /tmp/mirelo-native.log
native_rc=${PIPESTATUS[0]}

echo "== Windows-side tests under Wine ($win)"
"$here/with-display.sh" bash -c "cd '$win' && ctest -V" | tee /tmp/mirelo-win.log
win_rc=${PIPESTATUS[0]}
WINEPREFIX="$(cd "$win" && pwd)/wine" wineserver -k >/dev/null 2>&1 || true

n_pass=$(grep -c 'Passed' /tmp/mirelo-native.log)
n_fail=$(grep -Ec '\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout' /tmp/mirelo-native.log)
w_pass=$(grep -Eo '\[  PASSED  \] [0-9]+' /tmp/mirelo-win.log | grep -Eo '[0-9]+$' | tail -n1)
w_fail=$(grep -Eo '\[  FAILED  \] [0-9]+ test' /tmp/mirelo-win.log | grep -Eo '[0-9]+' | tail -n1)
w_pass=${w_pass:-0}
# Windows-tree tests that are not the Google Test program (for example the import check).
w_other=$(grep -E 'Test +#[0-9]+: ' /tmp/mirelo-win.log | grep -v 'win_tests ' | grep -c ' Passed')
w_pass=$((w_pass + w_other))
w_fail=${w_fail:-0}
if [ "$win_rc" -ne 0 ] && [ "$w_fail" -eq 0 ]; then w_fail=1; fi
echo "native: $n_pass passed, $n_fail failed; windows: $w_pass passed, $w_fail failed"
echo "$((n_pass + w_pass)) passed, $((n_fail + w_fail)) failed"
[ "$native_rc" -eq 0 ] && [ "$win_rc" -eq 0 ]
