#!/usr/bin/env bash
# Formats the C++ sources with clang-format (.clang-format); with --check it
# changes nothing and fails when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run -Werror "${files[@]}"
  echo "format: ${#files[@]} files formatted"
else
  clang-format -i "${files[@]}"
fi
