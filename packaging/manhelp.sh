#!/bin/sh
# The program as help2man runs it: manhelp.sh NAME BINARY OPTION.
#
# The usage line names the program rather than the build path it ran from, and a word that Qt's
# help had to split at its 79th column is joined again, and an ellipsis is written in ASCII. dvrcfg's --help-all is put in the order
# help2man reads: the overview, one usage line per command, the record kinds, the fields apply
# leaves alone (grouped by why), each command's own help, and the options last.
set -eu
name=$1
binary=$2
shift 2
export QT_QPA_PLATFORM=offscreen
"$binary" "$@" 2>/dev/null | awk -v name="$name" -v mode="$*" '
function flush_fields(    i) {
    for (i = 1; i <= nreasons; i++)
        print "  " reasons[i] "  " fields[reasons[i]]
    nreasons = 0
    delete fields
}
function emit(line) {
    if (split_word && line ~ /^    +[^ ]/) {
        split_word = 0
        sub(/^ +/, "", line)
        held = held line
        return
    }
    if (heldset)
        out[++nout] = held
    held = line
    heldset = 1
    # Qt splits a word only when it does not fit on a line of its own: a line that reaches the
    # last column holding one word and nothing else.
    split_word = length(line) >= 79 && line ~ /^ +[^ ]+$/
}
{
    sub(/\r$/, "")
    gsub(/…/, "...")
    if (NR == 1)
        sub(/^Usage: [^ ]*\//, "Usage: ")
    emit($0)
}
END {
    if (heldset)
        out[++nout] = held
    if (mode != "--help-all" || name != "dvrcfg") {
        for (i = 1; i <= nout; i++)
            print out[i]
        exit
    }
    # Parts of dvrcfg --help-all: head, the options, the arguments, then one block a command.
    part = "head"
    for (i = 1; i <= nout; i++) {
        line = out[i]
        if (line == "Options:" && part == "head") { part = "options"; continue }
        if (line == "Arguments:" && part == "options") { part = "arguments"; continue }
        if (line ~ /^Usage: dvrcfg [a-z]+ /) {
            part = "command"
            sub(/^Usage: /, "", line)
            usage[++ncommands] = line
            block[ncommands] = ""
            continue
        }
        if (part == "head") head[++nhead] = line
        else if (part == "options") options[++noptions] = line
        else if (part == "command") {
            if (line == "Arguments:" || line == "Options:" || (line == "" && block[ncommands] == "")) continue
            # Indented under its heading, as help2man wants a sub-section.
            if (line ~ /^[^ ]/) line = "  " line
            block[ncommands] = block[ncommands] line "\n"
        }
    }
    for (i = 1; i <= nhead; i++) {
        line = head[i]
        if (i == 1) {
            print line
            for (c = 1; c <= ncommands; c++)
                print "  or:  " usage[c]
            continue
        }
        # A paragraph or a heading after a list starts apart from it.
        if ((line ~ /^[^ ]/ && head[i - 1] ~ /^ /) || (line ~ /^[^ ].*:$/ && head[i - 1] != ""))
            print ""
        if (line ~ /^apply leaves these fields/) { infields = 1; print line; continue }
        if (infields) {
            # "  device.deviceName (device name)": one line per reason, its fields after it.
            if (match(line, /^  [A-Za-z0-9_.]+ \(.*\)$/)) {
                field = line; sub(/^  /, "", field); sub(/ \(.*$/, "", field)
                reason = line; sub(/^  [^ ]+ \(/, "", reason); sub(/\)$/, "", reason)
                if (!(reason in fields)) { reasons[++nreasons] = reason; fields[reason] = field }
                else fields[reason] = fields[reason] ", " field
                continue
            }
            flush_fields()
            if (line ~ /^  /) { sub(/^  /, "", line); print ""; print line; continue }
            infields = 0
        }
        print line
    }
    flush_fields()
    for (c = 1; c <= ncommands; c++) {
        print ""
        print usage[c] ":"
        printf "%s", block[c]
    }
    print ""
    print "Options:"
    for (i = 1; i <= noptions; i++)
        print options[i]
}'
