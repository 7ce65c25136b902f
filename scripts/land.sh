#!/usr/bin/env bash
# Lands a work branch on main: rebases it on main, builds it, runs the whole suite (the
# normal build), and only then fast-forwards main to it. One landing at a time.
#   scripts/land.sh          from a worktree whose branch is not main, with nothing uncommitted
set -euo pipefail
cd "$(git rev-parse --show-toplevel)"
branch=$(git rev-parse --abbrev-ref HEAD)
[ "$branch" != main ] || { echo "land.sh: run it on a work branch, not on main"; exit 2; }
[ -z "$(git status --porcelain --untracked-files=normal)" ] ||
  { echo "land.sh: commit your changes first (git status)"; exit 2; }
main_dir=$(git worktree list --porcelain |
  awk '/^worktree /{w=substr($0, 10)} /^branch refs\/heads\/main$/{print w}')
[ -n "$main_dir" ] || { echo "land.sh: no worktree has main checked out"; exit 2; }

exec 9>"$(git rev-parse --git-common-dir)/land.lock"
echo "land.sh: waiting for other landings ..."
flock 9

if ! git rebase main; then
  git rebase --abort || true
  echo "land.sh: the rebase on main has conflicts: run 'git rebase main', resolve them, land again"
  exit 1
fi
jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --timeout 300 --label-exclude fuzz --output-on-failure
git -C "$main_dir" merge --ff-only "$branch"
echo "land.sh: main is now $(git rev-parse --short HEAD)"
