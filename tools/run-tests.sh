#!/bin/bash
# run-tests.sh - the whole test suite (`make test`), part by part, then one line per part.
#
# Every part runs even when an earlier one failed, so a run shows everything
# that is wrong at once; the exit status is non-zero if any part failed.  A
# part that cannot run here (no 32-bit Wine, say) is a line saying why, and
# its skipped tests are counted.  The last line is the total.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
results=build/test-results
mkdir -p "$results"
rm -f "$results"/*
MAKE=${MAKE:-make}

# Needed packages first: one missing stops the run before any work is done.
tools/install-deps.sh all || exit 1
export KVN_DEPS_DONE=1 # the parts' own dependency checks are done

summary=$results/summary.txt
started=$(date +%s)

# ctest_counts LOG: passed failed skipped from CTest's own summary lines.
ctest_counts() {
    local total failed skipped
    total=$(sed -nE 's/.*tests passed, [0-9]+ tests? failed out of ([0-9]+).*/\1/p' "$1" | awk '{ s += $1 } END { print s + 0 }')
    failed=$(sed -nE 's/.*tests passed, ([0-9]+) tests? failed out of.*/\1/p' "$1" | awk '{ s += $1 } END { print s + 0 }')
    skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$1")
    echo "$((total - failed - skipped)) $failed $skipped"
}

# part NAME KIND NOTE -- COMMAND...: runs COMMAND, keeps its output, records the counts.
part() {
    local name=$1 kind=$2 note=$3 log=$results/$1.log t0 rc counts
    shift 4
    echo
    echo "=================== $name ==================="
    t0=$(date +%s)
    "$@" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    case $kind in
    ctest) counts=$(ctest_counts "$log") ;;
    steps) counts="$(grep -c '^== ok: ' "$log") 0 0" ;;
    esac
    set -- $counts
    local passed=$1 failed=$2 skipped=$3
    if [ "$rc" != 0 ] && [ "$failed" = 0 ]; then
        failed=1
        note="stopped with exit status $rc (see $log)${note:+; $note}"
    fi
    printf '%-18s %5d passed, %3d failed, %4d skipped  %4ds%s\n' "$name" "$passed" "$failed" "$skipped" \
        "$(($(date +%s) - t0))" "${note:+  ($note)}" >>"$summary"
}

part style steps "sources in the checked-in style" -- $MAKE --no-print-directory format-check
part native ctest "" -- $MAKE --no-print-directory test-native
part "ASan+UBSan" ctest "" -- $MAKE --no-print-directory test-asan
part TSan ctest "" -- $MAKE --no-print-directory test-tsan
part fuzz ctest "targets, ${FUZZ_SECONDS:-45}s each" -- $MAKE --no-print-directory fuzz-smoke
part "win64 under Wine" ctest "" -- $MAKE --no-print-directory test-win64
win32_note=""
[ -x /usr/lib/wine/wine ] || win32_note="32-bit Wine (wine32:i386) is not installed: kvn.dll alone is built and its file checked, each program that needs Wine to run counts as one skip"
part "win32 under Wine" ctest "$win32_note" -- $MAKE --no-print-directory test-win32
part packages steps "Debian package and Windows ZIP built and checked" -- $MAKE --no-print-directory test-packages

echo
echo "=================== summary ($(( ($(date +%s) - started) / 60 )) min) ==================="
cat "$summary"
awk '{ for (i = 1; i <= NF; i++) { if ($(i+1) ~ /^passed,/) p += $i; if ($(i+1) ~ /^failed,/) f += $i; if ($(i+1) ~ /^skipped/) s += $i } }
     END { printf "total: %d passed, %d failed, %d skipped\n", p, f, s; exit (f > 0) }' "$summary"
