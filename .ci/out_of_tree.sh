#!/usr/bin/env bash
# A model project outside the Quorl tree, built both ways a user builds one:
# against an installed Quorl (find_package) and against Quorl's source tree
# (add_subdirectory), the second with flags that would break the quad
# arithmetic if they reached it (-march=native -O3 -ffast-math). Both runs
# must give the same values, bit for bit, and the reference's digits.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The package is installed from a build directory of Quorl (the first
# argument, built already; otherwise a build of the engine alone).
build="${1:-}"
if [ -z "$build" ]; then
  build="$work/quorl-build"
  cmake -S "$repo" -B "$build" -G Ninja -DQUORL_TESTS=OFF -DQUORL_SAMPLE=OFF -DQUORL_EXAMPLES=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target quorl_engine >/dev/null
fi
cmake --install "$build" --prefix "$work/prefix" >/dev/null

cp -r "$repo/examples/exp_decay" "$work/model"

cmake -S "$work/model" -B "$work/installed" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/installed" >/dev/null
# Configured as the README says, without a build type: still optimised.
# (The commands are taken whole first: grep -q would stop reading at the
# first match, and under pipefail ninja's broken pipe would fail the test.)
commands="$(ninja -C "$work/installed" -t commands exp_decay)"
if ! grep -q -- ' -O2 ' <<<"$commands"; then
  echo "out-of-tree build without a build type: the model is not optimised"
  exit 1
fi

cmake -S "$work/model" -B "$work/subdir" -G Ninja -DQUORL_SOURCE_DIR="$repo" \
  -DCMAKE_CXX_FLAGS="-march=native -O3 -ffast-math" >/dev/null
cmake --build "$work/subdir" >/dev/null

values() {  # the value lines of Quorl-params.txt
  sed -n '2,4p' "$1/Quorl-params.txt"
}
for way in installed subdir; do
  (cd "$work/$way" && ./exp_decay </dev/null >console.txt 2>&1) || {
    echo "out-of-tree build ($way): the run failed"; cat "$work/$way/console.txt"; exit 1; }
  # a, b and c against the reference (tools/reference/exp_decay_reference.py):
  # the 16 digits a fit with one-sided partials resolves.
  grep -q "0.5001411988202457" <(values "$work/$way") &&
    grep -q "0.7937964559912823" <(values "$work/$way") &&
    grep -q "0.1191795956209724" <(values "$work/$way") || {
      echo "out-of-tree build ($way): values differ from the reference"; values "$work/$way"; exit 1; }
done
if ! diff <(values "$work/installed") <(values "$work/subdir"); then
  echo "out-of-tree builds: the two ways give different values"
  exit 1
fi
echo "out-of-tree model: installed package and add_subdirectory agree with the reference"
