# A light lint of an INF file, run by scripts/check_kernel_image.sh:
#
#   awk -f windows/inf_lint.awk windows/bayercam.inf
#
# Prints one line per problem, nothing if it finds none:
# - the sections every driver INF has are there
# - every %string% used is defined in [Strings] (numbers are directory ids)
# - the models sections [Manufacturer] names exist, each model's install
#   section exists (x64, NT or undecorated) with its .Services section
# - every section CopyFiles, AddReg, DelReg, AddInterface and AddService
#   name exists; Needs names sections of the included INFs, not checked
# - every file copied is listed in [SourceDisksFiles] on a disk that
#   [SourceDisksNames] lists
# - what the driver kit's INF validation requires of a Windows 10 driver
#   package: [Version] has a DriverVer (mm/dd/yyyy,w.x.y.z), a CatalogFile
#   and PnpLockdown = 1; [DestinationDirs] copies to the driver store
#   (DIRID 13) and services start from it (ServiceBinary = %13%\...);
#   every models decoration in [Manufacturer] is NTamd64.10.0 or a later
#   build of it (NTamd64.10.0...NNNNN)
# It does not know the meaning of every directive; it checks references.

function trim(s) {
    gsub(/^[ \t"]+|[ \t"]+$/, "", s)
    return s
}

function want(name, why) {
    wanted[tolower(trim(name))] = why
}

function problem(text) {
    print text
    problems++
}

{
    sub(/\r$/, "")
    line = $0
    sub(/;.*/, "", line)    # comments; INF strings here hold no ';'
    if (line ~ /^[ \t]*$/) next
}

line ~ /^[ \t]*\[.*\][ \t]*$/ {
    section = tolower(line)
    gsub(/^[ \t]*\[|\][ \t]*$/, "", section)
    have[section] = 1
    next
}

{
    key = ""
    value = line
    if (line ~ /=/) {
        key = tolower(trim(substr(line, 1, index(line, "=") - 1)))
        value = substr(line, index(line, "=") + 1)
    }
    lines[++count] = section SUBSEP key SUBSEP value

    # %name% references outside [Strings]
    if (section != "strings") {
        rest = line
        while (match(rest, /%[^%]*%/)) {
            token = substr(rest, RSTART + 1, RLENGTH - 2)
            if (token !~ /^[0-9]+$/) used[tolower(token)] = 1
            rest = substr(rest, RSTART + RLENGTH)
        }
    } else if (key != "") {
        strings[key] = 1
    }
}

# The driver kit's package rules (see the header). Reads lines[] and count.
function check_package_rules(    i, f, n, part, j, dirs, version) {
    dirs = 0
    for (i = 1; i <= count; i++) {
        split(lines[i], f, SUBSEP)
        if (f[1] == "version" && f[2] != "") version[f[2]] = trim(f[3])
        if (f[1] == "destinationdirs" && f[2] != "") {
            dirs++
            split(f[3], part, ",")
            if (trim(part[1]) != "13")
                problem("[DestinationDirs] " f[2] " = " trim(f[3]) ": files must go to the driver store (13)")
        }
        if (f[2] == "servicebinary" && trim(f[3]) !~ /^%13%\\/)
            problem("ServiceBinary = " trim(f[3]) " in [" f[1] "] is not in the driver store (%13%\\)")
        if (f[1] == "manufacturer" && f[2] != "") {
            n = split(f[3], part, ",")
            if (n < 2) problem("[Manufacturer] " f[2] " has no NTamd64.10.0 decoration")
            for (j = 2; j <= n; j++)
                if (tolower(trim(part[j])) !~ /^ntamd64\.10\.0(\.\.\.[0-9]+)?$/)
                    problem("[Manufacturer] decoration " trim(part[j]) " is not NTamd64.10.0[...build]")
        }
    }
    if (dirs == 0) problem("[DestinationDirs] names no destination")
    if (version["driverver"] !~ /^[0-9][0-9]\/[0-9][0-9]\/[0-9][0-9][0-9][0-9][ \t]*,[ \t]*[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$/)
        problem("[Version] DriverVer is missing or not mm/dd/yyyy,w.x.y.z")
    if (version["catalogfile"] == "") problem("[Version] CatalogFile is missing")
    if (version["pnplockdown"] != "1") problem("[Version] PnpLockdown = 1 is missing")
}

END {
    split("version manufacturer sourcedisksnames sourcedisksfiles strings", required, " ")
    for (i in required)
        if (!(required[i] in have)) problem("missing section [" required[i] "]")
    for (token in used)
        if (!(token in strings)) problem("%" token "% is not defined in [Strings]")

    # Models sections first: their lines name install sections.
    for (i = 1; i <= count; i++) {
        split(lines[i], f, SUBSEP)
        if (f[1] != "manufacturer" || f[2] == "") continue
        n = split(f[3], part, ",")
        if (n == 1) models[tolower(trim(part[1]))] = 1
        for (j = 2; j <= n; j++) models[tolower(trim(part[1]) "." trim(part[j]))] = 1
    }
    for (m in models)
        if (!(m in have)) problem("models section [" m "] named in [Manufacturer] is missing")
    check_package_rules()

    for (i = 1; i <= count; i++) {
        split(lines[i], f, SUBSEP)
        s = f[1]; key = f[2]; n = split(f[3], item, ",")
        if (s in models && key != "") {
            install = tolower(trim(item[1]))
            found = ""
            if (install ".ntamd64" in have) found = install ".ntamd64"
            else if (install ".nt" in have) found = install ".nt"
            else if (install in have) found = install
            if (found == "") problem("install section [" install "] of model " key " is missing")
            else if (!(found ".services" in have)) problem("[" found ".services] is missing")
        }
        if (key == "copyfiles" || key == "addreg" || key == "delreg") {
            for (j = 1; j <= n; j++)
                if (trim(item[j]) !~ /^@/ && trim(item[j]) != "") want(item[j], key)
        }
        if ((key == "addinterface" || key == "addservice") && n >= 3 && trim(item[3]) != "")
            want(item[3], key)
        if (s ~ /^sourcedisksnames/ && key != "") disks[key] = 1
        if (s ~ /^sourcedisksfiles/ && key != "") {
            sources[key] = 1
            disk_of[key] = trim(item[1])
        }
    }
    for (name in wanted)
        if (!(name in have)) problem("[" name "] named by " wanted[name] " is missing")

    # Files of the CopyFiles sections: lines without '=' in the wanted sections.
    for (i = 1; i <= count; i++) {
        split(lines[i], f, SUBSEP)
        if (!(f[1] in wanted) || wanted[f[1]] != "copyfiles" || f[2] != "") continue
        split(f[3], item, ",")
        file = tolower(trim(item[1]))
        if (!(file in sources)) problem(file " is copied but not listed in [SourceDisksFiles]")
        else if (!(disk_of[file] in disks)) problem(file " is on disk " disk_of[file] ", which [SourceDisksNames] does not list")
    }
    exit problems > 0
}
