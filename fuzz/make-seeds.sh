#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets (fuzz/<target>/seeds/) with the project's own tools: images by
# imgtool, fonts by fonttool, skins by skintool, archives by nfitool; then nearly valid variants of them (cut
# short, one field changed). Every seed stays small. Usage: fuzz/make-seeds.sh BUILD_DIR, where BUILD_DIR holds
# the built tools (any configuration; fuzz/run.sh passes linux/build-fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: make-seeds.sh BUILD_DIR}" && pwd)
for tool in nfitool imgtool fonttool skintool; do
  [ -x "$build/$tool" ] || { echo "make-seeds.sh: $build/$tool is missing; build it first" >&2; exit 1; }
done
# The tools are built with the sanitizers in the fuzz configuration; their exit is not the point here.
export ASAN_OPTIONS=detect_leaks=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seeds() { rm -rf "$here/$1/seeds"; mkdir -p "$here/$1/seeds"; echo "$here/$1/seeds"; }
# cut FILE BYTES OUT: the first BYTES bytes of FILE.
cut() { head -c "$2" "$1" > "$3"; }
# poke FILE OFFSET HEXBYTES OUT: FILE with the bytes at OFFSET replaced.
poke() { cp "$1" "$4"; printf "$3" | dd of="$4" bs=1 seek="$2" conv=notrunc status=none; }

