# Sourced by the test run and the demo: a private Wine prefix inside a work
# folder, one wineserver kept up for the whole run, and serial pty pairs
# linked in as COM ports. Everything lives in the work folder and goes with it.
#
# Only the 64-bit loader: 32-bit Wine needs kernel support some hosts lack.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
wine_socat_pids=()

wine_prefix_env() { # work-folder
  export WINEPREFIX="$1/prefix"
  # Wine keeps its server's socket folder in TMPDIR and leaves it behind.
  export TMPDIR="$1/tmp"
  mkdir -p "$TMPDIR"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=C.UTF-8 LC_ALL=
}

wine_prefix_start() { # log-file
  mkdir -p "$WINEPREFIX"
  "$wineserver" -p >/dev/null 2>&1  # its object dump at exit is noise
  "$wine" wineboot -i >"$1" 2>&1 </dev/null || true
  # Without a window manager Wine stalls about 2 s whenever a window is hidden.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$1" 2>&1 </dev/null
}

# A pty pair, one end linked as COM<a>, the other as COM<b>. High numbers:
# Wine rewrites the low COM links when it starts.
wine_serial_pair() { # folder a b
  local one="$1/pty$2" two="$1/pty$3"
  socat pty,raw,echo=0,link="$one" pty,raw,echo=0,link="$two" 2>/dev/null &
  wine_socat_pids+=($!)
  for _ in $(seq 50); do [ -e "$one" ] && [ -e "$two" ] && break; sleep 0.1; done
  ln -sf "$one" "$WINEPREFIX/dosdevices/com$2"
  ln -sf "$two" "$WINEPREFIX/dosdevices/com$3"
}

wine_prefix_stop() {
  local pid
  for pid in "${wine_socat_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
}
