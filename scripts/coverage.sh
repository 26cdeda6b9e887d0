#!/usr/bin/env bash
# Line and branch coverage of the product code by the test suite: builds with --coverage in build-coverage/,
# runs the whole suite there, and prints the coverage of each folder of src/ and of sim/, then the product
# files under 70 % of their lines. The lcov data stays in build-coverage/coverage.info (genhtml makes pages).
#   scripts/coverage.sh [JOBS]      (default: the number of cores)
# Branches are those gcc counts, without the ones only an exception takes.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${1:-$(nproc)}
dir=build-coverage

scripts/setup.sh
if ! dpkg-query -W -f='${Status}' lcov 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: lcov"
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends lcov >/dev/null
fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
      -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$dir" -j"$jobs"

rc=(--rc lcov_branch_coverage=1 --rc geninfo_no_exception_branch=1)
lcov "${rc[@]}" --quiet --zerocounters --directory "$dir"
# An instrumented program that cannot write its counts says so on standard error, where tests compare what
# the programs print. One test runs the client as the user nobody (a port only root may open): the folders of
# the counts are open to all, and the tests run with umask 0, so that it can write them too. Another runs the
# client under a file size limit of 300 bytes, where its count files would be cut off and spoil everyone's
# counts: that test runs on its own, its counts written to a folder thrown away and libgcov's complaints to a
# file.
limited='^CliProgram.EveryFileTargetIsWrittenThroughOrLeftAsItWas$'
find "$dir" -name '*.gcno' -printf '%h\n' | sort -u | xargs -r chmod a+rwx
export GCOV_ERROR_FILE=$PWD/$dir/gcov-errors.log
: >"$GCOV_ERROR_FILE"
chmod 666 "$GCOV_ERROR_FILE"
export QT_QPA_PLATFORM=offscreen
status=0
(cd "$dir" && umask 000 && ctest -j"$jobs" --output-on-failure -E "$limited") || status=$?
(cd "$dir" && GCOV_PREFIX=$PWD/discarded-counts ctest --output-on-failure -R "$limited") || status=$?
rm -rf "$dir/discarded-counts"

lcov "${rc[@]}" --quiet --capture --directory "$dir" --output-file "$dir/all.info"
lcov "${rc[@]}" --quiet --extract "$dir/all.info" "$PWD/src/*" "$PWD/sim/*" --output-file "$dir/coverage.info"

# One line per product file from the lcov records: folder, file, lines found and hit, branches found and hit.
files=$(awk -v root="$PWD/" '
  /^SF:/ { file = substr($0, 4); sub("^" root, "", file); lf = lh = brf = brh = 0 }
  /^LF:/ { lf = substr($0, 4) } /^LH:/ { lh = substr($0, 4) }
  /^BRF:/ { brf = substr($0, 5) } /^BRH:/ { brh = substr($0, 5) }
  /^end_of_record/ {
    n = split(file, part, "/")
    print (part[1] == "src" && n > 2 ? part[1] "/" part[2] : part[1]), file, lf, lh, brf, brh
  }' "$dir/coverage.info" | sort)
percent='function pct(hit, found) { return found ? sprintf("%5.1f %%", 100 * hit / found) : "    -  " }'
echo
awk "$percent"'
  BEGIN { printf "%-14s %18s %18s\n", "folder", "lines", "branches" }
  function row(name) { printf "%-14s %8s of %6d %8s of %6d\n", name, pct(lh, lf), lf, pct(bh, bf), bf }
  $1 != folder { if (folder != "") row(folder); folder = $1; lf = lh = bf = bh = 0 }
  { lf += $3; lh += $4; bf += $5; bh += $6; tlf += $3; tlh += $4; tbf += $5; tbh += $6 }
  END { row(folder); lf = tlf; lh = tlh; bf = tbf; bh = tbh; row("all") }' <<<"$files"
echo
echo "product files under 70 % of their lines:"
awk "$percent"'$3 && $4 / $3 < 0.7 { printf "  %-36s %s (%d of %d lines)\n", $2, pct($4, $3), $4, $3; n++ }
  END { if (!n) print "  none" }' <<<"$files"
exit $status
