#!/usr/bin/env bash
# The 32-bit runner: Debian's i386 Wine unpacked into a private folder (never installed,
# which would break wine for 64-bit programs) with its loader run by qemu-user, since
# this machine's kernel cannot run 32-bit Linux programs.
#   wine32-runner.sh prepare DIR   downloads and unpacks into DIR and makes a template
#                                  prefix; quick when DIR is ready
#   wine32-runner.sh check DIR     says what is missing, exits 1 if anything is
# DIR/wine is then the wine command for 32-bit and 64-bit programs alike.
set -euo pipefail

usage() { echo "usage: wine32-runner.sh prepare|check DIR" >&2; exit 2; }
[ $# = 2 ] || usage
cmd=$1
[ "$cmd" = prepare ] && mkdir -p "$2"
dir=$(cd "$2" 2>/dev/null && pwd) || dir=$2
root=$dir/root
qemu=$dir/qemu/usr/bin/qemu-i386
wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)

# The i386 libraries Wine's 32-bit loader and its X11 driver open.
i386_libraries=(
  libc6 libgcc-s1 zlib1g libbrotli1 libbsd0 libexpat1 libfontconfig1 libfreetype6 libmd0
  libpng16-16 libx11-6 libxau6 libxcb1 libxcomposite1 libxcursor1 libxdmcp6 libxext6
  libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxxf86vm1
)

# Lists what a ready DIR lacks, one line each.
MissingParts() {
  [ -n "$wine_version" ] || echo "the 64-bit Wine (package wine64) is not installed"
  [ -x "$root/usr/lib/wine/wine" ] || echo "the i386 Wine loader ($root/usr/lib/wine/wine)"
  [ -e "$root/usr/lib/i386-linux-gnu/libX11.so.6" ] || echo "the i386 libraries ($root/usr/lib/i386-linux-gnu)"
  [ -x "$qemu" ] || echo "qemu-user 10 ($qemu)"
  [ -x "$root/usr/lib/wine/wine64" ] || echo "the wine command ($root/usr/lib/wine/wine64)"
  [ -d "$dir/prefix/drive_c/windows/syswow64" ] || echo "the template prefix ($dir/prefix)"
  [ "$(cat "$dir/ready" 2>/dev/null)" = "$wine_version" ] ||
    echo "a completed preparation for Wine $wine_version ($dir/ready)"
}

# apt with a private configuration: the machine's own Debian archive plus its backports
# suite, both architectures, and nothing of the machine's apt state touched.
apt_options=()
ConfigurePrivateApt() {
  local apt=$dir/apt suite uri
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  rm -f "$apt/sources.list.d/"*
  cp /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list "$apt/sources.list.d/" 2>/dev/null || true
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$apt/sources.list" || : > "$apt/sources.list"
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  uri=$( (sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null;
          awk '$1=="deb" {print $2}' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true) |
        grep -v security | head -1 || true)
  [ -n "$uri" ] || { echo "wine32-runner: no Debian archive in the apt sources" >&2; return 1; }
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite-backports main" \
    > "$apt/sources.list.d/private-backports.list"
  apt_options=(
    -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o "APT::Architectures::=amd64" -o "APT::Architectures::=i386"
    -o "Acquire::Languages=none" -o "APT::Sandbox::User=root" -qq
  )
  apt-get "${apt_options[@]}" update >/dev/null
}

