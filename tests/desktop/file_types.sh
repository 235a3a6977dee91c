#!/usr/bin/env bash
# The desktop's file types, read by shared-mime-info's own database and gio: Bidquill's settings
# files are its type in both forms it writes (code page 932 and UTF-16LE), another program's
# .ini is not, and the desktop entry claims only Bidquill's type (claiming text/plain made
# Bidquill the default program for every text file).
# usage: file_types.sh BIDQUILL-CLI APP-FOLDER MIME-XML DESKTOP-ENTRY WORK-DIR
set -euo pipefail
cli=$1 app=$2 xml=$3 entry=$4 work=$5
rm -rf "$work" && mkdir -p "$work/share/mime/packages" "$work/home"
cp "$xml" "$work/share/mime/packages/"
update-mime-database "$work/share/mime"
export XDG_DATA_DIRS="$work/share:/usr/share" XDG_DATA_HOME="$work/home"
printf 'type txtEdit1 "絵😀"\ndialog file %s\nsave\n' "$work/utf16.ini" | "$cli" run --app-folder "$app" -
printf 'dialog file %s\nsave\n' "$work/cp932.ini" | "$cli" run --app-folder "$app" -
printf '[PHP]\nengine = On\n' >"$work/php.ini"
type_of() { gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'; }
fail=0
for f in utf16.ini cp932.ini; do
  [ "$(type_of "$work/$f")" = application/x-bidquill-listing ] || { echo "FAIL: $f is $(type_of "$work/$f")"; fail=1; }
done
[ "$(type_of "$work/php.ini")" != application/x-bidquill-listing ] || { echo "FAIL: php.ini is Bidquill's"; fail=1; }
[ "$(head -c 2 "$work/utf16.ini" | od -An -tx1 | tr -d ' ')" = fffe ] || { echo "FAIL: not UTF-16LE"; fail=1; }
[ "$(sed -n 's/^MimeType=//p' "$entry")" = "application/x-bidquill-listing;" ] || { echo "FAIL: the entry claims more"; fail=1; }
exit $fail
