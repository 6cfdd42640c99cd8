# Sourced by the scripts: configures a build tree once, then only builds it.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_root="$root/build"

configure_once() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@"
  fi
}

build_windows() {
  configure_once "$build_root/windows" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"
  cmake --build "$build_root/windows"
}

build_linux() {
  configure_once "$build_root/linux" -DCMAKE_BUILD_TYPE=Release \
    -DSTROBE95_WINDOWS_BUILD_DIR="$build_root/windows"
  cmake --build "$build_root/linux"
}

build_sanitized() {
  configure_once "$build_root/sanitize" -DCMAKE_BUILD_TYPE=Debug -DSTROBE95_SANITIZE=ON
  cmake --build "$build_root/sanitize"
}