# ---- Images: tiny pictures as PPM, converted by imgtool into every TGA kind it writes, and RAW.
printf 'P6\n3 2\n255\n\377\0\0\0\377\0\0\0\377\377\377\377\0\0\0\200\200\200' > "$work/rgb.ppm"
printf 'P6\n5 1\n255\n\1\2\3\1\2\3\1\2\3\1\2\3\7\7\7' > "$work/run.ppm"
tga=$(seeds tga)
"$build/imgtool" convert "$work/rgb.ppm" "$tga/top-down.tga" >/dev/null
"$build/imgtool" convert "$work/rgb.ppm" "$tga/bottom-up.tga" --bottom-up >/dev/null
"$build/imgtool" convert "$work/run.ppm" "$tga/rle.tga" --rle >/dev/null
"$build/imgtool" convert "$work/rgb.ppm" "$tga/rle-bottom-up.tga" --rle --bottom-up >/dev/null
cut "$tga/top-down.tga" 30 "$tga/cut-pixels.tga"
poke "$tga/top-down.tga" 12 '\377\377\377\377' "$tga/claims-65535.tga"
poke "$tga/rle.tga" 2 '\1' "$tga/colour-mapped.tga"
poke "$tga/top-down.tga" 0 '\7' "$tga/image-id.tga"
image=$(seeds image)
cp "$tga"/*.tga "$image/"

raw=$(seeds raw)
"$build/imgtool" raw "$work/rgb.ppm" "$work/rgb.raw" >/dev/null
{ printf '\3\0\2\0'; cat "$work/rgb.raw"; } > "$raw/3x2.raw"
{ printf '\2\0\2\0'; cat "$work/rgb.raw"; } > "$raw/2x2-longer-file.raw"
{ printf '\4\0\2\0'; cat "$work/rgb.raw"; } > "$raw/4x2-short-file.raw"
{ printf '\0\0\2\0'; cat "$work/rgb.raw"; } > "$raw/no-width.raw"
{ printf '\377\377\377\377'; cat "$work/rgb.raw"; } > "$raw/claims-65535.raw"

# ---- Fonts: DejaVu Sans rendered by fonttool at a few pixels per em.
font=$(seeds font)
ttf=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
"$build/fonttool" make "$ttf" 4 "$font/dejavu-4.font" >/dev/null
"$build/fonttool" make "$ttf" 6 "$font/dejavu-6.font" --name "Fuzz" --point-size 12 >/dev/null
cut "$font/dejavu-4.font" 51 "$font/header-only.font"
cut "$font/dejavu-4.font" 900 "$font/cut-glyphs.font"
poke "$font/dejavu-4.font" 0 '\2' "$font/version-2.font"
poke "$font/dejavu-4.font" 51 '\377\377\377\377' "$font/wide-glyph.font"

# ---- Skins: skintool makes the shipped description and two variants over the shipped data.
skin=$(seeds skin)
"$build/skintool" make "$here/../data/skins/default.txt" "$skin/default.skin" >/dev/null
sed -e 's/^\(button .*\)1            0 /\1 1            1 /' -e 's/^font .*DejaVu_Sans_12.font/font missing.font/' \
  "$here/../data/skins/default.txt" > "$work/variant.txt"
"$build/skintool" make "$work/variant.txt" "$skin/missing-font.skin" >/dev/null
cut "$skin/default.skin" 2739 "$skin/one-byte-short.skin"
poke "$skin/default.skin" 0 '\7' "$skin/unknown-kind.skin"
poke "$skin/default.skin" 274 '\0' "$skin/tile-in-button-slot.skin"

# ---- Archives: nfitool packs small trees of the seeds above.
nfi=$(seeds nfi)
mkdir -p "$work/tree/gfx/skins" "$work/tree/gfx/fonts" "$work/tree/text"
cp "$tga/rle.tga" "$work/tree/gfx/skins/a.tga"
printf 'line one\r\nline two\nCR\rinside\n\nno end' > "$work/tree/text/lines.txt"
"$build/nfitool" create "$nfi/two-members.nfi" "$work/tree" >/dev/null
rm -rf "$work/tree/text"; cp "$font/header-only.font" "$work/tree/gfx/fonts/f.font"
"$build/nfitool" create "$nfi/font-and-image.nfi" "$work/tree" >/dev/null
mkdir -p "$work/empty"
"$build/nfitool" create "$nfi/empty.nfi" "$work/empty" >/dev/null
cut "$nfi/two-members.nfi" 300 "$nfi/cut-directory.nfi"
poke "$nfi/empty.nfi" 13 '\377\377\377\377' "$nfi/claims-2-32-entries.nfi"
poke "$nfi/empty.nfi" 4 '\2' "$nfi/version-2.nfi"

# ---- Configuration scripts: the shipped one and a few in the same language.
config=$(seeds config)
cp "$here/../data/zarvello.conf" "$config/shipped.conf"
printf 'fullscreen = off\nlogConsole = on\nfullscreen = on\nkeyQuit = KEY_q\nskin = "default"\n' > "$config/all-names.conf"
printf 'local x = 3\nskin = "a" .. "b"\nkeyQuit = x * 2\n' > "$config/locals.conf"
printf 'fullscreen = "yes"\n' > "$config/wrong-type.conf"
printf 'Fullscreen = on\n' > "$config/unknown-name.conf"
printf 'function f() end\n' > "$config/global-function.conf"
printf 'skin = \n' > "$config/syntax-error.conf"
printf 'local _ENV = {}\nbogus = 1\n' > "$config/local-env.conf"
printf -- '-- _ENV\nlocal t = {_ENV = "a"; [[_ENV]]}\nt._ENV = [==[_ENV]]]==] .. "\\"_ENV"\nskin = t._ENV\n' > "$config/env-spellings.conf"
: > "$config/empty.conf"
# ---- Sounds: tiny WAV files of every encoding SDL 1.2 decodes, made by sox, and damaged variants. The other
# formats the mixer loads (AIFF, VOC, Ogg Vorbis) are SDL_mixer's own decoders, which the engine does not check.
sound=$(seeds sound)
sox -n -r 8000 -c 1 -b 16 "$sound/mono-16.wav" synth 0.01 sine 440
sox -n -r 8000 -c 2 -b 8 "$sound/stereo-8.wav" synth 0.01 square 220
sox -n -r 8000 -c 1 -e ima-adpcm "$sound/ima-adpcm.wav" synth 0.02 sine 440
sox -n -r 8000 -c 1 -e ms-adpcm "$sound/ms-adpcm.wav" synth 0.02 sine 440
cut "$sound/mono-16.wav" 50 "$sound/cut-data.wav"
poke "$sound/mono-16.wav" 40 '\377\377\377\177' "$sound/claims-2-gib.wav"
poke "$sound/mono-16.wav" 22 '\0\0' "$sound/no-channels.wav"
# ---- Recordings: written byte by byte, every event kind and the clock's wrap, and damaged variants. seal BODY
# FRAMES OUT: BODY with its end record for FRAMES (< 256) frames; gzip's trailer holds the same CRC-32.
recording=$(seeds recording)
seal() { { cat "$1"; printf "Z\\$(printf %03o "$2")\0\0\0"; gzip -c < "$1" | tail -c 8 | head -c 4; } > "$3"; }
header='ZVREPLAY\1\0\4demo\0051.4.0'
printf "$header"'S\7keyQuit\4\0\33\0\0\0P\13options.cfg\1\3\0\0\0abcP\7missing\0T\20FT\220\3' > "$work/all.body"
printf 'E\1\1\2E\2\0\1\0\33\0\0\0\0\0E\3\0\0\0\33\0\0\0\33\0E\4\0\0\40\3\130\2\377\377\1\0' >> "$work/all.body"
printf 'E\5\0\1\1\20\0\20\0E\6\0\1\0\20\0\20\0E\7\0\1\0\200E\10\0\0\1\0\377\377E\11\0\0\1' >> "$work/all.body"
printf 'E\12\0\3\1E\13\0\3\0E\21E\20\40\3\0\0\130\2\0\0FT\1FE\14' >> "$work/all.body"
seal "$work/all.body" 3 "$recording/every-event.zrec"
printf "$header" > "$work/empty.body"
seal "$work/empty.body" 0 "$recording/no-frames.zrec"
printf "$header"'T\377\377\377\377\17FT\20' > "$work/wrap.body"
seal "$work/wrap.body" 1 "$recording/clock-wrap.zrec"
cut "$recording/every-event.zrec" 90 "$recording/cut-in-frame-1.zrec"
poke "$recording/every-event.zrec" 8 '\2' "$recording/version-2.zrec"
poke "$recording/every-event.zrec" 30 '\1' "$recording/damaged.zrec"
{ cat "$recording/every-event.zrec"; printf 'F'; } > "$recording/after-the-end.zrec"
echo "Seeds written below $here/*/seeds"
