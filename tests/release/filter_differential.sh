#!/bin/bash
# The packaged i686 ordwell-sort.exe against the x86_64 build of the same
# sources, byte for byte, on texts that take each of its ways to sort: the
# locale order (keyed), descending, the numeric locale order over 100 KB
# (where single characters are ranked by a table), full-width digits, a
# column window, and duplicates removed ignoring case and kana. Run inside
# tools/with-wine.sh with a prefix that runs both builds.
# Usage: tests/release/filter_differential.sh I686_EXE X86_64_EXE WORK_DIR
set -uo pipefail
i686=$1 x86_64=$2 work=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
state=$("$root/tools/host.sh" i386)
loader32=$("$root/tools/host.sh" get loader_win32 "$state")
loader64=$("$root/tools/host.sh" get loader_win64 "$state")
mkdir -p "$work"
rm -f "$work/small.txt" "$work/large.txt"

# Code page 932 with CR LF: Japanese in both kana, full- and half-width
# digits, English in both cases, equal lines in other spellings.
python3 - "$work" <<'EOF'
import random, sys
random.seed(932)
words = ["みかん", "ミカン", "いちご", "イチゴ", "りんご", "Apple", "apple", "APPLE", "banana",
         "Banana", "東京", "大阪", "ｶﾀｶﾅ", "カタカナ", "かたかな", "zebra", "Zebra", "表示", "ソート"]
digits = "0123456789"
wide = "０１２３４５６７８９"
def number():
    n = str(random.randint(0, 99999))
    return "".join(wide[int(c)] for c in n) if random.random() < 0.3 else n
def line():
    parts = [random.choice(words), number(), random.choice(words)]
    random.shuffle(parts)
    return " ".join(parts)
small = [line() for _ in range(400)] + [random.choice(words) for _ in range(100)]
large = []
while sum(len(l.encode("cp932")) + 2 for l in large) < 150_000:
    large.append(line())
for name, lines in (("small", small), ("large", large)):
    with open(f"{sys.argv[1]}/{name}.txt", "wb") as f:
        f.write(b"".join(l.encode("cp932") + b"\r\n" for l in lines))
EOF
[ -s "$work/small.txt" ] && [ -s "$work/large.txt" ] || { echo "FAILED   filter differential: the texts were not made"; exit 1; }

# text | switches
cases=(
  "small|/A"
  "small|/N"
  "large|/A /N"
  "large|/A /N /Z"
  "small|/A /C /F:3 /W:6"
  "small|/A /R"
  "small|/R /T"
)
failed=0
for row in "${cases[@]}"; do
  text=${row%%|*} switches=${row#*|}
  # shellcheck disable=SC2086 # the switches are words
  WINELOADER=$loader32 "$loader32" "$i686" $switches <"$work/$text.txt" >"$work/i686.out" 2>"$work/i686.err"
  rc32=$?
  # shellcheck disable=SC2086
  WINELOADER=$loader64 "$loader64" "$x86_64" $switches <"$work/$text.txt" >"$work/x86_64.out" 2>"$work/x86_64.err"
  rc64=$?
  bytes=$(stat -c %s "$work/i686.out")
  if [ $rc32 -ne 0 ] || [ $rc64 -ne 0 ] || [ "$bytes" -eq 0 ] || ! cmp -s "$work/i686.out" "$work/x86_64.out"; then
    echo "FAILED   i686 ordwell-sort $switches on $text.txt: exit $rc32 (x86_64: $rc64), $bytes bytes, $(cmp "$work/i686.out" "$work/x86_64.out" 2>&1 | head -n 1)"
    failed=$((failed + 1))
  else
    echo "PASSED   i686 ordwell-sort $switches on $text.txt: the same $bytes bytes as x86_64"
  fi
done
echo "filter differential: $((${#cases[@]} - failed)) passed, $failed failed"
[ $failed -eq 0 ]
