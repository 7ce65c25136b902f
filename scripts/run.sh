#!/usr/bin/env bash
# Runs Vendrake_P3D for a while against the simulator stand-in (a flight parked at Los
# Angeles), the traffic stand-in (a recording of Los Angeles traffic) and the update
# server stand-in (versions.json, the sample data files and the archived airport file of
# Los Angeles), then closes everything and tells where the log, the screenshot of the main
# window, the picture of the tracks and the files the program wrote are.
#   scripts/run.sh [--seconds N]     how long the program runs (default 120). Live aircraft
#                                    follow the reports about 30 s behind, so they appear
#                                    some 40 s after the start; static aircraft fill the
#                                    stands within the first minute.
# Sets up a fresh Debian 12 machine first (scripts/setup.sh). Without a DISPLAY the
# program runs on a virtual one (Xvfb). Everything it writes goes to out/run/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

seconds=120
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:-}; shift 2 || { echo "run.sh: --seconds needs a value"; exit 2; } ;;
    --seconds=*) seconds=${1#*=}; shift ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown option $1 (try --help)"; exit 2 ;;
  esac
done
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ] || [ "$seconds" -gt 86400 ]; then
  echo "run.sh: --seconds takes a whole number from 1 to 86400, not '$seconds'"
  exit 2
fi
recording=$top/tests/data/realtraffic/KLAX_20200617_2152.csv
[ -f "$recording" ] || { echo "run.sh: the recording $recording is missing"; exit 1; }

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target Vendrake_P3D simstandin trafficstandin updatestandin vdrk_data_files datafile

