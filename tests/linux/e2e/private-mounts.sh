# Runs the calling scenario again in a mount namespace of its own (a user
# namespace too when not root), where it may mount over the journald's
# folders and /etc/dormix-lite; sourced before lib.sh, whose set-up then
# happens once, inside. Skips where the machine allows no such namespace.
#   in_private_mounts "$0" "$@"
in_private_mounts() {
  [ -n "${DORMIX_PRIVATE_MOUNTS:-}" ] && return 0
  local flags=-m
  [ "$(id -u)" = 0 ] || flags=-Urm
  if ! unshare $flags true 2>/dev/null; then
    echo "SKIP: $SCENARIO: this machine allows no private mount namespace (unshare $flags)"
    exit 77
  fi
  DORMIX_PRIVATE_MOUNTS=1 exec unshare $flags --propagation private bash "$@"
}
