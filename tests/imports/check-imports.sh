#!/bin/sh
# Fails when the exe imports a function its allowlist does not name, or when
# its headers ask for another Windows version than the oldest it is for: the
# loader of an older system refuses such an exe before it runs.
objdump=$1 exe=$2 allowlist=$3 version=${4:?usage: check-imports.sh OBJDUMP EXE ALLOWLIST MAJOR.MINOR}

# An allowlist line is "DLL function", then an optional "#" comment; DLL
# names match without regard to case, as the loader matches them. An
# unreadable allowlist allows nothing, and an unreadable exe shows no imports.
"$objdump" -p "$exe" | awk -v allowlist="$allowlist" -v version="$version" '
BEGIN {
    while ((getline line < allowlist) > 0) {
        sub(/#.*/, "", line)
        n = split(line, field, " ")
        if (n == 0) continue
        if (n != 2) { print allowlist ": not \"DLL function\": " line; failed = 1; continue }
        allowed[toupper(field[1]) " " field[2]] = 1
    }
}
$1 == "MajorSubsystemVersion" { major = $2 }
$1 == "MinorSubsystemVersion" { minor = $2 }
/^The Import Tables/ { in_imports = 1; next }
/^The |^PE File/ { in_imports = 0 }
in_imports && /DLL Name:/ { dll = toupper($3); next }
in_imports && dll != "" && /^\t[0-9a-f]+\t/ {
    imports++
    if (!((dll " " $3) in allowed)) { print "not in " allowlist ": " dll " " $3; failed = 1 }
}
END {
    if (major "." minor != version) {
        print "subsystem version is " major "." minor ", want " version; failed = 1
    }
    if (imports == 0) { print "no imports found; is this a PE image?"; failed = 1 }
    if (!failed) print imports " imports allowed, subsystem version " version
    exit failed
}'
