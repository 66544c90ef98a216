#!/bin/sh
# Draws the toolbar and program icons with ImageMagick: each toolbar icon at 16 pixels
# and, for high-density screens, at 32 (name@2x.png). Run from this folder after
# changing a drawing; the PNG files are committed.
set -e
cd "$(dirname "$0")/icons"

icon() {  # name, drawing in 16-pixel coordinates
    convert -size 16x16 xc:none -strokewidth 1 -draw "$2" "$1.png"
    convert -size 32x32 xc:none -strokewidth 2 -draw "scale 2,2 $2" "$1@2x.png"
}

FUNNEL="fill #2a6fc9 stroke #163f75 polygon 1.5,2.5 12.5,2.5 8.5,7.5 8.5,13.5 5.5,11.5 5.5,7.5"
FLOPPY="fill #2b59a8 stroke #132d5c rectangle 1.5,1.5 14.5,14.5 fill #ffffff stroke none rectangle 4,2 12,7 fill #b9c6dc rectangle 5,10 11,14 fill #132d5c rectangle 6,11 7,13"

icon open "fill #f2c14e stroke #9a6d10 polygon 0.5,3.5 5.5,3.5 7.5,5.5 13.5,5.5 13.5,13.5 0.5,13.5 fill #ffd978 polygon 2.5,7.5 15.5,7.5 13.5,13.5 0.5,13.5"
icon reload "fill none stroke #2e8b3a stroke-width 2 arc 2.5,2.5 13.5,13.5 200,480 fill #2e8b3a stroke none polygon 1,4 6,4 1,9"
icon savelog "$FLOPPY fill #c62828 stroke none rectangle 5,3 11,3 rectangle 5,5 10,5"
icon filters "$FUNNEL"
icon loadfilters "$FUNNEL fill #2e8b3a stroke #1b5e20 polygon 11.5,7.5 14.5,7.5 14.5,10.5 15.5,10.5 13,14.5 10.5,10.5 11.5,10.5"
icon savefilters "$FUNNEL fill #2b59a8 stroke #132d5c rectangle 9.5,8.5 15.5,15.5 fill #ffffff stroke none rectangle 11,9 14,11"
icon print "fill #ffffff stroke #555555 rectangle 4.5,1.5 11.5,6.5 fill #9e9e9e stroke #424242 rectangle 0.5,6.5 15.5,12.5 fill #ffffff stroke #555555 rectangle 3.5,10.5 12.5,15.5 fill #2e8b3a stroke none rectangle 13,8 14,9"
icon find "fill #dff1ff stroke #37474f stroke-width 1.5 circle 6.5,6.5 6.5,11 stroke #6d4c41 stroke-width 2.5 line 10,10 14.5,14.5"
icon follow "fill #ffffff stroke #546e7a rectangle 2.5,0.5 13.5,15.5 stroke none fill #90a4ae rectangle 4,3 11,3 rectangle 4,5 10,5 fill #2e8b3a polygon 4.5,7 11.5,7 8,11.5 fill #c62828 rectangle 4,13 12,14"
# All lines with the filters held: a page of lines under a hollow funnel.
icon showall "fill #ffffff stroke #546e7a rectangle 0.5,0.5 10.5,15.5 stroke none fill #90a4ae rectangle 2,3 9,3 rectangle 2,6 8,6 rectangle 2,9 9,9 rectangle 2,12 7,12 fill #ffffff stroke #163f75 polygon 6.5,5.5 15.5,5.5 12.5,9.5 12.5,14.5 9.5,13 9.5,9.5"
icon contexthelp "fill #ffffff stroke #000000 polygon 1.5,1.5 1.5,12.5 4,10 6,14.5 7.5,13.8 5.8,9.5 9,9.5 fill #1565c0 stroke none font-size 11 font DejaVu-Sans-Bold text 9,14 '?'"

# The program's icon, 48 pixels: a log page with coloured lines under a magnifier.
convert -size 48x48 xc:none -strokewidth 1 -draw "
    fill #ffffff stroke #546e7a roundrectangle 5.5,2.5 36.5,45.5 3,3
    stroke none fill #1565c0 rectangle 10,9 31,11
    fill #2e7d32 rectangle 10,15 27,17
    fill #c62828 rectangle 10,21 30,23
    fill #00acc1 rectangle 10,27 25,29
    fill #f9a825 rectangle 10,33 28,35
    fill #6a1b9a rectangle 10,39 22,41
    fill #e3f2fdc0 stroke #263238 stroke-width 3 circle 31,27 31,38
    stroke #4e342e stroke-width 5 line 39,35 45,42" trawlview.png
