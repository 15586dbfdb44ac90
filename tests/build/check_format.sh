#!/bin/bash
# Every C++ file of the tree is laid out as .clang-format says; names the files that are not.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
bad=0
while IFS= read -r f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || { echo "not formatted: $f (clang-format -i $f)"; bad=1; }
done < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/build/upward_tree/')
[ "$bad" -eq 0 ] && echo "format: every file as .clang-format lays it out"
exit "$bad"
