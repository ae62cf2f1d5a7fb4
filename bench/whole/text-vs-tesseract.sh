#!/usr/bin/env bash
# Reads the accuracy pictures (bench_text --write-pictures) with `pictavo text` and with the
# tesseract program (one OpenMP thread), and counts the values each read exactly; then times both
# on the 1080p settings page and the 5K code screenshot.
# Usage: bench/whole/text-vs-tesseract.sh BUILD_DIR [DIR]
set -euo pipefail
build="${1:?build folder}"
dir="${2:-$(mktemp -d)}"
"$build/bench/bench_text" --write-pictures "$dir" >/dev/null
export OMP_THREAD_LIMIT=1
count() { # OUTPUT_FILE VALUES_FILE -> values found exactly (spaces ignored)
  python3 - "$1" "$2" <<'PY'
import sys
out = "".join(open(sys.argv[1], encoding="utf-8", errors="replace").read().split())
found = missed = 0
for v in open(sys.argv[2], encoding="utf-8").read().splitlines():
    if not v: continue
    if "".join(v.split()) in out: found += 1
    else:
        missed += 1
        print("MISS", sys.argv[2].rsplit("/",1)[-1], repr(v), file=sys.stderr)
print(found, missed)
PY
}
p_found=0; t_found=0; total=0
for values in "$dir"/*.values; do
  png="${values%.values}.png"
  "$build/pictavo" text "$png" > "$dir/p.txt" 2>/dev/null || true
  tesseract "$png" - > "$dir/t.txt" 2>/dev/null || true
  read -r pf pm < <(count "$dir/p.txt" "$values" 2>>"$dir/pictavo-misses.txt")
  read -r tf tm < <(count "$dir/t.txt" "$values" 2>>"$dir/tesseract-misses.txt")
  p_found=$((p_found + pf)); t_found=$((t_found + tf)); total=$((total + pf + pm))
done
echo "values read exactly: pictavo $p_found / $total, tesseract $t_found / $total"
echo "misses: $dir/pictavo-misses.txt $dir/tesseract-misses.txt"
for png in settings-1080.png code-5k.png; do
  for tool in pictavo tesseract; do
    best=999999
    for _ in 1 2 3; do
      start=$(date +%s%N)
      if [ "$tool" = pictavo ]; then "$build/pictavo" text "$dir/$png" >/dev/null 2>&1; else tesseract "$dir/$png" - >/dev/null 2>&1; fi
      ms=$(( ($(date +%s%N) - start) / 1000000 ))
      [ "$ms" -lt "$best" ] && best=$ms
    done
    echo "$png $tool: best of 3 ${best} ms"
  done
done
