# Sourced by the scripts that fetch from the Debian archive: the archive is
# the one this machine's apt is already set up with, so no script names a
# mirror of its own.
#
# varno_bookworm_main_sources prints one line per URI of every enabled `deb`
# entry that carries Debian 12 (bookworm) main, in the one-line format
# (sources.list, *.list) and in the deb822 format (*.sources): the URI, a tab,
# and the entry's Signed-By (empty when it has none). Nothing when there is
# no such entry.
varno_bookworm_main_sources() {
    local files=()
    [ -f /etc/apt/sources.list ] && files+=(/etc/apt/sources.list)
    shopt -s nullglob
    files+=(/etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    shopt -u nullglob
    [ "${#files[@]}" -gt 0 ] || return 0
    awk '
        function has(list, word) { return (" " list " ") ~ (" " word " ") }
        function flush(   count, uri, i) {
            if (has(types, "deb") && has(suites, "bookworm") && has(components, "main") && enabled != "no") {
                count = split(uris, uri, " ")
                for (i = 1; i <= count; i++) print uri[i] "\t" signed
            }
            types = uris = suites = components = signed = enabled = ""
        }
        FNR == 1 { flush() }
        FILENAME ~ /\.sources$/ {
            if ($0 ~ /^#/ || $0 ~ /^[ \t]+[^ \t]/) next   # comments, continued fields (inline keys)
            if ($0 ~ /^[ \t]*$/) { flush(); next }
            colon = index($0, ":")
            key = tolower(substr($0, 1, colon - 1))
            value = substr($0, colon + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", value)
            if (key == "types") types = value
            else if (key == "uris") uris = value
            else if (key == "suites") suites = value
            else if (key == "components") components = value
            else if (key == "enabled") enabled = tolower(value)
            else if (key == "signed-by" && value ~ /^\//) signed = value
            next
        }
        {
            sub(/#.*/, "")
            if ($1 != "deb") next
            options = ""
            field = 2
            if ($2 ~ /^\[/) {
                while (field <= NF) { options = options " " $field; if ($field ~ /\]$/) break; field++ }
                field++
            }
            if ($(field + 1) != "bookworm") next
            for (i = field + 2; i <= NF; i++) if ($i == "main") {
                signed = ""
                if (match(options, /signed-by=[^] ]+/)) signed = substr(options, RSTART + 10, RLENGTH - 10)
                print $field "\t" signed
                break
            }
            signed = ""
        }
        END { flush() }
    ' "${files[@]}"
}

# The first URI of those, or a clear message and failure.
varno_bookworm_mirror() {
    local mirror
    mirror=$(varno_bookworm_main_sources | head -1 | cut -f1)
    if [ -z "$mirror" ]; then
        echo "apt has no 'deb' entry for bookworm main (/etc/apt/sources.list or /etc/apt/sources.list.d);" \
            "add the Debian 12 archive this machine should use, then run this again" >&2
        return 1
    fi
    echo "$mirror"
}
