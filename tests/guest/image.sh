#!/usr/bin/env bash
# image.sh: makes the disk image of the guest that runs the 32-bit Windows
# program (run.sh boots it), or finds the one made before, and prints the
# folder that holds it: disk.img, vmlinuz and initrd.img.
#
# The image is Debian 12 from the host's own apt sources with the packages of
# packages.txt, amd64 and i386, and init as its first process, in a 6 GiB
# sparse ext4 file (wineboot fills 3 GiB, and a prefix made on a full disk
# loads no 32-bit program). It lives outside the source tree, in
# $VIMBREL_GUEST_CACHE (default: $XDG_CACHE_HOME/vimbrel-guest or
# ~/.cache/vimbrel-guest), under a hash of the package list and of the
# scripts that make it, so that a change to any of them makes a new one; the
# old ones are removed.
#
# The Wine prefix is made once here, by a first boot of the guest: wineboot
# takes a minute, and a prefix needs 32-bit programs run, which the guest can
# and this host may not.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${VIMBREL_GUEST_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vimbrel-guest}
key=$(cat "$here/packages.txt" "$here/image.sh" "$here/init" | sha256sum | cut -c1-16)
image=$cache/$key

mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
if [[ -f $image/ready ]]; then
  echo "$image"
  exit 0
fi

# mmdebstrap makes the tree as root, and the tree goes into the image
# through a bind mount. Made through sudo, the image is given to its user.
if ((EUID != 0)); then
  echo "guest image: making it needs root; run once:" >&2
  echo "  sudo env VIMBREL_GUEST_CACHE='$cache' $0" >&2
  exit 1
fi

# Other keys are images of other scripts: at 2 GB each, they go.
find "$cache" -mindepth 1 -maxdepth 1 -type d -exec rm -rf {} +
work=$image.new
mkdir -p "$work"
echo "guest image: building $image" >&2
started=$SECONDS

sources=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [[ -s $file ]] && sources+=("$file")
done
((${#sources[@]})) || { echo "guest image: the host has no apt sources" >&2; exit 1; }
packages=$(sed 's/#.*//' "$here/packages.txt" | xargs | tr ' ' ,)

# The tree is made in a temporary folder and goes into the file system image
# from there, through a bind mount that leaves out the chroot's /proc, /sys
# and /dev; the kernel and its initial RAM disk are booted from outside.
export VIMBREL_INIT=$here/init VIMBREL_WORK=$work
mmdebstrap --quiet --variant=apt --architectures=amd64,i386 --include="$packages" \
  --customize-hook='install -m 755 "$VIMBREL_INIT" "$1/sbin/vimbrel-init"' \
  --customize-hook='echo guest >"$1/etc/hostname" && echo "127.0.0.1 localhost guest" >"$1/etc/hosts"' \
  --customize-hook='cp "$1"/boot/vmlinuz-* "$VIMBREL_WORK/vmlinuz"' \
  --customize-hook='cp "$1"/boot/initrd.img-* "$VIMBREL_WORK/initrd.img"' \
  --customize-hook='rm -rf "$1"/var/cache/apt/* "$1"/var/lib/apt/lists/* "$1"/usr/share/doc "$1"/usr/share/man' \
  --customize-hook='mkdir "$VIMBREL_WORK/root" && mount --bind "$1" "$VIMBREL_WORK/root"' \
  --customize-hook='truncate -s 6G "$VIMBREL_WORK/disk.img" && mkfs.ext4 -q -L guest -d "$VIMBREL_WORK/root" "$VIMBREL_WORK/disk.img"' \
  --customize-hook='umount "$VIMBREL_WORK/root" && rmdir "$VIMBREL_WORK/root"' \
  bookworm /dev/null "${sources[@]}" >&2
echo "guest image: packages in $((SECONDS - started)) s" >&2

# The prefix, /root/wine-win32, where the windows32 build's tests run
# (cmake/mingw-w64-i686.cmake): Wine's own programs only, without the .NET and
# browser engines that wineboot would offer to download. Then a 32-bit
# program must run in it. Its limit is twice what it took on a busy host:
# 573 s with a load average of 12 on 2 cores.
prefix_started=$SECONDS
"$here/run.sh" --image "$work" --writable --timeout 1200 sh -c '
  set -e
  export WINEDEBUG=-all WINEPREFIX=/root/wine-win32 WINEARCH=win32 WINEDLLOVERRIDES=mscoree,mshtml=
  wine wineboot --init
  wineserver -w
  wine cmd /c echo a 32-bit program runs
  wineserver -w
  df -h /
' >&2
echo "guest image: Wine prefix in $((SECONDS - prefix_started)) s" >&2

touch "$work/ready"
if [[ -n ${SUDO_UID:-} ]]; then
  chown -R "$SUDO_UID:$SUDO_GID" "$cache"
fi
mv "$work" "$image"
echo "guest image: ready in $((SECONDS - started)) s" >&2
echo "$image"
