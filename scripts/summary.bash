# The summary that ends a test run, sourced by scripts/test, scripts/test-wm-matrix and
# scripts/test-asan: each tier (each window manager's x11 tier) passed or failed, with the tests
# that failed, then "N passed, N failed" for the tiers and the run's verdict as the last line.
# The outermost script of a run owns the summary (FRAMEWELL_TEST_SUMMARY names its file); a
# script started by another only adds its tiers to it.

summary_owner=0
summary_script=
# summary_begin NAME: the run's summary starts here unless an outer script started it.
summary_begin() {
  summary_script=$1
  if [ -z "${FRAMEWELL_TEST_SUMMARY:-}" ]; then
    FRAMEWELL_TEST_SUMMARY=$(mktemp)
    export FRAMEWELL_TEST_SUMMARY
    summary_owner=1
  fi
}

# summary_time LABEL SINCE: how long a step or tier took (seconds since SINCE), listed before the
# summary so that a slow run shows where its time went.
summary_time() {
  echo "$1: $((SECONDS - $2)) s" >>"$FRAMEWELL_TEST_SUMMARY.times"
}

# summary_note LABEL STATUS [DETAIL]: one line of the summary.
summary_note() {
  local result=passed
  [ "$2" = 0 ] || result=failed
  echo "$1: $result${3:+ ($3)}" >>"$FRAMEWELL_TEST_SUMMARY"
}

# summary_step LABEL COMMAND…: a step the tiers need (set-up, a build); when it fails, the run
# ends here with its failure noted.
summary_step() {
  local label=$1 since=$SECONDS
  shift
  "$@" && { summary_time "$label" "$since"; return 0; }
  summary_time "$label" "$since"
  summary_note "$label" 1
  summary_end 1
}

# summary_beside LABEL COMMAND…: a step that runs beside the tiers that follow, at the lowest
# priority (nice 19): the x11 tiers mostly wait on their servers, and a compile in their idle
# time costs the run nothing, while the tests' own processes still come first. Its output is kept
# for summary_join.
summary_beside_pids=() summary_beside_labels=() summary_beside_logs=()
summary_beside() {
  local label=$1 log
  shift
  log=$(mktemp)
  ( since=$SECONDS; status=0; nice -n 19 "$@" || status=$?; echo "$status $((SECONDS - since))" >"$log.end"; exit "$status" ) \
    >"$log" 2>&1 &
  summary_beside_pids+=($!) summary_beside_labels+=("$label") summary_beside_logs+=("$log")
}

# summary_processes PID: PID and every process it started, and theirs.
summary_processes() {
  local child
  echo "$1"
  for child in $(pgrep -P "$1" || true); do summary_processes "$child"; done
}

# summary_join LABEL: waits for the step summary_beside started under LABEL, shows its output and
# notes its time (from its start) and, when it failed, its failure. Returns its status.
summary_join() {
  local i status took since=$SECONDS
  for i in "${!summary_beside_labels[@]}"; do
    [ "${summary_beside_labels[i]}" = "$1" ] || continue
    # Now the run waits for it: the normal priority, where the user may raise it again.
    renice -n 0 $(summary_processes "${summary_beside_pids[i]}") >/dev/null 2>&1 || true
    wait "${summary_beside_pids[i]}" || true
    echo "== $1 (beside the tiers)"
    cat "${summary_beside_logs[i]}"
    read -r status took <"${summary_beside_logs[i]}.end" || { status=1 took=0; }
    rm -f "${summary_beside_logs[i]}" "${summary_beside_logs[i]}.end"
    echo "$1 (beside the tiers; waited for $((SECONDS - since)) s): $took s" >>"$FRAMEWELL_TEST_SUMMARY.times"
    [ "$status" = 0 ] || summary_note "$1" "$status"
    return "$status"
  done
  echo "summary_join: no step '$1'" >&2
  return 1
}

# summary_tier LABEL COMMAND…: runs a tier (a ctest run), its output shown as it comes, and
# notes its result: how many tests ran, which failed, and which passed (or skipped) only when
# ctest ran them again (--repeat until-pass). Returns the command's status.
summary_tier() {
  local label=$1 log status=0 detail since=$SECONDS
  shift
  log=$(mktemp)
  "$@" 2>&1 | tee "$log" || status=${PIPESTATUS[0]}
  detail=$(awk '
    / Test +#[0-9]+: / {
      name = $0; sub(/.* Test +#[0-9]+: /, "", name); sub(/ +[.]+.*$/, "", name); sub(/ +# GetParam.*$/, "", name)
      if ($0 ~ /[*][*][*](Failed|Timeout|Exception)/) failedOnce[name] = 1
      else if ($0 ~ /( Passed|[*][*][*]Skipped) +[0-9.]+ sec/ && (name in failedOnce) && !(name in retried)) {
        # A test that failed and then skipped is named too: the tier passed without it.
        retried[name] = 1; again = again (again ? ", " : "") name ($0 ~ /Skipped/ ? " (skipped then)" : "")
      }
    }
    /tests passed, [0-9]+ tests? failed out of/ { failed = $4; total = $NF }
    /^The following tests FAILED:/ { listing = 1; names = ""; next }
    listing && /^[ \t]+[0-9]+ - / { sub(/^[ \t]+[0-9]+ - /, ""); sub(/ \([^)]*\)$/, ""); names = names (names ? ", " : "") $0; next }
    listing { listing = 0 }
    END {
      if (total == "") exit
      if (failed == 0) out = total (total == 1 ? " test" : " tests")
      else out = failed " of " total " tests failed: " names
      if (again) out = out "; passed only when run again: " again
      print out
    }' "$log")
  rm -f "$log"
  summary_time "$label" "$since"
  summary_note "$label" "$status" "$detail"
  return "$status"
}

# summary_end STATUS: the summary and the verdict, when this script owns the run; then exits
# with the status.
summary_end() {
  local status=$1 passed failed
  if [ "$summary_owner" = 1 ]; then
    [ "$status" = 0 ] || grep -q ': failed' "$FRAMEWELL_TEST_SUMMARY" || summary_note "$summary_script" "$status"
    passed=$(grep -c ': passed' "$FRAMEWELL_TEST_SUMMARY" || true)
    failed=$(grep -c ': failed' "$FRAMEWELL_TEST_SUMMARY" || true)
    echo
    if [ -f "$FRAMEWELL_TEST_SUMMARY.times" ]; then
      echo "== $summary_script: time taken ($SECONDS s in all)"
      cat "$FRAMEWELL_TEST_SUMMARY.times"
      rm -f "$FRAMEWELL_TEST_SUMMARY.times"
    fi
    echo "== $summary_script: summary"
    cat "$FRAMEWELL_TEST_SUMMARY"
    rm -f "$FRAMEWELL_TEST_SUMMARY"
    echo "$passed passed, $failed failed"
    if [ "$status" = 0 ]; then echo "$summary_script: passed"; else echo "$summary_script: failed"; fi
  fi
  exit "$status"
}
