#!/bin/sh
# Draws Def/Def.files/DefNote.jpg, the card that commentary entries of the default template show:
# the word 解説 on a quiet paper-coloured card. A one-off generator; the JPEG it makes is committed.
# Its odd size, 641x481, is how the template's script tells a commentary page (album.js COMMENTARY).
# Needs ImageMagick and the IPA Gothic font (apt-get install imagemagick fonts-ipafont-gothic).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/Def/Def.files/DefNote.jpg"
fonts=/usr/share/fonts/opentype/ipafont-gothic
word_font=$fonts/ipag.ttf   # IPA Gothic for the word
label_font=$fonts/ipagp.ttf # IPA P Gothic (proportional) for the small label

for f in "$word_font" "$label_font"; do
    if [ ! -f "$f" ]; then
        echo "make_defnote.sh: font $f not found (install fonts-ipafont-gothic)" >&2
        exit 1
    fi
done

convert -size 641x481 xc:'#f5f3ef' \
    -fill '#ffffff' -stroke '#e4e0d8' -strokewidth 2 -draw 'roundrectangle 40,40 600,440 18,18' \
    -stroke none -fill '#a8503a' -draw 'rectangle 88,150 94,330' \
    -font "$word_font" -fill '#23262b' -pointsize 120 -gravity center -annotate +14-10 '解説' \
    -font "$label_font" -fill '#6d7178' -pointsize 24 -annotate +14+88 'Albumon' \
    -strip -interlace none -sampling-factor 2x2 -quality 85 \
    "jpeg:$out"

echo "wrote $out"
