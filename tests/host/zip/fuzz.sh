#!/usr/bin/env bash
# Builds the archive and journal readers' fuzzer with clang and runs it for a bounded time
# from the committed seed corpus (copied, so that the run's findings do not
# grow the repository).   tests/host/zip/fuzz.sh [seconds, default 60]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
seconds=${1:-60}
out=${QB_BUILD:-$root/build}/fuzz
mkdir -p "$out"
clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=all -I"$root" \
  "$here/fuzz_zip_reader.cpp" "$root/tools/sfx/zip_reader.cpp" "$root/tools/sfx/zip_check.cpp" \
  "$root/tools/sfx/same_names.cpp" "$root/tools/sfx/heap_sort.cpp" \
  "$root/tools/sfx/pe_overlay.cpp" "$root/common/pe_signing.cpp" "$root/tools/sfx/unpack_journal.cpp" \
  "$root/common/text.cpp" -lz -o "$out/zip_reader_fuzzer"
rm -rf "$out/corpus" && mkdir -p "$out/corpus" && cp "$here"/corpus/* "$out/corpus/"
cd "$out"
# The largest journal an unpack writes, 65,535 records of long names, read
# once: the figure shows that reading it takes time in proportion to its size.
python3 - "$out/journal-65535" <<'EOF'
import sys
lines = ["quillbar unpack journal 1\n"]
for slot in range(65535):
    lines.append("aside %d %s\n" % (slot, ("f%d-" % slot).ljust(250, "x")))
lines.append("planned\n")
open(sys.argv[1], "w").write("".join(lines))
EOF
./zip_reader_fuzzer "$out/journal-65535" >"$out/journal-65535.log" 2>&1 ||
  { tail -n 20 "$out/journal-65535.log"; exit 1; }
echo "journal of 65,535 records ($(stat -c %s "$out/journal-65535") bytes):" \
  "$(grep -o 'in [0-9]* ms' "$out/journal-65535.log")"
./zip_reader_fuzzer -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  corpus >"$out/fuzz.log" 2>&1 || { tail -n 60 "$out/fuzz.log"; exit 1; }
grep -E '^(Done|stat::number_of_executed_units)' "$out/fuzz.log" || tail -n 3 "$out/fuzz.log"
echo "zip reader fuzzing: no failure in ${seconds} s"