# The program's folder (with docs and the data files), the user's folders, the registry
# that tells where the simulator is, and RealTraffic installed for this user.
run=$top/out/run
rm -rf "$run"
mkdir -p "$run/program/docs" "$run/program/input" "$run/appdata/InsideSystems" "$run/sim/Scenery" "$run/pipes"
cp build/input/*.enc "$run/program/input/"
# The update server: versions.json names the data files 1.0.0, newer than the fresh
# settings know, so the start fetches them (the same sample files) from here.
mkdir -p "$run/site/downloads/12" "$run/site/downloads/P3D/archive/stock"
cp build/input/*.enc "$run/site/downloads/12/"
# Its airports database gives Los Angeles its stands, so the program takes the archived
# airport file of Los Angeles (the project's data/airports/KLAX.xml) from the server when
# the user is parked there: without an airport file the park airport has no stands, and
# the traffic reader passes on no aircraft on the ground.
stands=$(grep -c '<parkpos ' data/airports/KLAX.xml)
sed 's|<ap c="KLAX" \(.*\) s="0"/>|<ap c="KLAX" \1 s="'"$stands"'"/>|' data/airports.xml >"$run/site/airports.xml"
grep -q "<ap c=\"KLAX\" .* s=\"$stands\"/>" "$run/site/airports.xml" ||
  { echo "run.sh: Los Angeles is not in data/airports.xml as expected"; exit 1; }
build/tools/datafile/datafile encrypt "$run/site/airports.xml" "$run/site/downloads/12/airports.enc" >/dev/null
# The archived file carries the flights other users learned at its stands: airliners of
# the sample livery set at most gates, every day of the week and all day long, from which
# the static parking fills the stands.
python3 - data/airports/KLAX.xml "$run/site/downloads/P3D/archive/stock/KLAX.xml" <<'PY'
import random, re, sys
narrow = ["A320 AAL", "A320 UAL", "A321 DAL", "B738 SWA", "B738 AAL", "B739 ASA", "A20N VOI", "B737 UAL"]
wide = ["B77W AAL", "B77W JAL", "B789 UAL", "A359 DAL", "B77L EVA", "B744 CKS"]
random.seed(21)
def flights(match):
    radius, kind = float(match.group(2)), int(match.group(3))
    if kind < 8 or radius < 22.0 or random.random() < 0.3:
        return match.group(0)
    model, airline = random.choice(wide if radius >= 35.0 else narrow).split()
    opts = "".join(f'\n      <opt reg="N{random.randint(100, 999)}SD" airl="{airline}" type="{model}" day="{day}" hh="0:47" />'
                   for day in range(1, 8))
    return match.group(1) + ">" + opts + "\n    </parkpos>"
text = open(sys.argv[1], encoding="utf-8").read()
text = re.sub(r'(<parkpos [^>]*radius="([0-9.]+)" type="([0-9]+)"[^>]*?) />', flights, text)
open(sys.argv[2], "w", encoding="utf-8").write(text)
PY
v='{"major": 1, "minor": 0, "patch": 0}'
printf '{"p3d_app": {"major": 12, "minor": 3, "patch": 0}, "airports": %s, "aig": %s, "liveries": %s, "addons": %s, "dbase": %s}\n' \
  "$v" "$v" "$v" "$v" "$v" >"$run/site/downloads/versions.json"
: >"$run/appdata/InsideSystems/RealTraffic.jar"
# A sample livery set under the simulator's folder, and the settings that point the
# liveries scan at it: one livery for each airline and model of the sample AIG list (its
# titles, so the list's registrations find them), private liveries of the light aircraft
# and helicopters seen at Los Angeles, and generic ("ZZZ") ones of the common airliners.
liveries=$run/sim/SimObjects/Airplanes
mkdir -p "$liveries" "$run/appdata/Vendrake_P3D"
{
  sed -n 's/.*<l t="Sample \([A-Z0-9]*\) \([A-Z][A-Z][A-Z]\)".*/\1 \2/p' data/AIG-regcodes.xml
  for model in C172 C152 C182 P28A P28R PA46 DA40 S22T SR22 PC12 BE9L M20P BE40 AS50 R22 R44 R66; do
    echo "$model PVT"
  done
  for model in A20N A21N A320 A321 B737 B738 B739 CRJ2 CRJ9 E75L C172; do echo "$model ZZZ"; done
} | sort -u | while read -r model airline; do
  folder=$liveries/$model
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder/model" "$folder/texture"
    : >"$folder/$model.air"
    printf '[General]\natc_model=%s\n' "$model" >"$folder/aircraft.cfg"
  fi
  n=$(grep -c '^\[fltsim\.' "$folder/aircraft.cfg" || true)
  if [ "$airline" = PVT ]; then
    printf '[fltsim.%d]\ntitle=Sample %s private\nsim=%s\n' "$n" "$model" "$model" >>"$folder/aircraft.cfg"
  else
    printf '[fltsim.%d]\ntitle=Sample %s %s\natc_parking_codes=%s\nsim=%s\n' "$n" "$model" "$airline" "$airline" \
      "$model" >>"$folder/aircraft.cfg"
  fi
done
# A sample add-on scenery folder with one airport (the test airport KTST), which the
# airports scan turns into an airport file of my_thirdparty.
scenery="$run/sim/Addon Scenery/KTST/scenery"
mkdir -p "$scenery"
cp tests/data/bgl/KTST_TestAirport_v5.BGL "$scenery/"
cat >"$run/appdata/Vendrake_P3D/parameters.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<root>
  <parameters>
    <parameter name="PROGRAM_VERSION" value="12.3.0" />
    <parameter name="lfolder0" value="$liveries" />
    <parameter name="afolder0" value="$run/sim/Addon Scenery" />
    <parameter name="SCAN_AIRPORTS" value="true" />
    <parameter name="ADDONS_SCAN_VERSION" value="1.0.0" />
  </parameters>
