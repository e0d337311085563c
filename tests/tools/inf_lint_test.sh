#!/usr/bin/env bash
# windows/inf_lint.awk on the shipped INF and on copies that each break one
# rule the driver kit's INF validation enforces: the shipped INF passes,
# every broken copy fails with the finding that names its fault.
#
#   inf_lint_test.sh ROOT
set -uo pipefail

root="$1"
lint="$root/windows/inf_lint.awk"
inf="$root/windows/bayercam.inf"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failures=0

expect_pass() {
  local findings
  if ! findings="$(awk -f "$lint" "$inf")"; then
    echo "FAIL: the shipped INF has findings:"
    echo "$findings"
    failures=$((failures + 1))
  fi
}

# expect_finding NAME SED-SCRIPT TEXT: the INF edited by SED-SCRIPT fails,
# and a finding contains TEXT.
expect_finding() {
  local name="$1" edit="$2" text="$3" findings
  sed -e "$edit" "$inf" >"$scratch/$name.inf"
  if cmp -s "$inf" "$scratch/$name.inf"; then
    echo "FAIL: $name: the edit changed nothing"
    failures=$((failures + 1))
    return
  fi
  if findings="$(awk -f "$lint" "$scratch/$name.inf")"; then
    echo "FAIL: $name: the lint passed it"
    failures=$((failures + 1))
  elif ! grep -qF -- "$text" <<<"$findings"; then
    echo "FAIL: $name: no finding about '$text'; found:"
    echo "$findings"
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
}

expect_pass
expect_finding system32-destination 's/^DefaultDestDir *= *13/DefaultDestDir = 12/' \
  "must go to the driver store (13)"
expect_finding service-outside-store 's/^ServiceBinary *= *%13%/ServiceBinary = %12%/' \
  "is not in the driver store"
expect_finding undecorated-os 's/NTamd64\.10\.0$/NTamd64/; s/^\[Bayercam\.NTamd64\.10\.0\]/[Bayercam.NTamd64]/' \
  "decoration NTamd64 is not NTamd64.10.0"
expect_finding no-decoration 's/, *NTamd64\.10\.0$//; s/^\[Bayercam\.NTamd64\.10\.0\]/[Bayercam]/' \
  "has no NTamd64.10.0 decoration"
expect_finding no-driverver '/^DriverVer/d' "DriverVer is missing"
expect_finding bad-driverver 's/^DriverVer *=.*/DriverVer = 2025-01-15,1.0/' "DriverVer is missing or not"
expect_finding no-catalog '/^CatalogFile/d' "CatalogFile is missing"
expect_finding no-lockdown '/^PnpLockdown/d' "PnpLockdown = 1 is missing"
expect_finding lockdown-off 's/^PnpLockdown *= *1/PnpLockdown = 0/' "PnpLockdown = 1 is missing"
expect_finding no-destination '/^DefaultDestDir/d' "names no destination"

exit $((failures > 0))
