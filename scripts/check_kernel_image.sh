#!/usr/bin/env bash
# Checks a linked kernel image (bayercam.sys) before anyone loads it:
#
#   scripts/check_kernel_image.sh IMAGE [INF]
#
# - PE32+ for AMD64, subsystem Native, entry point at DriverEntry
# - imports only from ntoskrnl.exe, HAL.dll, ks.sys and USBD.SYS, and only
#   names those modules export according to mingw-w64's import libraries;
#   memcpy, memset, memmove and memcmp, where used, come from ntoskrnl.exe
# - no global constructors or destructors (nothing would run them)
# - no x87 instruction in the code (x64 Windows does not keep the x87 state
#   of kernel code)
# - no section both writable and executable, the PE checksum set
# - with INF (windows/bayercam.inf): the sections, strings and source files
#   it refers to exist, and it keeps the driver kit's package rules (driver
#   store destination, NTamd64.10.0 models, DriverVer, CatalogFile,
#   PnpLockdown) (windows/inf_lint.awk)
#
# Prints every problem found; exit status 1 if there was one, 2 on bad usage.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tools=x86_64-w64-mingw32
mingw_lib=/usr/$tools/lib

# The modules a kernel driver of ours may import from, and the import
# library that lists each one's exports.
declare -A import_library=(
  [ntoskrnl.exe]=libntoskrnl.a
  [hal.dll]=libhal.a
  [ks.sys]=libks.a
  [usbd.sys]=libusbd.a
)
# Compiler-generated calls that must go to the kernel's own exports.
memory_routines=(memcpy memset memmove memcmp)
# x87 mnemonics as objdump prints them (AT&T, with size suffixes).
x87_mnemonic='^f(ld|st|ild|ist|bld|bstp|i?add|i?sub|i?mul|i?div|i?com|u?comi?|ucom|tst|xam|abs|chs|sqrt|sin|cos|ptan|patan|yl2x|2xm1|scale|prem|rndint|xtract|xch|n?init|n?stcw|ldcw|n?stsw|n?save|rstor|n?stenv|ldenv|n?clex|free|decstp|incstp|nop|cmov|wait)'

problems=0
fail() {
  echo "  FAIL: $*"
  problems=$((problems + 1))
}
pass() {
  echo "  ok:   $*"
}
# Detail lines under a FAIL.
indent() {
  sed 's/^/          /'
}

usage() {
  echo "usage: $0 IMAGE [INF]" >&2
  exit 2
}

