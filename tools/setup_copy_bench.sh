#!/bin/bash
# Builds a payload of 2,000 files in 40 folders (200 MiB expanded, 30 % of the files
# LZ-compressed with mscompress), the setup information file listing it and a silent
# 64-bit NSIS installer of the same payload, then runs setup_copy_bench under the test Wine.
#
#   tools/setup_copy_bench.sh [BUILD-DIR]     (default build/win64, built beforehand)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/win64}" && pwd)
bench=$build/bench
program=$build/bin/setup_copy_bench.exe
[[ -x $program ]] || { echo "build $program first (cmake --build --preset win64)" >&2; exit 2; }

if [[ ! -f $bench/.ready ]]; then
  rm -rf "$bench"
  mkdir -p "$bench/medium/lan/chs/setup" "$bench/expanded"
  python3 - "$bench" <<'PY'
import os, random, sys
bench = sys.argv[1]
rng = random.Random(5)
folders, per_folder, total = 40, 50, 200 * 1024 * 1024
compressed_size = 16 * 1024
names = [(f"d{f:02d}", f"f{i:02d}.dat", i % 10 < 3) for f in range(folders) for i in range(per_folder)]
plain = [n for n in names if not n[2]]
weights = [rng.uniform(0.05, 1.95) for _ in plain]
budget = total - compressed_size * (len(names) - len(plain))
sizes = [int(budget * w / sum(weights)) for w in weights]
sizes[-1] += budget - sum(sizes)
size_of = dict(zip(plain, sizes))
lines = ["[App]", "DefDir=c:\\bench", "SpaceNeeded=200", "[SrcDirs]"]
lines += [f"{f}=d{f:02d}" for f in range(folders)]
lines += ["[DstDirs]", "100="] + [f"{f}=d{f:02d}" for f in range(folders)]
lines.append("[Files]")
for folder, name, compressed in names:
    number = int(folder[1:])
    for root in ("medium", "expanded"):
        os.makedirs(os.path.join(bench, root, folder), exist_ok=True)
    if compressed:
        text = "".join(f"{folder}/{name} line {k}: the quick brown fox\r\n" for k in range(2000))
        data = text.encode()[:compressed_size]
        source = name[:-1] + "_"
    else:
        data = rng.randbytes(size_of[(folder, name, compressed)])
        source = name
    with open(os.path.join(bench, "expanded", folder, name), "wb") as f:
        f.write(data)
    if not compressed:
        os.link(os.path.join(bench, "expanded", folder, name), os.path.join(bench, "medium", folder, name))
    lines.append(f"{folder}\\{name},{number}:{source},{number}:{name},")
lines.append("[End]")
with open(os.path.join(bench, "medium", "lan", "chs", "setup", "setuphd.inf"), "w", newline="") as f:
    f.write("\r\n".join(lines) + "\r\n")
PY
  # mscompress names its output FILE_; the medium keeps the name "xxx.da_".
  for expanded in "$bench"/expanded/*/f?[0-2].dat; do
    folder=$(basename "$(dirname "$expanded")")
    cp "$expanded" "$bench/medium/$folder/tmp.dat"
    (cd "$bench/medium/$folder" && mscompress tmp.dat && mv tmp.dat_ "$(basename "${expanded%t}")_" && rm tmp.dat)
  done
  cat > "$bench/bench.nsi" <<NSI
Unicode true
Target amd64-unicode
Name "Bench"
OutFile "$bench/bench_nsis.exe"
InstallDir "C:\\bench_nsis"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$bench/expanded/*"
SectionEnd
NSI
  makensis -V1 "$bench/bench.nsi"
  touch "$bench/.ready"
fi

# The setup's fields hold 128 bytes, which a deep build tree's path would not fit: the
# medium is reached through a link in a short scratch folder below /tmp.
short=$(mktemp -d /tmp/kolta-copy-bench-XXXXXXXX)
trap 'rm -rf "$short"' EXIT
ln -s "$bench/medium" "$short/medium"
medium="Z:${short//\//\\}\\medium\\"
installer="Z:${bench//\//\\}\\bench_nsis.exe"
"$here/scripts/wine-run.sh" --root "$build/wine" --name setup_copy_bench \
  "$program" "$medium" 'C:\bench\' "$installer"
