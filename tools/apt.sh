# Debian packages for the scripts that install what they need; sourced.
#
#   as_root COMMAND...   runs the command as root (through sudo when not root)
#   apt_get ARGS...      apt-get as root, waiting for another install's lock
#                        instead of failing
#   install_missing [--no-install-recommends] PACKAGE...
#                        installs those of the packages not installed yet

as_root() {
  if [[ $(id -u) -ne 0 ]]; then
    sudo "$@"
  else
    "$@"
  fi
}

apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"
}

install_missing() {
  local options=() missing=() p
  if [[ ${1:-} == --no-install-recommends ]]; then
    options=("$1")
    shift
  fi
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  ((${#missing[@]} > 0)) || return 0
  echo "Installing: ${missing[*]}"
  apt_get update -qq
  apt_get install -y -qq "${options[@]}" "${missing[@]}" >/dev/null
}