# Unpacks, never installs.
UnpackWine() {
  local debs=$dir/debs
  rm -rf "$debs" "$root"; mkdir -p "$debs" "$root"
  (cd "$debs" &&
   apt-get "${apt_options[@]}" download "wine32:i386=$wine_version" "libwine:i386=$wine_version" \
     libz-mingw-w64 "${i386_libraries[@]/%/:i386}") >/dev/null
  for deb in "$debs"/*_i386.deb; do dpkg-deb -x "$deb" "$root"; done
  # The 32-bit user32 imports zlib1.dll.
  dpkg-deb --fsys-tarfile "$debs"/libz-mingw-w64_*.deb |
    tar -xO ./usr/i686-w64-mingw32/lib/zlib1.dll > "$root/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll"
  # A merged /usr, so that the paths of the machine's loader cache resolve inside the root.
  if [ -d "$root/lib" ] && [ ! -L "$root/lib" ]; then
    cp -a "$root/lib/." "$root/usr/lib/" && rm -rf "$root/lib" && ln -s usr/lib "$root/lib"
  fi
  rm -rf "$debs"
}

# Bookworm's qemu 7.2 fails with "failed to map the shared user data"; 10 works.
UnpackQemu() {
  local debs=$dir/debs suite
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  rm -rf "$debs" "$dir/qemu"; mkdir -p "$debs"
  (cd "$debs" && apt-get "${apt_options[@]}" download "qemu-user/$suite-backports") >/dev/null
  mkdir -p "$dir/qemu"
  dpkg-deb --fsys-tarfile "$debs"/qemu-user_*_amd64.deb | tar -x -C "$dir/qemu" ./usr/bin/qemu-i386
  rm -rf "$debs"
  "$qemu" --version | grep -q 'version \(1[0-9]\|[2-9][0-9]\)\.' ||
    { echo "wine32-runner: $qemu is older than 10" >&2; return 1; }
}

# Wine starts its 32-bit loader as "<bindir>/wine-preloader <bindir>/wine ARGS", bindir
# being the real folder of the running wine64: a copy of it in the root's bin folder,
# and a preloader there that hands the loader to qemu. One 64-bit wineserver serves both.
Glue() {
  local bin=$root/usr/lib/wine
  printf '#!/bin/sh\nexec "%s" -L "%s" "$@"\n' "$qemu" "$root" > "$bin/wine-preloader"
  chmod +x "$bin/wine-preloader"
  cp /usr/lib/wine/wine64 "$bin/wine64"
  ln -sfn /usr/lib/wine/wineserver64 "$bin/wineserver"
  mkdir -p "$root/usr/lib/x86_64-linux-gnu"
  ln -sfn /usr/lib/x86_64-linux-gnu/wine "$root/usr/lib/x86_64-linux-gnu/wine"
  printf '#!/bin/sh\nexport WINEDLLPATH="%s"\nexec "%s" "$@"\n' \
    "$root/usr/lib/i386-linux-gnu/wine" "$bin/wine64" > "$dir/wine"
  chmod +x "$dir/wine"
}

# The 64-bit prefix with the i386 builtins in syswow64; the 32-bit rundll32 then does the
# WoW64 part of its set-up. Test runs start from copies of it.
MakePrefix() {
  local display
  export WINEPREFIX=$dir/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset WINELOADER WINESERVER
  rm -rf "$WINEPREFIX"
  DISPLAY=$(StartDisplay); export DISPLAY
  trap 'kill $(cat "$dir/xvfb.pid") 2>/dev/null; rm -f "$dir/xvfb.pid"' EXIT
  "$dir/wine" wineboot --init >/dev/null 2>&1 && "$root/usr/lib/wine/wineserver" -w
  mkdir -p "$WINEPREFIX/drive_c/windows/syswow64"
  cp -n "$root/usr/lib/i386-linux-gnu/wine/i386-windows/"* "$WINEPREFIX/drive_c/windows/syswow64/"
  "$dir/wine" wineboot -u >/dev/null 2>&1 && "$root/usr/lib/wine/wineserver" -w
  [ -f "$WINEPREFIX/drive_c/windows/syswow64/rundll32.exe" ] ||
    { echo "wine32-runner: the prefix was not created" >&2; return 1; }
}

StartDisplay() {
  local n
  for n in $(seq 150 199); do
    [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$dir/xvfb.pid"
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && { echo ":$n"; return 0; }
      kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "wine32-runner: no display could be started" >&2; return 1
}

Prepare() {
  [ -n "$wine_version" ] || { echo "wine32-runner: the 64-bit Wine (wine64) is not installed" >&2; return 1; }
  [ -z "$(MissingParts)" ] && return 0
  echo "wine32-runner: preparing the 32-bit runner in $dir"
  rm -f "$dir/ready"
  ConfigurePrivateApt
  [ -x "$root/usr/lib/wine/wine" ] && [ -e "$root/usr/lib/i386-linux-gnu/libX11.so.6" ] &&
    [ "$(cat "$dir/wine.version" 2>/dev/null)" = "$wine_version" ] || UnpackWine
  echo "$wine_version" > "$dir/wine.version"
  [ -x "$qemu" ] || UnpackQemu
  Glue
  MakePrefix
  echo "$wine_version" > "$dir/ready"
}

case $cmd in
prepare)
  # In a subshell of its own, so that the first failing step ends it.
  set +e; (set -eE; trap 'echo "wine32-runner: failed: $BASH_COMMAND" >&2' ERR; Prepare); rc=$?; set -e
  [ $rc = 0 ] || { echo "wine32-runner: preparing $dir failed; missing:" >&2; MissingParts | sed 's/^/  /' >&2; exit 1; }
  ;;
check)
  missing=$(MissingParts)
  [ -z "$missing" ] && exit 0
  echo "wine32-runner: the 32-bit runner in $dir is not ready; missing:" >&2
  echo "$missing" | sed 's/^/  /' >&2
  echo "  (scripts/bootstrap.sh prepares it)" >&2
  exit 1
  ;;
*) usage ;;
esac
