# Sourced by ./run and ./test: installs the Debian packages the build needs, and
# only those that are missing, so that a machine that has them stays quiet.

corvane_packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core fonts-liberation poppler-utils fonts-wqy-microhei scdoc cmark-gfm groff-base)
# What the install check of ./test needs besides: the Debian package tools (dpkg-shlibdeps,
# lintian) and the desktop entry and AppStream validators.
corvane_check_packages=(dpkg-dev lintian desktop-file-utils appstream)

corvane_install_missing() {
  local missing=()
  local package
  for package in "${corvane_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >/dev/null
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds a tree; extra arguments go to cmake.
corvane_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null || return 1
  fi
  local output status
  output=$(cmake --build "$dir" 2>&1)
  status=$?
  [ $status -eq 0 ] || printf '%s\n' "$output"
  return $status
}
