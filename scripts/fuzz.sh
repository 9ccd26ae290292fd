#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for the given number of seconds
# on a scratch copy of its committed seed corpus. Any crash, leak, sanitizer
# report or broken invariant fails the script; the input that caused it is
# kept in the fuzz build folder and its path printed.
#   scripts/fuzz.sh [seconds per target, default 60]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

SECONDS_PER_TARGET="${1:-60}"
FUZZ_DIR="$REPO_ROOT/build-fuzz"
TARGETS=(adjacency_fuzzer:adjacency obj_import_fuzzer:obj)

install_missing_packages "${DEMO_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
build_targets "$FUZZ_DIR" -DTANDRIL_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -- "${TARGETS[@]%%:*}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$REPO_ROOT/scripts/lsan.supp:print_suppressions=0"

status=0
for entry in "${TARGETS[@]}"; do
    target="${entry%%:*}"
    corpus_name="${entry##*:}"
    work="$FUZZ_DIR/run/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$REPO_ROOT/fuzz/corpus/$corpus_name"/* "$work/corpus/"
    echo "== $target: $SECONDS_PER_TARGET s"
    # One job, bounded input size and memory; a hang counts as a failure.
    if ! "$FUZZ_DIR/fuzz/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=20 \
        -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1; then
        status=1
        tail -n 60 "$work/log"
        echo "FAILED: $target; reproducer(s):" "$work"/artifacts/*
        continue
    fi
    grep -E '^stat::number_of_executed_units|^stat::new_units_added|^Done ' "$work/log" || true
    if compgen -G "$work/artifacts/*" >/dev/null; then
        status=1
        echo "FAILED: $target left artifacts:" "$work"/artifacts/*
    fi
done
exit "$status"