(($# == 1 || $# == 2)) || usage
image="$1"
inf="${2:-}"
[[ -f "$image" ]] || { echo "error: no image at $image (was the windows preset built?)" >&2; exit 1; }
for tool in objdump nm; do
  command -v "$tools-$tool" >/dev/null || { echo "error: $tools-$tool not found" >&2; exit 1; }
done

headers="$("$tools-objdump" -p "$image")"
symbols="$("$tools-nm" "$image" 2>/dev/null || true)"

# Value of a "Name  value" line of objdump -p's header dump.
header_field() {
  awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"
}

# Address (hex, no 0x) of a defined symbol, empty if there is none.
symbol_address() {
  awk -v name="$1" '$3 == name && $2 ~ /^[TtDdRrBb]$/ { print $1; exit }' <<<"$symbols"
}

check_format() {
  local format
  format="$("$tools-objdump" -f "$image" | awk '/file format/ { print $NF }')"
  if [[ "$format" == pei-x86-64 && "$(header_field Magic)" == 020b ]]; then
    pass "PE32+ image for AMD64"
  else
    fail "not a PE32+ AMD64 image (format $format, magic $(header_field Magic))"
  fi

  local subsystem
  subsystem="$(header_field Subsystem)"
  if ((16#${subsystem:-0} == 1)); then
    pass "subsystem Native (1)"
  else
    fail "subsystem is ${subsystem:-missing}, a kernel driver needs Native (1)"
  fi
}

check_entry_point() {
  local entry base driver_entry
  entry="$(header_field AddressOfEntryPoint)"
  base="$(header_field ImageBase)"
  driver_entry="$(symbol_address DriverEntry)"
  if [[ -z "$symbols" ]]; then
    fail "the image has no symbol table, so DriverEntry cannot be found (was it stripped?)"
  elif [[ -z "$driver_entry" ]]; then
    fail "the image defines no DriverEntry"
  elif ((16#$base + 16#$entry == 16#$driver_entry)); then
    pass "entry point is DriverEntry (0x$driver_entry)"
  else
    fail "entry point 0x$(printf '%x' $((16#$base + 16#$entry))) is not DriverEntry (0x$driver_entry)"
  fi
}

# Lines "module symbol" of the image's import table, module in lower case;
# an import by ordinal shows as "module #ordinal".
imports() {
  awk '
    /^[ \t]*DLL Name:/ { module = tolower($3); next }
    module != "" && /^\t[0-9a-f]+\t/ {
      if (NF >= 3) print module, $3; else print module, "#" $2
      next
    }
    /^$/ { module = "" }
  ' <<<"$headers"
}

# The names a module exports, as its import library lists them.
exports_of() {
  "$tools-nm" "$mingw_lib/${import_library[$1]}" 2>/dev/null |
    awk '$2 == "I" && $3 ~ /^__imp_/ { print substr($3, 7) }' | sort -u
}

check_imports() {
  local listing
  listing="$(imports)"
  if [[ -z "$listing" ]]; then
    fail "the image imports nothing; a driver needs at least ntoskrnl.exe"
    return
  fi

  local module bad_modules=0 bad_symbols=0
  while read -r module; do
    if [[ -z "${import_library[$module]:-}" ]]; then
      fail "imports from $module, which is not one of: $(tr ' ' '\n' <<<"${!import_library[*]}" | sort | paste -sd' '):"
      awk -v m="$module" '$1 == m { print $2 }' <<<"$listing" | indent
      bad_modules=$((bad_modules + 1))
      continue
    fi
    local unknown
    unknown="$(awk -v m="$module" '$1 == m { print $2 }' <<<"$listing" | sort -u |
      comm -23 - <(exports_of "$module"))"
    if [[ -n "$unknown" ]]; then
      fail "imports from $module names it does not export (per ${import_library[$module]}):"
      indent <<<"$unknown"
      bad_symbols=$((bad_symbols + 1))
    fi
  done < <(cut -d' ' -f1 <<<"$listing" | sort -u)
  if ((bad_modules == 0 && bad_symbols == 0)); then
    pass "imports: $(cut -d' ' -f1 <<<"$listing" | sort | uniq -c | awk '{ printf "%s%s (%d)", sep, $2, $1; sep = ", " }')"
  fi

  local routine
  for routine in "${memory_routines[@]}"; do
    if grep -q " $routine\$" <<<"$symbols" && ! grep -qx "ntoskrnl.exe $routine" <<<"$listing"; then
      fail "$routine is used but not imported from ntoskrnl.exe (a local copy or another module's)"
    fi
  done
}

# Eight-byte words of the image at a virtual address, as hex, space separated.
words_at() {
  local start=$((16#$1)) count="$2"
  "$tools-objdump" -s --start-address="$start" --stop-address=$((start + 8 * count)) "$image" |
    awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5 && $i ~ /^[0-9a-f]+$/; i++) printf "%s", $i } END { print "" }' |
    sed -E 's/(.{16})/\1 /g; s/ $//'
}

# ld lays out each list as: -1, the entries, 0. Empty means -1 followed by 0.
check_no_global_constructors() {
  if [[ -z "$symbols" ]]; then
    fail "no symbol table: cannot check the constructor lists"
    return
  fi
  local list address words
  for list in __CTOR_LIST__ __DTOR_LIST__; do
    address="$(symbol_address "$list")"
    if [[ -z "$address" ]]; then
      fail "no $list in the image: cannot check it"
      continue
    fi
    words="$(words_at "$address" 2)"
    if [[ "$words" != "ffffffffffffffff 0000000000000000" ]]; then
      fail "$list is not empty ($words ...): a global object has a constructor or destructor, which nothing in a driver runs"
    fi
  done
  local sections
  sections="$("$tools-objdump" -h "$image" |
    awk '$2 ~ /^\.(ctors|dtors|init_array|fini_array|CRT|tls)/ { print $2 }')"
  if [[ -n "$sections" ]]; then
    fail "start-up sections in the image: $sections"
  fi
}

check_no_x87() {
  local hits
  hits="$("$tools-objdump" -d --no-show-raw-insn "$image" |
    awk -F'\t' -v pattern="$x87_mnemonic" '
      /^[0-9a-f]+ <.*>:$/ { function_name = substr($0, index($0, "<")); sub(/:$/, "", function_name) }
      NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ {
        split($2, word, " ")
        i = 1
        while (word[i] ~ /^(lock|rep|repz|repnz|repe|repne|data16|addr32|notrack|bnd|rex.*|[cdefgs]s)$/) i++
        if (word[i] ~ pattern) print $1 " " $2 "   in " function_name
      }')"
  if [[ -n "$hits" ]]; then
    fail "x87 instructions in the code ($(wc -l <<<"$hits"), the first 20):"
    head -20 <<<"$hits" | indent
  else
    pass "no x87 instructions"
  fi
}

# The checksum the image should carry: its little-endian 16-bit words summed
# with the carries folded back in, the checksum field counted as zero, plus
# the file's length (as the loader computes it).
pe_checksum() {
  local pe_offset field length
  pe_offset="$(od -An -v -j 60 -N 4 -t u4 --endian=little "$image" | tr -d ' ')"
  field=$((pe_offset + 4 + 20 + 64))    # after "PE\0\0" and the file header
  length="$(stat -c %s "$image")"
  od -An -v -t u2 --endian=little "$image" |
    awk -v skip=$((field / 2)) -v file_length="$length" '
      {
        for (i = 1; i <= NF; i++) {
          if (word != skip && word != skip + 1) {
            sum += $i
            sum = (sum % 65536) + int(sum / 65536)
          }
          word++
        }
      }
      END { printf "%08x\n", sum + file_length }'
}

check_sections() {
  local writable_code
  writable_code="$("$tools-objdump" -h "$image" | awk '
    /^ *[0-9]+ / { name = $2; next }
    name != "" && /CODE/ && !/READONLY/ { print name }
    { name = "" }')"
  if [[ -n "$writable_code" ]]; then
    fail "sections both writable and executable: $writable_code"
  else
    pass "no writable code section"
  fi

  local stored computed
  stored="$(header_field CheckSum)"
  computed="$(pe_checksum)"
  if ((16#$stored == 16#$computed)); then
    pass "PE checksum $computed"
  else
    fail "PE checksum in the header is $stored, the image's is $computed"
  fi
}

# The references inside the INF resolve and it keeps the package rules
# (windows/inf_lint.awk).
check_inf() {
  local findings
  if findings="$(awk -f "$root/windows/inf_lint.awk" "$inf")"; then
    pass "INF $inf: references resolve, package rules kept"
  else
    fail "INF $inf:"
    indent <<<"$findings"
  fi
}

echo "Checking $image"
check_format
check_entry_point
check_imports
before=$problems
check_no_global_constructors
((problems > before)) || pass "no global constructors or destructors"
check_no_x87
check_sections
if [[ -n "$inf" ]]; then
  check_inf
fi

if ((problems > 0)); then
  echo "$image: $problems problem(s)"
  exit 1
fi
echo "$image: all checks passed ($(stat -c %s "$image") bytes)"
