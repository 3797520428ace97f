# Sourced by the processor-share benchmarks: a process's and its threads' processor ticks from
# /proc, and the share of one core between two readings.
hz=$(getconf CLK_TCK)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Per thread: "tid ticks name" lines (the name is read apart: it may hold blanks).
thread_ticks() {
  local t
  for t in /proc/$1/task/*; do
    [ -r "$t/stat" ] || continue
    printf '%s %s %s\n' "${t##*/}" "$(sed 's/.*) //' "$t/stat" | awk '{print $12 + $13}')" \
      "$(tr ' ' '_' < "$t/comm")"
  done
}

# share LABEL PID SECONDS: the process's share of one core over the next SECONDS, then its
# threads that used at least 0.1 %, busiest first (a thread born meanwhile counts whole); the
# process's first thread, its window thread, is shown as "main". Then the threads summed in two
# parts: Wine's recording threads (PulseAudio's "winepulse_..." and the wave-in driver's thread,
# which the program names "wavein_driver" from its callback) and the program's own, the rest.
share() {
  local label=$1 pid=$2 seconds=$3 a b ta tb
  a=$(ticks "$pid")
  ta=$(thread_ticks "$pid")
  sleep "$seconds"
  b=$(ticks "$pid")
  tb=$(thread_ticks "$pid")
  awk -v l="$label" -v d=$((b - a)) -v hz="$hz" -v t="$seconds" \
    'BEGIN { printf "%-26s %5.1f %% of one core\n", l, 100 * d / hz / t }'
  awk -v hz="$hz" -v t="$seconds" -v pid="$pid" '
    NR == FNR { before[$1] = $2; next }
    { p = 100 * ($2 - before[$1]) / hz / t
      if (p >= 0.1) printf "%5.1f %s\n", p, $3 " (" ($1 == pid ? "main" : $1) ")" }' \
    <(echo "$ta") <(echo "$tb") |
    sort -rn | awk '{ printf "    %-28s %5.1f %%\n", $2 " " $3, $1 }'
  awk -v hz="$hz" -v t="$seconds" '
    NR == FNR { before[$1] = $2; next }
    { p = 100 * ($2 - before[$1]) / hz / t
      if ($3 ~ /^winepulse/ || $3 == "wavein_driver") wine += p; else own += p }
    END { printf "    %-28s %5.1f %%\n    %-28s %5.1f %%\n", "program'"'"'s own threads", own,
                 "Wine'"'"'s recording threads", wine }' \
    <(echo "$ta") <(echo "$tb")
}
