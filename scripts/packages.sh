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
# pugixml is compiled from Debian's source (ensure_native_sources), which dpkg-dev unpacks.
NATIVE_PACKAGES=(cmake make g++ libgtest-dev libgmock-dev googletest libbenchmark-dev
  pkg-config dpkg-dev libzip-dev zip unzip)
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

# Debian's sources of the C++ libraries compiled with the project, unpacked (patches applied)
# into build/deps/src once. pugixml is built from source in every build so that it can run in its
# compact mode: a parsed score then takes about a quarter of the memory.
debian_sources_folder() {
  echo "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/deps/src"
}

ensure_source_entries() {
  if apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx 'Sources'; then
    return 0
  fi
  echo "== Adding a deb-src entry for Debian bookworm (apt-get source)"
  local sudo=()
  ((EUID == 0)) || sudo=(sudo)
  printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
    'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
    "${sudo[@]}" tee /etc/apt/sources.list.d/motifgraft-deb-src.sources >/dev/null
  "${sudo[@]}" apt-get update -q
}

# Unpacks Debian's source of PACKAGE once; prints its folder.
debian_source() {
  local package=$1 sources folder
  sources=$(debian_sources_folder)
  folder=$(find "$sources" -maxdepth 1 -type d -name "$package-*" 2>/dev/null | head -1)
  if [[ -z $folder ]]; then
    ensure_source_entries >&2
    mkdir -p "$sources"
    (cd "$sources" && apt-get source -q "$package" >&2)
    folder=$(find "$sources" -maxdepth 1 -type d -name "$package-*" | head -1)
  fi
  [[ -n $folder ]] && echo "$folder"
}

# What every build that compiles the MusicXML tool needs besides packages.
ensure_native_sources() {
  debian_source pugixml >/dev/null
}
