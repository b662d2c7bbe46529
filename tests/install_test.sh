#!/usr/bin/env bash
# Installs the built tree with DESTDIR into a temporary prefix, runs the
# installed korvane-cli from there, builds examples/plugin-template against
# the installed Korvane package and loads it with --plugin-dir.
#
# install_test.sh BUILD_DIR SOURCE_DIR CMAKE GENERATOR CXX LIBDIR [CXXFLAGS]
set -euo pipefail
build=$1 src=$2 cmake=$3 generator=$4 cxx=$5 libdir=$6 cxxflags=${7:-}

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
# Nothing of the build tree or the caller's environment may help the
# installed programs find their libraries or plug-ins.
unset KORVANE_PLUGIN_DIR LD_LIBRARY_PATH
export XDG_CONFIG_HOME=$work/config

DESTDIR=$work/stage "$cmake" --install "$build" --prefix /usr >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
root=$work/stage/usr
for f in bin/korvane-cli "$libdir/libkorvanelib.so" "$libdir/libimageconv.so" "$libdir/libkorvane_plugin_framework.a" \
         include/korvane/korvanelib.h include/korvane/plugin_framework.h share/man/man1/korvane-cli.1 \
         "$libdir/cmake/Korvane/KorvaneConfig.cmake" "$libdir/cmake/Korvane/KorvaneConfigVersion.cmake"; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
ls "$root/$libdir/korvane/plugin/"*.so >/dev/null 2>&1 || fail "no plug-ins in $libdir/korvane/plugin"

# The shared library carries its SONAME; no installed binary points at an
# absolute folder (the tree must run from any prefix).
if command -v readelf >/dev/null; then
  readelf -d "$root/$libdir/libkorvanelib.so" | grep -q 'SONAME.*\[libkorvanelib\.so\.[0-9]' || fail "libkorvanelib.so has no SONAME"
  for f in "$root/bin/korvane-cli" "$root/$libdir"/lib*.so "$root/$libdir/korvane/plugin/"*.so; do
    rpath=$(readelf -d "$f" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
    case ":$rpath:" in *:/*) fail "$(basename "$f") has an absolute run path: $rpath" ;; esac
  done
fi

# Every class the build tree lists, listed by the installed program.
"$build/bin/korvane-cli" classes >"$work/classes.build"
"$root/bin/korvane-cli" classes >"$work/classes.installed" 2>"$work/classes.err" || fail "installed korvane-cli classes: $(cat "$work/classes.err")"
[ -s "$work/classes.installed" ] || fail "installed korvane-cli lists no class: $(cat "$work/classes.err")"
diff "$work/classes.build" "$work/classes.installed" || fail "installed class list differs from the build tree's"

# A conversion from the installed tree writes what the build tree writes.
mkdir -p "$work/out.build" "$work/out.installed"
"$build/bin/korvane-cli" convert "$src/samples/cube.raw" "$work/out.build/cube.raw" >/dev/null
"$root/bin/korvane-cli" convert "$src/samples/cube.raw" "$work/out.installed/cube.raw" >/dev/null || fail "installed conversion"
cmp "$work/out.build/cube.raw" "$work/out.installed/cube.raw" || fail "installed conversion differs"

# The template plug-in, built against the installed package only.
tpl=$work/template
"$cmake" -S "$src/examples/plugin-template" -B "$tpl" -G "$generator" -DCMAKE_PREFIX_PATH="$root" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_BUILD_TYPE=Release >"$work/tpl.log" 2>&1 ||
  { cat "$work/tpl.log"; fail "configuring the template against the installed package"; }
"$cmake" --build "$tpl" >>"$work/tpl.log" 2>&1 || { cat "$work/tpl.log"; fail "building the template"; }
[ -f "$tpl/plugin/import_tri.so" ] || fail "no plugin/import_tri.so in the template build"

# Loaded through --plugin-dir, beside the installed RAW export.
plugins=$work/plugins
mkdir -p "$plugins" "$work/out"
cp "$tpl/plugin/import_tri.so" "$plugins/"
ln -s "$root/$libdir/korvane/plugin/export_raw.so" "$plugins/"
"$root/bin/korvane-cli" --plugin-dir "$plugins" classes >"$work/tpl.classes"
grep -q "^import	0x3C71A0E5	Triangle List (\*.tri)$" "$work/tpl.classes" || fail "template class not listed: $(cat "$work/tpl.classes")"
"$root/bin/korvane-cli" --plugin-dir "$plugins" convert "$src/examples/plugin-template/square.tri" "$work/out/square.raw" >/dev/null ||
  fail "converting the template's sample"
cat >"$work/square.expected" <<'RAW'
square
0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 1.000000 1.000000 0.000000
0.000000 0.000000 0.000000 1.000000 1.000000 0.000000 0.000000 1.000000 0.000000
RAW
# The RAW export writes DOS line ends by default.
tr -d '\r' <"$work/out/square.raw" | diff "$work/square.expected" - || fail "square.raw differs"
echo "installed tree, its classes, a conversion and the template plug-in: ok"
