#!/usr/bin/env bash
# The Debian package as a user of Debian gets it: lintian finds nothing to warn about; its
# Depends name the package of every library its binaries link, and a Java runtime; and,
# installed with dpkg into a throwaway root of its own, a plain Java program loads the
# library with System.loadLibrary and no flag, the probe run from /usr/bin says that it
# did, and veltrane-inf2reg runs. The root's /usr holds only the package and the build
# machine's JVM (bound in, as are its /etc and its shared libraries, at /lib), so the JVM
# finds nothing of the build there, and nothing but the package in its default library
# path's /usr/lib/x86_64-linux-gnu/jni. A user and mount namespace of its own (unshare)
# makes the root; nothing of the machine changes.
#   check_deb.sh <package.deb> <work-folder> <source-folder> <version>
set -euo pipefail
deb=$1 work=$2 source=$3 version=$4
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
jni=/usr/lib/x86_64-linux-gnu/jni

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian finds fault with $deb"; }

root="$work/deb-root"
rm -rf "$root"
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/tmp/check"
: >"$root/var/lib/dpkg/status"
# The root's package database is empty: its dependencies are checked below, not by dpkg.
unshare -rm dpkg --root="$root" --force-depends -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg cannot install $deb"; }

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
grep -Eqx 'default-jre(-headless)?|java[0-9]*-runtime(-headless)?' <<<"$names" ||
    fail "Depends ($depends) names no Java runtime"
while read -r file; do
    readelf -h "$file" >/dev/null 2>&1 || continue  # the launcher, the jars
    for soname in $(readelf -d "$file" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]$/\1/p'); do
        owners=$(dpkg-query -S "*/x86_64-linux-gnu/$soname" 2>/dev/null | sed -nE 's/^([^:, ]+)[:,].*/\1/p' | sort -u)
        [ -n "$owners" ] || fail "no package of this machine holds $soname, which ${file#"$root"} links"
        grep -qxF "$owners" <<<"$names" ||
            fail "${file#"$root"} links $soname of $(echo $owners), which Depends ($depends) does not name"
    done
done < <(find "$root/usr" -type f)

javac -d "$root/tmp/check" -cp "$root/usr/share/java/veltrane-api.jar" "$here/LoadsLibrary.java"
cp "$source/samples/quorindel-voicelink.reg" "$root/tmp/check/"
# In the root, with an empty environment: no -D flag, no LD_LIBRARY_PATH, no JAVA_HOME.
unshare -rm /bin/sh -s "$root" >"$work/deb-run.log" 2>&1 <<'SCRIPT' || { cat "$work/deb-run.log"; fail "the run in the root of the installed package"; }
set -e
root=$1
for pair in /usr/lib/jvm:usr/lib/jvm /usr/lib/x86_64-linux-gnu:lib/x86_64-linux-gnu \
    /usr/lib64:lib64 /usr/bin:bin /etc:etc /proc:proc /dev:dev; do
    mkdir -p "$root/${pair#*:}"
    mount --rbind "${pair%%:*}" "$root/${pair#*:}"
done
exec chroot "$root" /bin/env -i PATH=/usr/bin:/bin HOME=/tmp /bin/sh -ec 'cd /tmp/check
java -cp /usr/share/java/veltrane-api.jar:. LoadsLibrary >loads.out
/usr/bin/veltrane-probe --registry quorindel-voicelink.reg --json >probe.json
/usr/bin/veltrane-inf2reg --version >inf2reg.out
/usr/bin/veltrane-inf2reg --help >/dev/null'
SCRIPT
[ "$(cat "$root/tmp/check/loads.out")" = H ] ||
    fail "the program's native call answers '$(cat "$root/tmp/check/loads.out")', not H"
json=$(cat "$root/tmp/check/probe.json")
prefix="{\"library\":{\"path\":\"$jni/libVeltraneWin32DLL.so\",\"foundByLoadLibrary\":true"
[[ "$json" == "$prefix"*'"found":true'* ]] || fail "$json does not start with $prefix or finds no modem"
[ "$(cat "$root/tmp/check/inf2reg.out")" = "veltrane-inf2reg $version" ] ||
    fail "veltrane-inf2reg says '$(cat "$root/tmp/check/inf2reg.out")', the package is $version"
echo "Debian package $(basename "$deb") installs and loads"