</root>
EOF
cat >"$run/registry.reg" <<EOF
[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]
"SetupPath"="$run/sim/"
EOF
export VDRK_APPDATA=$run/appdata VDRK_REGISTRY_FILE=$run/registry.reg VDRK_PIPE_DIR=$run/pipes
export VDRK_INSTANCE_LOCK=$run/instance.lock

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display itself and tells which one on the given descriptor.
  displayfile=$run/display
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp -noreset 4>"$displayfile" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do [ -s "$displayfile" ] && break; sleep 0.1; done
  [ -s "$displayfile" ] || { echo "run.sh: Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n1 "$displayfile")"
fi

# The update server stand-in on a free port; the program asks it instead of the maker's site.
build/tools/updatestandin/updatestandin --folder "$run/site" >"$run/updatestandin.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do grep -q '^serving ' "$run/updatestandin.log" && break; sleep 0.1; done
site=$(sed -n 's/^serving .* at \(http:[^ ]*\)$/\1/p' "$run/updatestandin.log")
[ -n "$site" ] || { echo "run.sh: the update server stand-in did not start"; exit 1; }
export VDRK_DOWNLOAD_BASE=${site}downloads/

# The stand-ins read commands ("quit") from these pipes.
mkfifo "$run/sim.in" "$run/traffic.in"
exec 7<>"$run/sim.in" 8<>"$run/traffic.in"
build/tools/simstandin/simstandin --pipe --frame-rate 30 --flight 33.9416 -118.4085 --trace "$run/tracks.csv" \
  <"$run/sim.in" >"$run/simstandin.log" 2>&1 &
pids+=($!)
(cd "$run/program" && exec "$top/build/src/app/Vendrake_P3D") >"$run/program.out" 2>&1 &
app=$!
pids+=($app)
build/tools/trafficstandin/trafficstandin --loop "$recording" <"$run/traffic.in" >"$run/trafficstandin.log" 2>&1 &
pids+=($!)

echo "run.sh: Vendrake_P3D runs for $seconds s (display $DISPLAY) ..."
for _ in $(seq 1 "$seconds"); do
  kill -0 "$app" 2>/dev/null || break
  sleep 1
done

shot=$run/main_window.png
if kill -0 "$app" 2>/dev/null; then
  import -display "$DISPLAY" -window Vendrake_P3D "$shot" 2>/dev/null ||
    import -display "$DISPLAY" -window root "$shot" 2>/dev/null || echo "run.sh: no screenshot taken"
  # As a click on the window's close button: the program closes down and quits.
  kill -TERM "$app"
  for _ in $(seq 1 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
else
  echo "run.sh: Vendrake_P3D ended before the time was up (see the log)"
fi
code=0
wait "$app" || code=$?
echo quit >&7
echo quit >&8

tracks=$run/tracks.png
# The flight is parked at Los Angeles: the picture shows that park airport's stands.
airport=(); [ -f data/airports/KLAX.xml ] && airport=(--airport data/airports/KLAX.xml)
python3 scripts/draw_tracks.py "$run/tracks.csv" "$recording" "$tracks" "${airport[@]}" ||
  echo "run.sh: no picture of the tracks"

echo "run.sh: Vendrake_P3D ended with exit code $code"
prog=$run/program
echo "  log:        $prog/Log.txt"
# A livery match is a log line "<callsign> ... =<step>= <title>"; static callsigns end in "*".
live=$(grep -cE '^ +[^ *]+ .* =[0-6]= ' "$prog/Log.txt" 2>/dev/null || true)
static=$(grep -cE '^ +[^ ]+\* .* =[0-6]= ' "$prog/Log.txt" 2>/dev/null || true)
echo "  aircraft:   ${live:-0} live aircraft and ${static:-0} static aircraft given a livery (summary at the end of the log)"
[ -f "$shot" ] && echo "  screenshot: $shot"
if [ -f "$tracks" ]; then
  echo "  tracks:     $tracks (AI objects over the reported positions and the stands; legend and scale below the map)"
fi
show() { if [ -e "$2" ]; then printf '  %-11s %s\n' "$1:" "$2"; else printf '  %-11s %s (not written)\n' "$1:" "$2"; fi; }
show "scanned" "$prog/output/LiveriesScanned.xml"
show "scan log" "$prog/output/info/AirportsScanLog.txt"
show "learned" "$prog/airports/learned/stock/KLAX.xml"
echo "  stand-ins:  $run/simstandin.log, $run/trafficstandin.log, $run/updatestandin.log"
