#!/usr/bin/env bash
# Benchmarks run by `make bench` after the build. Creates folders of 1,000,
# 5,000 and 20,000 matching files (Japanese and mixed-case names, shuffled
# creation order) under the build folder and times ScanFolder on them under
# Wine; then the formats (bench_formats.py) and the screensaver's start on
# big folders and its end (bench_session.py).
#   bench.sh          the full sizes
#   bench.sh --quick  small folders and one short round of the formats:
#                     `make test` runs it so that the benchmark cannot break
#                     unseen
set -euo pipefail
sizes="1000 5000 20000"
[ "${1:-}" = "--quick" ] && sizes="100 300"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(dirname "${VLM_WINEPREFIX:-$root/build/wineprefix}")"
export VLM_WINEPREFIX="${VLM_WINEPREFIX:-$build/wineprefix}"
exe="$build/bin/bench_scan.exe"
[ -f "$exe" ] || { echo "bench.sh: $exe not built" >&2; exit 1; }

data="$build/bench-data"
args=()
for n in $sizes; do
  folder="$data/scan-$n"
  # The marker sits beside the folder: the folder holds only the media.
  if [ ! -f "$folder.complete" ]; then
    rm -rf "$folder"
    mkdir -p "$folder"
    python3 - "$folder" "$n" <<'PY'
import os, random, sys
folder, n = sys.argv[1], int(sys.argv[2])
rng = random.Random(n)
words = ["動画", "ビデオ", "旅行", "表示", "ソフト", "夏休み", "Clip", "clip", "CLIP", "Movie",
         "movie", "Holiday", "holiday", "Test", "tEST", "Abc", "aBC", "ｱﾆﾒ", "家族", "記録"]
exts = ["avi", "AVI", "mpg", "Mpg", "mpeg", "wmv", "WMV"]
names = set()
while len(names) < n:
    parts = [rng.choice(words) for _ in range(rng.randint(1, 3))]
    name = "_".join(parts) + "_%05d" % rng.randrange(100000) + "." + rng.choice(exts)
    names.add(name)
names = sorted(names)
rng.shuffle(names)
for name in names:
    os.close(os.open(os.path.join(folder, name), os.O_CREAT | os.O_WRONLY, 0o644))
open(folder + ".complete", "w").close()
PY
  fi
  args+=("Z:$(printf '%s' "$folder" | tr '/' '\\')" "$n")
done

# Not through wine-run.sh: that one fails any program without GoogleTest's
# closing summary, and the benchmark is none; its own exit code is the verdict.
source "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh"
wine "$exe" "${args[@]}" | tr -d '\r'
python3 "$root/tests/bench/bench_formats.py" "$build" ${1:+"$1"}
python3 "$root/tests/bench/bench_session.py" "$build" ${1:+"$1"}
