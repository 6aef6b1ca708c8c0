#!/usr/bin/env bash
# Runs the stillmar-mci shell on a script of commands and compares its lines with the expected
# ones. Usage: tool_test.sh PATH_TO_STILLMAR_MCI
set -euo pipefail
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
ffmpeg -v error -f lavfi -i testsrc=s=160x120:r=25:d=2 -c:v mpeg4 -g 25 "$dir/clip.avi"
cp "$dir/clip.avi" "$dir/my clip.mkv"
# The same bytes every run: some random files pass for a damaged MP3 header.
perl -e 'srand(7); print map { chr(int(rand(256))) } 1 .. 3000' >"$dir/noise.bin"

{
    printf 'open %s/clip.avi type MPEGVideo Alias MYPLAYER parent 0 Style 1073741824%*s\n' \
        "$dir" 150 ''
    cat <<CMDS
status MYPLAYER length
set MYPLAYER time format frames
status MYPLAYER length
seek MYPLAYER to 30
status MYPLAYER position
set MYPLAYER time format tmsf
status MYPLAYER time format
play MYPLAYER from 40 to 45 wait
status MYPLAYER mode
status MYPLAYER position
capability MYPLAYER can eject notify
where MYPLAYER window
open  Type cdaudio alias MYPLAYER wait shareable
open "$dir/my clip.mkv" type  Alias Second
status second frame rate
open $dir/my clip.mkv alias Third
open $dir/noise.bin type mpegvideo alias N
open $dir/noise.bin alias N
open $dir/missing.avi type mpegvideo alias N
open "$dir/clip.avi
 
status MYPLAYER length position
status all mode
frobnicate MYPLAYER
setaudio MYPLAYER volume to 1001
close all
status MYPLAYER mode
CMDS
} >"$dir/input"

cat >"$dir/expected" <<'OUT'
0	1
0	2000
0	
0	50
0	
0	30
293	The specified value for the time format is invalid. Refer to the MCI documentation for valid formats.
0	frames
0	
0	stopped
0	45
0	false
0	0 0 160 120
289	The specified alias is already being used in this application. Use a unique alias.
0	2
0	25000
259	The driver cannot recognize the specified command parameter.
296	The specified file cannot be played on the specified MCI device. The file may be corrupt, or not in the correct format.
281	Cannot determine the device type from the given filename extension.
275	Cannot find the specified file. Make sure the path and filename are correct.
294	A closing double-quotation mark is missing from the parameter value. Please supply one.
267	No command was specified.
284	The specified parameters cannot be used together.
279	Cannot use 'all' as the device name with the specified command.
261	The driver cannot recognize the specified command.
282	The specified parameter is out of range for the specified command.
0	
263	The specified device is not open or is not recognized by MCI.
OUT

"$tool" <"$dir/input" >"$dir/output" 2>"$dir/stderr"
diff -u "$dir/expected" "$dir/output"
echo "stillmar-mci: $(wc -l <"$dir/output") lines as expected"
