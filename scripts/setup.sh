#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev
  # Vector code chosen at run time for the CPU (the renderer's blits).
  libhwy-dev
  zlib1g-dev libpng-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  # Sound: MIDI clips are rendered with a General MIDI soundfont.
  libfluidsynth-dev timgm6mb-soundfont
  # Connections, and the local test server that the connection tests start.
  libcurl4-openssl-dev libssl-dev ca-certificates python3
  # The fuzz targets: clang 14 and its libFuzzer runtime.
  clang libclang-rt-14-dev
)
if [[ "${1:-}" == "--with-java" ]]; then
  # Only the benchmark comparison script needs a JVM.
  packages+=(openjdk-17-jdk-headless)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
