#!/usr/bin/env bash
# Long run of the demo on a virtual X server of its own, fed a bounded stream
# of random key presses (W A S D, F2 to F6, H K L O U J) and mouse moves.
# Fails unless, all the way through, the demo keeps drawing (screenshots keep
# changing), raises no OpenGL error, stops growing in resident memory once
# it is warmed up, and finally exits with 0 on Escape.
#   scripts/soak.sh [seconds, default 600]
# TANDRIL_DEMO names a demo binary to use instead of building one (the test
# suite passes its own); TANDRIL_SOAK_SEED repeats an earlier event stream.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

DURATION="${1:-600}"
SCREEN="1280x1024x24"

if [[ -z "${TANDRIL_SOAK_DISPLAY_READY:-}" ]]; then
    if [[ -z "${TANDRIL_DEMO:-}" ]]; then
        install_missing_packages "${DEMO_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        build_targets "$BUILD_DIR" -- tandril
        export TANDRIL_DEMO="$BUILD_DIR/tandril"
    fi
    # A server of its own (-a picks a free display), whatever DISPLAY says.
    TANDRIL_SOAK_DISPLAY_READY=1 exec xvfb-run -a -s "-screen 0 $SCREEN -noreset" bash "$0" "$@"
fi

DEMO="$TANDRIL_DEMO"
SEED="${TANDRIL_SOAK_SEED:-$$}"
RANDOM=$SEED
# Smaller than the default window: the software rasteriser then draws several
# times as many frames in the same time.
WIDTH=640
HEIGHT=480
WARM_UP=$((DURATION * 3 / 10 > 10 ? DURATION * 3 / 10 : 10))
SAMPLE_EVERY=5
SHOT_EVERY=10
# Growth after the warm-up that is still noise (driver caches, allocator
# arenas): the larger of this many KiB and this percentage.
RSS_SLACK_KIB=8192
RSS_SLACK_PERCENT=5
# A sanitizer build keeps freed memory in quarantine; a small one fills early,
# so that resident memory can settle within a short run.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16"

work="$(mktemp -d "${TMPDIR:-/tmp}/tandril-soak.XXXXXX")"
demo_pid=""
cleanup() {
    if [[ -n "$demo_pid" ]] && kill -0 "$demo_pid" 2>/dev/null; then
        kill -KILL "$demo_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "SOAK FAILED: $*" >&2
    echo "--- demo stderr (last lines)" >&2
    tail -n 20 "$work/stderr" >&2 || true
    echo "event seed: $SEED (TANDRIL_SOAK_SEED=$SEED repeats the stream)" >&2
    exit 1
}

rss_kib() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$demo_pid/status" 2>/dev/null
}

check_alive() {
    kill -0 "$demo_pid" 2>/dev/null || {
        wait "$demo_pid" && status=0 || status=$?
        demo_pid=""
        fail "the demo ended by itself (exit status $status) after $((SECONDS - start)) s"
    }
    if grep -q "ERROR: OpenGL Error" "$work/stderr"; then
        fail "OpenGL error after $((SECONDS - start)) s"
    fi
}

echo "soak: $DURATION s of random input on $DISPLAY, event seed $SEED"
cd "$REPO_ROOT"
"$DEMO" "$WIDTH" "$HEIGHT" >"$work/stdout" 2>"$work/stderr" <&- &
demo_pid=$!

window=$(timeout 120 xdotool search --sync --pid "$demo_pid" --name '^tandril$' | head -n 1) ||
    fail "no window within 120 s"
[[ -n "$window" ]] || fail "no window within 120 s"

keys=(w a s d F2 F3 F4 F5 F6 h k l o u j)
start=$SECONDS
next_sample=0
next_shot=0
events=0
shots=0
same_shots=0
warm_peak=0
late_peak=0
last_hash=""
rss_trace=""
while ((SECONDS - start < DURATION)); do
    elapsed=$((SECONDS - start))
    if ((elapsed >= next_sample)); then
        check_alive
        rss=$(rss_kib)
        [[ -n "$rss" ]] || fail "cannot read VmRSS"
        rss_trace+=" $((rss / 1024))"
        if ((elapsed < WARM_UP)); then
            ((rss > warm_peak)) && warm_peak=$rss
        else
            ((rss > late_peak)) && late_peak=$rss
        fi
        next_sample=$((elapsed + SAMPLE_EVERY))
    fi
    if ((elapsed >= next_shot)); then
        shot="$work/shot.png"
        import -window root "$shot" 2>/dev/null || fail "screenshot failed"
        hash=$(identify -format '%#' "$shot")
        shots=$((shots + 1))
        if [[ "$hash" == "$last_hash" ]]; then
            same_shots=$((same_shots + 1))
            # Input changes the view every few hundred milliseconds; two
            # identical pictures in a row mean the frames have stopped.
            ((same_shots < 2)) || fail "the picture has not changed for $((2 * SHOT_EVERY)) s"
        else
            same_shots=0
        fi
        last_hash=$hash
        next_shot=$((elapsed + SHOT_EVERY))
    fi

    # One event, then a pause of 100 to 300 ms: at most ten events a second.
    if ((RANDOM % 3 == 0)); then
        x=$((RANDOM % WIDTH))
        y=$((RANDOM % HEIGHT))
        xdotool mousemove --window "$window" "$x" "$y" 2>/dev/null || true
    else
        key=${keys[RANDOM % ${#keys[@]}]}
        case "$key" in
        w | a | s | d)
            # Held across a few frames, as the camera polls these keys.
            xdotool keydown --window "$window" "$key" 2>/dev/null || true
            sleep "0.$((1 + RANDOM % 3))"
            xdotool keyup --window "$window" "$key" 2>/dev/null || true
            ;;
        *)
            xdotool key --window "$window" "$key" 2>/dev/null || true
            ;;
        esac
    fi
    events=$((events + 1))
    sleep "0.$((1 + RANDOM % 3))"
done

check_alive
xdotool key --window "$window" Escape 2>/dev/null || true
for _ in $(seq 600); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
    fail "still running 60 s after Escape"
fi
wait "$demo_pid" && status=0 || status=$?
demo_pid=""
((status == 0)) || fail "exit status $status after Escape"
if grep -q "ERROR: OpenGL Error" "$work/stderr"; then
    fail "OpenGL error"
fi

slack=$((warm_peak * RSS_SLACK_PERCENT / 100))
((slack > RSS_SLACK_KIB)) || slack=$RSS_SLACK_KIB
echo "soak: $events events, $shots screenshots; VmRSS peak $warm_peak KiB in the first" \
    "$WARM_UP s, $late_peak KiB after"
echo "soak: VmRSS every $SAMPLE_EVERY s (MiB):$rss_trace"
if ((late_peak > warm_peak + slack)); then
    fail "resident memory grew after the warm-up: $warm_peak KiB -> $late_peak KiB"
fi
if [[ -s "$work/stderr" ]]; then
    echo "--- demo stderr:"
    cat "$work/stderr"
fi
echo "soak: passed"
