# Sourced by check_package.sh (deb, work, source, version, fail, logged): lintian finds nothing to
# warn about in the Debian package; Depends names a Java runtime and the package of every library
# its binaries link; installed by dpkg into a throwaway root (unshare; its /usr holds the package and
# the JVM), a Java program and /usr/bin/veltrane-probe load the library with no flag; inf2reg runs.
logged lintian "lintian finds fault with $deb" lintian --fail-on error,warning "$deb"
root="$work/deb-root" out="$work/deb-root/tmp/check"
rm -rf "$root" && mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$out" && : >"$root/var/lib/dpkg/status"
# The root's package database is empty: the dependencies are checked below, not by dpkg.
logged dpkg "dpkg cannot install $deb" unshare -rm dpkg --root="$root" --force-depends -i "$deb"

depends=$(dpkg-deb -f "$deb" Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
grep -Eqx 'default-jre(-headless)?|java[0-9]*-runtime(-headless)?' <<<"$names" || fail "Depends ($depends) names no Java runtime"
while read -r file; do
    readelf -h "$file" >/dev/null 2>&1 || continue  # the launcher, the jars
    for soname in $(readelf -d "$file" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]$/\1/p'); do
        owners=$(dpkg-query -S "*/x86_64-linux-gnu/$soname" 2>/dev/null | sed -nE 's/^([^:, ]+)[:,].*/\1/p' | sort -u)
        [ -n "$owners" ] || fail "no package of this machine holds $soname, which ${file#"$root"} links"
        grep -qxF "$owners" <<<"$names" ||
            fail "${file#"$root"} links $soname of $(echo $owners), which Depends ($depends) does not name"
    done
done < <(find "$root/usr" -type f)

javac -d "$out" -cp "$root/usr/share/java/veltrane-api.jar" "$(dirname "$0")/LoadsLibrary.java"
cp "$source/samples/quorindel-voicelink.reg" "$out/"
# In the root, with an empty environment: no -D flag, no LD_LIBRARY_PATH, no JAVA_HOME.
logged deb-run "the run in the root of the installed package" unshare -rm /bin/sh -s "$root" <<'SCRIPT'
set -e
for pair in /usr/lib/jvm:usr/lib/jvm /usr/lib/x86_64-linux-gnu:lib/x86_64-linux-gnu \
    /usr/lib64:lib64 /usr/bin:bin /etc:etc /proc:proc /dev:dev; do
    mkdir -p "$1/${pair#*:}" && mount --rbind "${pair%%:*}" "$1/${pair#*:}"
done
exec chroot "$1" /bin/env -i PATH=/usr/bin:/bin HOME=/tmp /bin/sh -ec 'cd /tmp/check
java -cp /usr/share/java/veltrane-api.jar:. LoadsLibrary >loads.out
/usr/bin/veltrane-probe --registry quorindel-voicelink.reg --json >probe.json
/usr/bin/veltrane-inf2reg --version >inf2reg.out
/usr/bin/veltrane-inf2reg --help >/dev/null'
SCRIPT
[ "$(<"$out/loads.out")" = H ] || fail "the program's native call answers '$(<"$out/loads.out")', not H"
prefix='{"library":{"path":"/usr/lib/x86_64-linux-gnu/jni/libVeltraneWin32DLL.so","foundByLoadLibrary":true'
[[ "$(<"$out/probe.json")" == "$prefix"*'"found":true'* ]] ||
    fail "$(<"$out/probe.json") does not start with $prefix or finds no modem"
[ "$(<"$out/inf2reg.out")" = "veltrane-inf2reg $version" ] ||
    fail "veltrane-inf2reg says '$(<"$out/inf2reg.out")', the package is $version"
echo "Debian package $(basename "$deb") installs and loads"
