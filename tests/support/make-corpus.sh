#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Makes files of common kinds with the machine's own tools, from the text,
# sound and picture left in FOLDER (notes.txt, son.wav,
# dessin.png, each also in a short form: court.txt, court.wav, court.png).
# A tool that is missing makes nothing of its kinds. No name ends with its
# own ending ("x-tar.tar"): encrypted, it would read as a name without one.
set -u
cd "$1" || exit 1
have() { command -v "$1" >/dev/null 2>&1; }
for size in notes court; do
    wav=son; png=dessin
    [ "$size" = court ] && { wav=court; png=court; }
    have gzip && gzip -9 -n -c $size.txt >$size-txt.gz
    have bzip2 && bzip2 -9 -c $size.txt >$size-txt.bz2
    have xz && xz -6 -c $size.txt >$size-txt.xz
    have zstd && zstd -q -19 -c $size.txt >$size-txt.zst
    have tar && tar -cf $size-archive.tar $size.txt $wav.wav &&
        gzip -n -c $size-archive.tar >$size-archive.tgz
    have zip && zip -q -9 $size-paquet.zip $size.txt $wav.wav $png.png
    # Entries protected by a password of the archive's own, one stored.
    have zip && zip -q -9 -P 'clé' $size-protege.zip $size.txt $png.png &&
        zip -q -0 -P 'clé' $size-protege.zip $wav.wav
    have flac && flac -s -f -o $size-son.flac $wav.wav
    have oggenc && oggenc -Q -o $size-son.ogg $wav.wav
    have lame && lame --quiet $wav.wav $size-son.mp3
    if have convert; then
        convert $png.png -quality 85 $size-photo.jpg
        convert $png.png -quality 70 -interlace Plane $size-progressif.jpg
        convert $png.png -colors 64 $size-anim.gif
        convert $png.png BMP3:$size-image.bmp
        convert $png.png -resize 48x48 $size-icone.ico
        convert $png.png -quality 80 $size-image.webp
    fi
done
if have sqlite3; then
    sqlite3 base.sqlite3 "CREATE TABLE notes (id INTEGER PRIMARY KEY, texte TEXT, valeur REAL);
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
        INSERT INTO notes SELECT i, 'ligne numéro ' || i || ' du carnet', i * 1.5 FROM n;
        CREATE INDEX par_texte ON notes (texte); DELETE FROM notes WHERE id % 7 = 0;"
    sqlite3 petite.sqlite3 "CREATE TABLE t (a TEXT); INSERT INTO t VALUES ('un'), ('deux');"
fi
exit 0
