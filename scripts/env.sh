# Shared by scripts/test and scripts/run: Wine, display and sound for Tonalbrook under this machine.
# Source it after setting $top; call tb_start_services and register tb_stop_services on exit.
build="$top/build"
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export XDG_RUNTIME_DIR="$build/pulse-run"
export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR"
# What these functions started, and only that, is stopped by tb_stop_services: a service that was
# running already (another run's, the user's, the machine's) is used and left as it is.
tb_pids=()
tb_pulse_pid=
tb_wineserver_started=0

# tb_stop_pid PID NAME: ends the process PID if it is still the NAME that was started (PIDs are reused).
tb_stop_pid() {
  [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ] && kill "$1" >/dev/null 2>&1 || true
}

tb_start_xvfb() {
  # -displayfd picks a free display number and reports it once the server is ready.
  local fifo="$build/xvfb.fd"
  rm -f "$fifo"; : > "$fifo"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
  tb_pids+=("$! Xvfb")
  local i
  for i in $(seq 1 200); do
    [ -s "$fifo" ] && break
    sleep 0.05
  done
  [ -s "$fifo" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(tr -d '[:space:]' < "$fifo")"
}

tb_start_pulse() {
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  cat > "$build/pulse.pa" <<'PA'
load-module module-native-protocol-unix
load-module module-null-sink sink_name=nullout
load-module module-sine-source source_name=sine rate=44100 frequency=1000
load-module module-sine sink=nullout frequency=1000
set-default-source nullout.monitor
set-default-sink nullout
PA
  # This folder's daemon, started by another run of this tree, serves as well.
  pulseaudio --check >/dev/null 2>&1 && return 0
  pulseaudio -n -F "$build/pulse.pa" --exit-idle-time=-1 --daemonize=yes --system=false \
    --disallow-exit=yes >/dev/null 2>&1 || { echo "PulseAudio did not start" >&2; return 1; }
  tb_pulse_pid=$(cat "$XDG_RUNTIME_DIR/pid" 2>/dev/null || true)
}

tb_start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing a Wine prefix (once)..."
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  # A resident wineserver lets each program start quickly. Wine's own service processes start
  # with the first program and inherit its output; start them here, away from ctest's pipes,
  # or ctest waits for those pipes to close. A server of this prefix that runs already (it answers
  # -p with an error) serves as well.
  wineserver -p >/dev/null 2>&1 </dev/null && tb_wineserver_started=1
  # With no window manager, hiding a managed window waits two seconds for it; manage none.
  if [ ! -f "$WINEPREFIX/.tb-unmanaged" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.tb-unmanaged"
  fi
  # Wine draws caption buttons with the Marlett font, which Debian ships outside the prefix.
  if [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  # A crashing test program must end, not wait in Wine's debugger until ctest times out.
  if [ ! -f "$WINEPREFIX/.tb-nodebugger" ]; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
      >/dev/null 2>&1 </dev/null
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f \
      >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.tb-nodebugger"
  fi
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
}

tb_cups_up() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

# Printing goes through CUPS to the cups-pdf queue "PDF", which writes each job as a PDF file (under
# the user's ~/PDF). It is the default printer for the programs started from here alone (CUPS, and so
# Wine, takes LPDEST first): the machine's and the user's default stay as they are. A cupsd that runs
# already is used and left running.
tb_start_cups() {
  command -v lpstat >/dev/null 2>&1 && [ -x /usr/sbin/cupsd ] ||
    { echo "CUPS is not installed (scripts/setup installs it)" >&2; return 1; }
  if ! tb_cups_up; then
    mkdir -p /run/cups /var/spool/cups/tmp /var/log/cups 2>/dev/null || true
    /usr/sbin/cupsd -f >/dev/null 2>&1 </dev/null &
    tb_pids+=("$! cupsd")
    local i
    for i in $(seq 1 100); do
      tb_cups_up && break
      sleep 0.1
    done
    tb_cups_up || { echo "cupsd did not start" >&2; return 1; }
  fi
  if ! lpstat -v PDF >/dev/null 2>&1; then
    local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
    [ -f "$ppd" ] || ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
    lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd" >/dev/null 2>&1 ||
      { echo "The printer queue PDF could not be added" >&2; return 1; }
  fi
  cupsenable PDF >/dev/null 2>&1 || true
  cupsaccept PDF >/dev/null 2>&1 || true
  export LPDEST=PDF
}

tb_start_services() {
  mkdir -p "$build"
  tb_start_xvfb && tb_start_pulse && tb_start_cups && tb_start_wine
}

tb_stop_services() {
  if [ "$tb_wineserver_started" = 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
    tb_wineserver_started=0
  fi
  tb_stop_pid "$tb_pulse_pid" pulseaudio
  tb_pulse_pid=
  local p
  for p in "${tb_pids[@]}"; do tb_stop_pid ${p% *} "${p#* }"; done
  tb_pids=()
}
