#!/usr/bin/env bash
# Writes the kalvex-cli(1) manual page from the program's own help texts, so
# the page never tells another story than --help does.
#   packaging/make_manpage.sh KALVEX_CLI OUTPUT.1
set -euo pipefail
shopt -s inherit_errexit

cli="${1:?usage: make_manpage.sh KALVEX_CLI OUTPUT.1}"
output="${2:?usage: make_manpage.sh KALVEX_CLI OUTPUT.1}"

# Help text as it stands, in a no-fill block: backslashes doubled, and a line
# starting with "." or "'" kept from being read as a request.
verbatim() {
    printf '.nf\n'
    sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/" -e 's/-/\\-/g'
    printf '.fi\n'
}

version="$("$cli" --version | sed 's/^kalvex-cli //')"
commands="$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p')"
[ -n "$commands" ] || { echo "make_manpage.sh: $cli --help lists no commands" >&2; exit 1; }

{
    cat <<EOF
.TH KALVEX\\-CLI 1 "" "kalvex-cli $version" "User Commands"
.SH NAME
kalvex\\-cli \\- the command line of Kalvex Tagger: disc ids, CDDB lookups, ID3 tags
.SH SYNOPSIS
.B kalvex\\-cli
.I COMMAND
.RI [ ARGS ...]
.RB [ \\-\\-json ]
.br
.B kalvex\\-cli
.I COMMAND
.B \\-\\-help
.SH DESCRIPTION
.B kalvex\\-cli
does the steps of the Kalvex Tagger window for scripts: it reads a CD's table
of contents, computes its FreeDB disc id, asks a CDDB server for the album, and
reads, writes and removes the ID3 v1 and v2 tags of MP3 files;
.B tag\\-album
does it all for an album folder in one go, renaming its files and itself too.
Output is for people by default;
.B \\-\\-json
gives one JSON object for programs.
Messages for the user go to standard error, one line each.
EOF
    printf '.SH COMMANDS\n'
    for command in $commands; do
        printf '.SS %s\n' "$command"
        "$cli" "$command" --help | verbatim
    done
    cat <<'EOF'
.SH EXIT STATUS
.TP
.B 0
success
.TP
.B 1
a failed operation (the reason is on standard error)
.TP
.B 2
bad usage
.SH ENVIRONMENT
.TP
.B KALVEX_ASPI_LIBRARY
the ASPI library to use when the system's pass\-through finds no CD drive.
The package's virtual drive is
.IR /usr/lib/<multiarch>/kalvex\-tagger/libkalvex\-virtual\-aspi.so .
.TP
.B KALVEX_VIRTUAL_TOC
the file holding the virtual drive's disc: first and last track number, then
each track's start and the lead\-out as M:S:F, as
.B discid \-\-toc
takes it. Without it the virtual drive is empty.
.SH EXAMPLES
.nf
kalvex\-cli discid \-\-toc "1 2 0:2:0 3:0:0 5:30:10" \-\-json
kalvex\-cli lookup \-\-drive 1 \-\-choose 0
kalvex\-cli lookup \-\-toc "1 2 0:2:0 3:0:0 5:30:10" \e
    \-\-server http://127.0.0.1:8880 \-\-choose 1
kalvex\-cli tag\-album ~/Music/Album \-\-drive 1 \-\-choose 0 \-\-rename \-\-dry\-run
kalvex\-cli write "01 Intro.mp3" \-\-v1 \-\-v2 2.4 \-\-artist "Artist" \-\-title "Intro"
.fi
.SH FILES
.TP
.I /usr/share/kalvex\-tagger/cddb_server.py
a CDDB server over folders of xmcd records
.RB ( "\-\-db DIR" ,
.BR "\-\-port N" ),
for serving your own collection.
EOF
} >"$output"
