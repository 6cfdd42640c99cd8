# Sourced by the scripts: configures a build tree once, then only builds it.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root="$root/build"
# Paths below the checkout are hashed relative to it, so a second clone (CI's, a
# worktree) reuses what ccache already compiled for the first.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

configure_once() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@"
  fi
}

configure_linux() {
  configure_once "$build_root/linux" -DCMAKE_BUILD_TYPE=Release \
    -DSTROBE95_WINDOWS_BUILD_DIR="$build_root/windows"
}

build_linux() {
  configure_linux
  cmake --build "$build_root/linux"
}

# The Windows tree renders its built-in samples with the Linux tree's generator, which
# can run here; so the Linux tree comes first.
build_windows() {
  local generator="$build_root/linux/native/strobe95_sample_generator"
  configure_linux
  cmake --build "$build_root/linux" --target strobe95_sample_generator
  configure_once "$build_root/windows" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DSTROBE95_HOST_SAMPLE_GENERATOR="$generator"
  # A tree configured before the generator existed learns its path once.
  if ! grep -qx "STROBE95_HOST_SAMPLE_GENERATOR:FILEPATH=$generator" "$build_root/windows/CMakeCache.txt"; then
    cmake -B "$build_root/windows" -DSTROBE95_HOST_SAMPLE_GENERATOR="$generator"
  fi
  cmake --build "$build_root/windows"
}

build_sanitized() {
  configure_once "$build_root/sanitize" -DCMAKE_BUILD_TYPE=Debug -DSTROBE95_SANITIZE=ON
  cmake --build "$build_root/sanitize"
}

# Only the test programs whose tests cross threads; the rest gain nothing from it.
build_thread_sanitized() {
  configure_once "$build_root/tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTROBE95_THREAD_SANITIZE=ON
  cmake --build "$build_root/tsan" --target strobe95_unit_tests strobe95_standalone_tests
}
