#!/usr/bin/env bash
# The shipped binaries carry the hardening the system's loader can use:
#   hardening.sh linux <DormixL>
#   hardening.sh win32 <DormixL.exe> <DormixL-setup.exe> [<DormixWatch.exe> <DormixSetup.dll>...]
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

case $1 in
linux)
  bin=$2
  readelf -lW "$bin" | grep -q GNU_RELRO || fail "no RELRO segment"
  readelf -dW "$bin" | grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' || fail "not bound at load (-z now)"
  readelf -hW "$bin" | grep -q 'DYN (Position-Independent Executable' || fail "not position-independent"
  syms=$(readelf --dyn-syms -W "$bin")
  grep -q '__stack_chk_fail' <<<"$syms" || fail "no stack protector"
  grep -Eq '__[a-z0-9_]+_chk(@|$| )' <<<"$(grep -v __stack_chk_fail <<<"$syms")" || fail "no fortified calls"
  readelf -lW "$bin" | grep -A1 GNU_STACK | grep -q ' RW ' || fail "executable stack"
  ;;
win32)
  /usr/bin/python3 - "${@:2}" <<'PY'
import sys
import pefile

DYNAMIC_BASE, NX_COMPAT, RELOCS_STRIPPED = 0x0040, 0x0100, 0x0001
bad = []
images = [(sys.argv[1], True), (sys.argv[2], False)] + [(p, True) for p in sys.argv[3:]]
for path, need_relocations in images:
    pe = pefile.PE(path, fast_load=True)
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    if not flags & DYNAMIC_BASE:
        bad.append(f"{path}: no DYNAMIC_BASE")
    if not flags & NX_COMPAT:
        bad.append(f"{path}: no NX_COMPAT")
    # Without relocations Windows loads the image at its fixed base, and
    # DYNAMIC_BASE is a promise it cannot keep. The installer is not held to
    # it: NSIS links its stubs without relocations, since makensis rewrites
    # the stub's sections and cannot keep a .reloc table valid.
    if need_relocations and (pe.FILE_HEADER.Characteristics & RELOCS_STRIPPED or
                             not pe.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size):
        bad.append(f"{path}: relocations stripped")
if bad:
    sys.exit("FAIL: " + "; ".join(bad))
PY
  ;;
*) fail "usage: hardening.sh linux|win32 ..." ;;
esac
echo "hardening $1: ok"
