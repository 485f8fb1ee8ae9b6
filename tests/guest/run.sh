#!/usr/bin/env bash
# run.sh [--timeout SECONDS] [--scratch SIZE] [--image DIR [--writable]] COMMAND [ARGUMENT...]
#
# Boots the Debian 12 guest of image.sh under qemu-system-x86_64, runs
# COMMAND there as root in the folder this was started from, copies its
# output here as it comes and ends with its status. The source tree (this
# script's ../..) is shared with the guest over 9p at the same path, so
# that paths in the build trees hold in both; a second share, a temporary
# folder, carries the command in and its status out.
#
# --scratch gives the guest a disk of its own, /dev/vdb: an empty ext4 file
# system of SIZE (as truncate reads it), for files too large or too many to
# go through the 9p share quickly. It is a sparse file in the temporary
# folder, where blocks of zeros take no room, and goes at the end.
#
# A guest that reports no status (it did not boot, or the time limit, 600 s
# unless told, ended it) is an environment failure: said so, with the end of
# the guest's console, and status 125, never a pass.
#
# The root disk is the cached image, with the guest's writes thrown away at
# the end; --image boots the image in DIR instead, --writable keeps its
# writes (image.sh uses both to make the Wine prefix).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
timeout=600
scratch=
image=
writable=
while (($#)); do
  case $1 in
    --timeout) timeout=$2; shift 2 ;;
    --scratch) scratch=$2; shift 2 ;;
    --image) image=$2; shift 2 ;;
    --writable) writable=1; shift ;;
    *) break ;;
  esac
done
(($#)) || { echo "usage: $0 [--timeout SECONDS] [--scratch SIZE] [--image DIR [--writable]] COMMAND [ARGUMENT...]" >&2; exit 2; }
if [[ -z $image ]]; then
  image=$("$here/image.sh")
fi

directory=$PWD
case $directory/ in
  "$tree"/*) ;;
  *) directory=$tree ;;
esac

control=$(mktemp -d "${TMPDIR:-/tmp}/vimbrel-guest.XXXXXX")
trap 'rm -rf "$control"' EXIT
printf '%s\n' "$tree" >"$control/tree"
printf '%s\n' "$directory" >"$control/directory"
printf '%q ' "$@" >"$control/command"
echo >>"$control/command"

# KVM only where the processor itself virtualises: a /dev/kvm without
# kvm_intel or kvm_amd behind it (a nested, emulated one) is slower than
# QEMU's own translation. With that translation (TCG), QEMU 7.2 needs SMAP
# off: with it on, the IRET of Wine's 32-bit code faults in the guest kernel.
if [[ -d /sys/module/kvm_intel || -d /sys/module/kvm_amd ]] && [[ -w /dev/kvm ]]; then
  machine=(-accel kvm -cpu host)
else
  machine=(-accel tcg,thread=multi -cpu max,-smap)
fi
if [[ -n $writable ]]; then
  disk=file=$image/disk.img,format=raw,if=virtio,cache=unsafe
else
  disk=file=$image/disk.img,format=raw,if=virtio,snapshot=on
fi

drives=(-drive "$disk")
if [[ -n $scratch ]]; then
  # Zeros the guest writes become holes here (detect-zeroes), so that a
  # join of sparse movies takes no room on the host's disk.
  truncate -s "$scratch" "$control/scratch.img"
  PATH=$PATH:/usr/sbin:/sbin mkfs.ext4 -q -m 0 -E lazy_itable_init=1,nodiscard "$control/scratch.img"
  drives+=(-drive "file=$control/scratch.img,format=raw,if=virtio,cache=unsafe,discard=unmap,detect-zeroes=unmap")
fi

status=0
timeout --kill-after=10 "$timeout" qemu-system-x86_64 \
  "${machine[@]}" -smp 2 -m 2048 -nographic -no-reboot -monitor none \
  -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
  -append "root=/dev/vda rw console=ttyS0 init=/sbin/vimbrel-init quiet panic=1" \
  "${drives[@]}" \
  -virtfs "local,path=$control,mount_tag=control,security_model=none" \
  -virtfs "local,path=$tree,mount_tag=tree,security_model=none" \
  -nic none \
  -serial "file:$control/console.log" \
  -chardev stdio,id=output,signal=off -serial chardev:output \
  </dev/null || status=$?

if [[ ! -f $control/status ]]; then
  {
    if ((status == 124)); then
      echo "guest: ENVIRONMENT FAILURE: no status from the guest within the ${timeout} s limit; the command did not finish."
    else
      echo "guest: ENVIRONMENT FAILURE: the guest ended (qemu status $status) without reporting the command's status."
    fi
    echo "guest: the end of its console:"
    tail -n 40 "$control/console.log" 2>/dev/null || true
  } >&2
  exit 125
fi
exit "$(cat "$control/status")"
