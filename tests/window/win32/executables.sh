#!/usr/bin/env bash
# Reads back from the built OstrelSort.exe what Windows shows of it: the
# version information in its properties, the GUI subsystem, its icon and the
# manifest (per-monitor DPI awareness, common controls 6); and checks that
# neither program needs a DLL beyond those Windows ships.
# Usage: executables.sh OBJDUMP WINDRES OSTRELSORT.EXE TAVEL-SORT.EXE
set -euo pipefail

objdump=$1
windres=$2
window_program=$3
batch_program=$4

source "$(dirname "${BASH_SOURCE[0]}")/../../support/require_tools.sh"
require_tools exiftool

failures=0
check() {
    if [[ $2 != "$3" ]]; then
        echo "FAIL: $1 is '$2', not '$3'"
        failures=$((failures + 1))
    fi
}

for tag in ProductName InternalName; do
    check "$tag" "$(exiftool -s3 -"$tag" "$window_program")" OstrelSort
done
check OriginalFileName "$(exiftool -s3 -OriginalFileName "$window_program")" OstrelSort.exe
check FileVersion "$(exiftool -s3 -FileVersion "$window_program")" 1.00
check ProductVersion "$(exiftool -s3 -ProductVersion "$window_program")" 1.00
check FileVersionNumber "$(exiftool -s3 -FileVersionNumber "$window_program")" 1.0.0.0
check ProductVersionNumber "$(exiftool -s3 -ProductVersionNumber "$window_program")" 1.0.0.0
check LanguageCode "$(exiftool -s3 -LanguageCode "$window_program")" "English (U.S.)"
check CharacterSet "$(exiftool -s3 -CharacterSet "$window_program")" Unicode
check Subsystem "$(exiftool -s3 -Subsystem "$window_program")" "Windows GUI"

resources=$("$windres" -i "$window_program" -O rc)
grep -q '^1 14 /\* RT_GROUP_ICON \*/' <<<"$resources" || { echo "FAIL: no icon"; failures=$((failures + 1)); }
grep -q '^1 24 /\* RT_MANIFEST \*/' <<<"$resources" || { echo "FAIL: no manifest"; failures=$((failures + 1)); }
for promise in '>PerMonitorV2, PerMonitor<' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
    grep -qF "$promise" "$window_program" || { echo "FAIL: the manifest lacks $promise"; failures=$((failures + 1)); }
done

# Windows' own DLLs; a MinGW run-time DLL (libstdc++, libgcc, libwinpthread)
# would have to ship beside the program.
windows_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|ole32|oleaut32|uxtheme|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
for program in "$window_program" "$batch_program"; do
    imports=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p')
    grep -qx KERNEL32.dll <<<"$imports" ||
        { echo "FAIL: objdump lists no imports of $(basename "$program")"; failures=$((failures + 1)); }
    while read -r dll; do
        if ! grep -qiE "$windows_dlls" <<<"$dll"; then
            echo "FAIL: $(basename "$program") needs $dll, which Windows does not ship"
            failures=$((failures + 1))
        fi
    done <<<"$imports"
done

if ((failures > 0)); then
    exit 1
fi
echo "PASS: version information, icon, manifest and GUI subsystem read back; only Windows' own DLLs imported"
