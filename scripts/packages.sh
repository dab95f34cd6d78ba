# Sourced by every script that builds: installs the Debian packages a step needs, only those
# that are missing, so that a second run starts at once.
#
#   ensure_packages cmake g++ wine ...

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  local sudo=()
  if ((EUID != 0)); then
    sudo=(sudo)
  fi
  echo "== Installing ${missing[*]}"
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q \
    "${missing[@]}"
}

# What each part of the build needs.
NATIVE_PACKAGES=(cmake make g++ libgtest-dev libgmock-dev googletest libbenchmark-dev
  pkg-config libpugixml-dev libzip-dev zip unzip)
# MuseScore 3 engraves the pictures of `motifgraft apply --pictures` and proves, in the test
# label `musescore`, that a real notation program opens every rewritten score.
MUSESCORE_PACKAGES=(musescore3)
CROSS_PACKAGES=(cmake make g++-mingw-w64-x86-64 wine wine64)
# The page: Debian's emscripten compiles the core to WebAssembly (its optimizer needs acorn
# from node-acorn), dpkg-dev unpacks the C libraries' Debian sources for it, Chromium runs the
# browser tests and the demo's screenshot. Node and npm come with the machine's nodejs.
WEB_PACKAGES=(cmake make emscripten node-acorn dpkg-dev chromium nodejs)
# The fuzz preset: clang and its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang clang-14 libclang-rt-14-dev)
# scripts/coverage reports with gcovr.
COVERAGE_PACKAGES=(gcovr python3)
