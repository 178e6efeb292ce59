#!/usr/bin/env bash
# Fault injection against the dev build's kaldor and its bundled demo installation.
#
# Random faults: libfiu's POSIX preload fails open, read, write, the directory calls (opendir,
# readdir, closedir, unlink, rename) and malloc at random, at three probabilities, in at least
# 100 start-ups each. Hosts together: rounds of 2, 4 and 8 kaldor processes started at once on
# one home. Every start-up gets a fresh home holding the user's own files (non-UTF-8 names and
# links among them), checksummed before and after; every run is bounded by a timeout; after
# the hosts of a home have ended, one clean start-up (no faults) must succeed on it.
#
# Fails on: a signal, a hang, a user file lost or changed, a setting copy or temporary file
# left in the user's folders, something placed there half-done, a clean start-up that fails
# afterwards, kaldor's exit 4 without its one line, and (hosts together) any failed start-up
# or a report that counts another process's packages. Prints a table, then every failure with
# its seed, so that a single-host run can be repeated (FIU_PRNG_SEED) under gdb.
#
# Usage: scripts/faults.sh [RUNS [ROUNDS]]   (defaults 100 start-ups and 100 rounds)
set -uo pipefail
cd "$(dirname "$0")/.."

runs=${1:-100}
rounds=${2:-100}
kaldor="$PWD/build/dev/bin/kaldor"
demo="$PWD/build/dev/demo"
preload_dir=/usr/lib/fiu
# A start-up takes a tenth of a second; eight at once on two cores take a few.
limit=20
# Probabilities of the file calls; malloc fails ten times less often, or nearly every run would
# end in the first thousand allocations, before the platform does any work.
probabilities=(0.001 0.005 0.02)
file_points=(posix/io/oc/open posix/io/rw/read posix/io/rw/write 'posix/io/dir/*')
host_counts=(2 4 8)
role=Engineer
locale=en_US

for need in "$kaldor" "$demo/bin/Orvane.so" "$preload_dir/fiu_posix_preload.so" \
    "$preload_dir/fiu_run_preload.so"; do
    if [ ! -e "$need" ]; then
        echo "faults: $need is missing (build the dev preset; scripts/setup.sh installs fiu-utils)" >&2
        exit 1
    fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/orvane-faults.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# The homes of the first few failures stay for a look; the folder goes when none failed.
kept="$(mktemp -d "${TMPDIR:-/tmp}/orvane-faults-kept.XXXXXX")"

seed_dir="$demo/bin/KxApp/Resource/Orvane/Library/custom"
role_dirs=("Action" "Action/$locale" "Environment-2/Controls" "Environment-10/Controls"
           "Environment-13/Controls")
latin1=$'\xe9t\xe9'   # "été" in Latin-1: not UTF-8

# ---------------------------------------------------------------------------------------------
# The user's files, made once in a template that every run copies (home/ and outside/, linked
# relatively). user_paths: everything that must stay exactly as it is; link_targets: files that
# links inside the home point at, which must never be written through; removable: links the
# platform may delete as left-over setting copies (as themselves, never their targets).
template="$work/template"
user_paths=()
add_file() { # relative path, content
    mkdir -p "$template/$(dirname "$1")"
    printf '%s\n' "$2" >"$template/$1"
    user_paths+=("$1")
}
add_link() { # relative path, target
    mkdir -p "$template/$(dirname "$1")"
    ln -s "$2" "$template/$1"
    user_paths+=("$1")
}
r="home/roles/$role"
add_file outside/target.txt "a file outside the home that links point at"
add_file outside/shared/data.bin "$(head -c 512 /dev/urandom | base64)"
add_file "outside/shared/$latin1.txt" "Latin-1 name outside"
add_file "$r/Action/my_actions.hcui" "<Actions><Action name=\"mine\"/></Actions>"
add_file "$r/Action/NEVRA12a.hcui" "not a copy: letters after the digits"
add_file "$r/Action/XNEVRA1.hcui" "not a copy: a letter before"
add_file "$r/Action/NEVRA1.HCUI" "not a setting file: upper-case extension"
add_file "$r/Action/NEVRA1.hcui.bak" "not a setting file: another extension"
add_file "$r/Action/$latin1.hcui" "a setting file with a Latin-1 name"
add_link "$r/Action/linked_actions.hcui" my_actions.hcui
add_file "$r/Action/$locale/mine.hcui" "<Actions/>"
add_file "$r/Action/$locale/${latin1}_locale.txt" "Latin-1 in the locale action folder"
add_file "$r/Environment-2/Controls/controls.hcui" "<Controls/>"
add_link "$r/Environment-2/Controls/outside.hcui" ../../../../../outside/target.txt
add_file "$r/Environment-10/Controls/controls.hcui" "<Controls ten=\"1\"/>"
add_link "$r/Environment-10/Controls/dangling.hcui" ../../../../../outside/nothing.hcui
add_file "$r/Environment-13/Controls/controls.hcui" "<Controls thirteen=\"1\"/>"
add_link "$r/Environment-13/Controls/shared" ../../../../../outside/shared
add_file home/library/Nevra/materials.txt "the user's own materials: must not be replaced by the seed"
add_file home/library/Nevra/notes.txt "user notes"
add_file "home/library/Nevra/$latin1/plate.tpl" "a Latin-1 folder in the library"
add_link home/library/Nevra/shared ../../../outside/shared
add_link home/library/Nevra/dangling ../../../outside/nothing
add_file home/logs/other.log "a log that is not the product's"
add_file home/logs/Nevra/readme.txt "the user's file in the product's per-user folder"
add_file home/readme.txt "top of the home"
add_file "home/$latin1 caf"$'\xe9'".txt" "Latin-1 name at the top"
add_file "home/"$'\xff\xfe'"bytes" "bytes that are no encoding at all"
add_link home/link-to-outside ../outside/target.txt
add_link home/dangling-link ../outside/nothing
add_link "home/$latin1-link" "$latin1 caf"$'\xe9'".txt"
add_file home/folder5/keep.txt "a user folder of another kind"
add_file "home/folder5/$latin1/deep/file.txt" "deep below a Latin-1 folder"
add_file home/roles/Other/Action/NEVRA0000001.hcui "another role's file: not this host's business"
add_file "$r/notes.txt" "beside the group folders"
add_file "$r/Environment-2/readme.txt" "beside Controls"
add_file "$r/Environment-10/Controls/$latin1-control.hcui" "<Controls/>"
add_file "$r/Environment-13/readme.txt" "beside Controls"
add_file "home/library/$latin1.txt" "beside the product's library folder"
add_link "$r/Action/$locale/linked-up" ../my_actions.hcui
# Links named like left-over copies: the platform deletes them as themselves.
mkdir -p "$template/$r/Action" "$template/home/logs/Nevra/cae_pr_/Settings/Default"
ln -s ../../../../outside/target.txt "$template/$r/Action/NEVRA0000002.hcui"
# The default settings tree is removed at every start: a link in it goes as itself.
ln -s ../../../../../../outside/shared "$template/home/logs/Nevra/cae_pr_/Settings/Default/shared"
removable=("$r/Action/NEVRA0000002.hcui")

# What must not change: type, link target and size of every user path, and the content of
# every file (through links, but not dangling ones).
hashed=()
for p in "${user_paths[@]}"; do
    [ -f "$template/$p" ] && hashed+=("$p")
done
manifest() { # run dir
    (cd "$1" && find "${user_paths[@]}" -maxdepth 0 -printf '%y %l %s %p\n' 2>&1 &&
        sha256sum -- "${hashed[@]}" 2>&1)
}
manifest "$template" >"$work/manifest"

# The user's paths and the folders that hold them.
declare -A users
for p in "${user_paths[@]}" "${removable[@]}"; do
    while [ "$p" != home ] && [ "$p" != outside ] && [ -z "${users[$p]:-}" ]; do
        users[$p]=1
        p="${p%/*}"
    done
done
# The setting files a copy may come from, and the seed of the user's library, by content. The
# sources lie in every resource folder of the installation: the shared area, beside a package
# (apps/Plotter) and under a plug-in's folder.
declare -A sources seeded
while read -r sum _; do
    sources[$sum]=1
done < <(find "$demo" -path '*/Configures/Default/*' -name '*.hcui' -type f -exec sha256sum {} +)
while IFS= read -r -d '' entry; do
    rel="home/library/Nevra/${entry#"$seed_dir"/}"
    [ -z "${users[$rel]:-}" ] && seeded[$rel]="$(sha256sum <"$entry" | cut -d' ' -f1)"
done < <(find "$seed_dir" -type f -print0)

looks_temporary() {
    case "${1,,}" in
    *.tmp | *.tmp[.-_]* | .tmp* | *.temp | *.part | *.new | *~ | *'#') return 0 ;;
    esac
    return 1
}

# Problems with what the platform placed in the user's folders, one per line. Phase "fault":
# after a host with faults ended; faults may leave a copy or a temporary file behind (an unlink
# that failed), which the next start must clear, but never anything half-done. Phase "clean":
# after every host of the home ended, the last one clean: nothing may be left, and everything
# the seed holds is there.
placed_problems() { # run dir, phase
    local dir="$1" phase="$2" rel name entry
    local -A sums=()
    local -a files=()
    # One walk of the home, then one checksum call for what needs its content.
    while IFS= read -r -d '' entry; do
        rel="${entry#"$dir"/}"
        name="${rel##*/}"
        case "$rel" in
        home/roles/*)
            [[ "${name^^}" =~ ^NEVRA[0-9]*\.HCUI$ && -z "${users[$rel]:-}" && -f "$entry" ]] &&
                files+=("$rel")
            ;;
        home/library/Nevra/*)
            [ -n "${seeded[$rel]:-}" ] && [ -f "$entry" ] && files+=("$rel")
            ;;
        esac
    done < <(find "$dir/home" -mindepth 1 -print0 2>/dev/null)
    if [ ${#files[@]} -gt 0 ]; then
        while read -r sum rel; do
            sums[$rel]="$sum"
        done < <(cd "$dir" && sha256sum -- "${files[@]}" 2>/dev/null)
    fi
    while IFS= read -r -d '' entry; do
        rel="${entry#"$dir"/}"
        [ -n "${users[$rel]:-}" ] && continue
        name="${rel##*/}"
        case "$rel" in
        home/roles/*)
            # The role folders hold the user's files only: left-over copies go at start.
            [ -d "$entry" ] && [ ! -L "$entry" ] && continue
            if [[ "${name^^}" =~ ^NEVRA[0-9]*\.HCUI$ ]]; then
                if [ -z "${sources[${sums[$rel]:-none}]:-}" ]; then
                    echo "torn setting copy ($(stat -c %s "$entry") bytes): $rel"
                elif [ "$phase" = clean ]; then
                    echo "copy left behind: $rel"
                fi
            elif looks_temporary "$name"; then
                [ "$phase" = clean ] && echo "temporary file left behind: $rel"
            else
                echo "other entry in a role folder: $rel"
            fi
            ;;
        home/library/Nevra/*)
            # What lies inside a folder copied under a temporary name is part of that copy.
            top="${rel#home/library/Nevra/}"
            if [ -n "${seeded[$rel]:-}" ]; then
                [ "${sums[$rel]:-}" = "${seeded[$rel]}" ] || echo "torn seeded file: $rel"
            elif looks_temporary "$name" || looks_temporary "${top%%/*}"; then
                [ "$phase" = clean ] && echo "temporary file left behind: $rel"
            elif [ -d "$entry" ] && [ ! -L "$entry" ]; then
                # A folder of the seed holds all of it, or it was copied half.
                for s in "${!seeded[@]}"; do
                    if [[ "$s" == "$rel"/* ]] && [ ! -e "$dir/$s" ]; then
                        echo "torn seeded folder: $rel/ lacks ${s#"$rel"/}"
                    fi
                done
                [[ " ${!seeded[*]} " == *" $rel/"* ]] || echo "other entry in the library: $rel"
            else
                echo "other entry in the library: $rel"
            fi
            ;;
        *)
            looks_temporary "$name" && [ "$phase" = clean ] && echo "temporary file left behind: $rel"
            ;;
        esac
    done < <(find "$dir/home" -mindepth 1 -print0 2>/dev/null)
    if [ "$phase" = clean ]; then
        for s in "${!seeded[@]}"; do
            [ -e "$dir/$s" ] || echo "seeded file missing after a clean start: $s"
        done
    fi
}

# ---------------------------------------------------------------------------------------------
# Every finding is one line "<row>\t<column>" in $results; what it was, in $details. Workers
# append to both.
results="$work/results"
details="$work/details"
: >"$results"
: >"$details"
tally() { # row, column
    printf '%s\t%s\n' "$1" "$2" >>"$results"
}
note() { # row, text
    printf '%-9s %s\n' "$1" "$2" >>"$details"
}
keep() { # run dir: the homes of the first failures stay for a look
    if [ "$(find "$kept" -mindepth 1 -maxdepth 1 | wc -l)" -lt 5 ]; then
        mv "$1" "$kept/" && echo " (home kept in $kept/${1##*/})"
    fi
}
one_line() { # file: its last lines as one
    tail -n "${2:-2}" "$1" | tr '\n' '|' | cut -c1-300
}

# Judges one host's end; true when it is a defect of the host's own: a signal, a hang, exit 4
# without its one line, an exit code kaldor does not have.
# Aborts inside other people's code that no caller can catch, as the README lists them: frames
# of a backtrace (or, for the loader, its message) that name where they happen.
foreign_abort='_GLOBAL__sub_I_CommandLine\.cpp|QTextCodec::~QTextCodec|QObjectPrivate::~QObjectPrivate|cannot allocate memory for thread-local data'

judge_exit() { # row, exit code, stderr file, label[, evidence that the end is a foreign abort]
    local row="$1" rc="$2" err="$3" label="$4" evidence="${5:-}"
    [ "$rc" -ne 0 ] && tally "$row" failed
    if [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] && [ "$rc" -ne 137 ] &&
        grep -q -E "$foreign_abort" <<<"$evidence"$'\n'"$(cat "$err")"; then
        tally "$row" foreign
        note "$row" "$label: ended in other people's code (exit $rc), as the README lists"
        return 1
    fi
    case "$rc" in
    0 | 1 | 2 | 3) return 1 ;;
    4)
        # Records the log held because it never opened reach standard error at exit, after
        # kaldor's line; they are tab-separated, kaldor's own line holds no tab.
        if [ "$(grep -c '^kaldor: ' "$err")" -eq 1 ] &&
            grep -v $'\t' "$err" | tail -n 1 | grep -q '^kaldor: unexpected error'; then
            return 1
        fi
        tally "$row" badexit
        note "$row" "$label: exit 4 without exactly one line of its own: $(one_line "$err" 3)"
        ;;
    124 | 137)
        tally "$row" hangs
        note "$row" "$label: hang, killed after $limit s"
        ;;
    *)
        if [ "$rc" -gt 128 ]; then
            tally "$row" signals
            note "$row" "$label: ended by SIG$(kill -l $((rc - 128)) 2>/dev/null): $(one_line "$err" 3)"
        else
            tally "$row" badexit
            note "$row" "$label: exit code $rc: $(one_line "$err")"
        fi
        ;;
    esac
    return 0
}

# After the hosts of a home ended: what they placed, then a clean start-up, what is left after
# it, and the user's files. False when something was wrong.
finish_home() { # row, run dir, label, phase of the first look
    local row="$1" dir="$2" label="$3" phase="$4" bad=0 problems rc
    problems="$(placed_problems "$dir" "$phase")"
    KALDOR_HOME="$dir/home" timeout -k 2 "$limit" "$kaldor" run --json \
        >"$dir/clean.out" 2>"$dir/clean.err"
    rc=$?
    if [ "$rc" -ne 0 ]; then
        tally "$row" clean
        note "$row" "$label: the clean start-up afterwards exited $rc: $(grep -h -m 2 -E '"record"|kaldor:' "$dir/clean.out" "$dir/clean.err" | sed 's/^ *//' | tr '\n' '|' | cut -c1-300)"
        bad=1
    fi
    problems="$(printf '%s\n%s\n' "$problems" "$(placed_problems "$dir" clean)" | sed '/^$/d' | sort -u)"
    if [ -n "$problems" ]; then
        tally "$row" leftover
        note "$row" "$label: $(printf '%s\n' "$problems" | head -n 4 | tr '\n' '|')"
        bad=1
    fi
    if ! manifest "$dir" | cmp -s - "$work/manifest"; then
        tally "$row" damaged
        note "$row" "$label: user files changed: $(manifest "$dir" | diff "$work/manifest" - | grep '^[<>]' | head -n 4 | tr '\n' '|')"
        bad=1
    fi
    return $bad
}

preload="$preload_dir/fiu_run_preload.so $preload_dir/fiu_posix_preload.so"
# The same run again under gdb, for the frames that ended it. The noise of unwinding and
# allocating is left out.
backtrace() { # row, FIU_ENABLE, seed
    local dir="$work/$1-$3-gdb"
    cp -a "$template" "$dir"
    # gdb cannot pass a value with line breaks on: a script does, and gdb follows its exec.
    printf '%s' "$2" >"$dir/enable"
    cat >"$dir/run.sh" <<SCRIPT
export KALDOR_HOME="$dir/home" FIU_ENABLE="\$(cat "$dir/enable")" FIU_PRNG_SEED="$3" FIU_CTRL_FIFO=""
export LD_PRELOAD="$preload"
exec "$kaldor" run
SCRIPT
    gdb -batch -nx -ex 'set startup-with-shell off' -ex 'set pagination off' -ex run \
        -ex 'bt 60' --args /bin/bash "$dir/run.sh" 2>&1 | frames_of
    rm -rf "$dir"
}

# The frames of a gdb backtrace that say something: the noise of unwinding and allocating is
# left out.
frames_of() {
    grep -E '^#[0-9]' |
        grep -v -E ' (__pthread_kill|__pthread_kill_[a-z]+|__GI_raise|raise|__GI_abort|abort|__cxa_throw|_Unwind_[A-Za-z]+|__gxx_personality_v0) | in \?\? \(\) from .*(libstdc|libgcc_s)|std::(__new_allocator|allocator_traits|_Vector_base|vector<|__cxx11::basic_string|_Rb_tree|set<|__shared|_Sp_|_Function|function<)|operator new' |
        sed -E 's/^#[0-9]+ +(0x[0-9a-f]+ in )?/    /; s/ \(.*\) (at|from) / @ /' | head -n 12
}

fault_run() { # row, FIU_ENABLE, seed
    local row="$1" enable="$2" seed="$3" dir="$work/$1-$3" rc bad=0
    cp -a "$template" "$dir"
    tally "$row" runs
    # In its own folder with core dumps on, so that a signal leaves the process's own frames;
    # the shell's own word on a signal ("Aborted") is the table's to give.
    {
        (cd "$dir" && ulimit -c unlimited &&
            KALDOR_HOME="$dir/home" FIU_ENABLE="$enable" FIU_PRNG_SEED="$seed" FIU_CTRL_FIFO="" \
                LD_PRELOAD="$preload" exec timeout -k 2 "$limit" "$kaldor" run \
                >"$dir/run.out" 2>"$dir/run.err")
    } 2>/dev/null
    rc=$?
    # A signal is judged by where it happened: the core's frames, or, where the system keeps no
    # core in the process's folder, those of the same run again under gdb.
    local frames="" core
    if [ "$rc" -gt 128 ] && [ "$rc" -ne 137 ]; then
        core="$(find "$dir" -maxdepth 1 -name 'core*' -type f | head -n 1)"
        if [ -n "$core" ]; then
            frames="$(gdb -batch -nx -ex 'bt 60' "$kaldor" "$core" 2>&1 | frames_of)"
            rm -f "$core"
        else
            frames="$(backtrace "$row" "$enable" "$seed")"
        fi
    fi
    if judge_exit "$row" "$rc" "$dir/run.err" "seed $seed" "$frames"; then
        bad=1
        [ -n "$frames" ] && note "$row" "seed $seed: under gdb:"$'\n'"$frames"
    fi
    finish_home "$row" "$dir" "seed $seed" fault || bad=1
    [ "$bad" -ne 0 ] && note "$row" "seed $seed: exit $rc$(keep "$dir")"
    rm -rf "$dir"
}

fault_row() { # row, probability, first seed
    local row="$1" p="$2" enable="" point malloc_p i
    malloc_p="$(awk -v p="$p" 'BEGIN { printf "%g", p / 10 }')"
    for point in "${file_points[@]}"; do
        enable+="enable_random name=$point,probability=$p"$'\n'
    done
    enable+="enable_random name=libc/mm/malloc,probability=$malloc_p"
    note "$row" "faults: ${file_points[*]} at $p, libc/mm/malloc at $malloc_p"
    # Two at a time: the runs are independent, each on its own home.
    for i in $(seq 1 "$runs"); do
        fault_run "$row" "$enable" $(($3 + i)) &
        [ $((i % 2)) -eq 0 ] && wait
    done
    wait
}

hosts_round() { # row, number of hosts, round
    local row="$1" n="$2" round="$3" dir="$work/$1-$3" h bad=0 reference imports
    local -a pids=() rcs=()
    cp -a "$template" "$dir"
    for h in $(seq 1 "$n"); do
        KALDOR_HOME="$dir/home" timeout -k 2 "$limit" "$kaldor" run --json \
            >"$dir/host$h.out" 2>"$dir/host$h.err" &
        pids+=($!)
    done
    for h in $(seq 1 "$n"); do
        wait "${pids[$((h - 1))]}"
        rcs+=($?)
        tally "$row" runs
    done
    for h in $(seq 1 "$n"); do
        rc=${rcs[$((h - 1))]}
        judge_exit "$row" "$rc" "$dir/host$h.err" "round $round host $h" && bad=1
        if [ "$rc" -ne 0 ]; then
            note "$row" "round $round host $h: start-up failed (exit $rc): $(grep -h -m 2 -E '"record"|kaldor:' "$dir/host$h.out" "$dir/host$h.err" | sed 's/^ *//' | tr '\n' '|' | cut -c1-300)"
            bad=1
        fi
    done
    finish_home "$row" "$dir" "round $round" clean || bad=1
    # Each report counts the packages of its own start-up: as many as a host alone has.
    reference=$(grep -c '"imported":' "$dir/clean.out")
    for h in $(seq 1 "$n"); do
        imports=$(grep -c '"imported":' "$dir/host$h.out")
        if [ "${rcs[$((h - 1))]}" -eq 0 ] && [ "$imports" -ne "$reference" ]; then
            tally "$row" mixed
            note "$row" "round $round host $h: its report has $imports package imports, a host alone $reference"
            bad=1
        fi
    done
    [ "$bad" -ne 0 ] && note "$row" "round $round: $n hosts on one home$(keep "$dir")"
    rm -rf "$dir"
}

# Nothing but the home comes from the caller's environment.
unset KALDOR_FOLDER_5 KALDOR_FOLDER_6 KALDOR_FOLDER_7 KALDOR_LANGUAGE KALDOR_ROLE KALDOR_PROFILE \
    KALDOR_REFUSE_PATHS KXDB_REFUSE_IDS KALDOR_TRACE KALDOR_DEMO_EVENTS

start=$SECONDS
echo "faults: $runs start-ups per probability, $rounds rounds of ${host_counts[*]} hosts;" \
    "${#user_paths[@]} user files and links in each home and beside it"
rows=()
for k in "${!probabilities[@]}"; do
    rows+=("p=${probabilities[$k]}")
    fault_row "p=${probabilities[$k]}" "${probabilities[$k]}" $((k * 100000))
done
for n in "${host_counts[@]}"; do
    rows+=("$n hosts")
    for i in $(seq 1 "$rounds"); do
        hosts_round "$n hosts" "$n" "$i"
    done
done

columns=(runs failed signals hangs damaged leftover clean badexit mixed foreign)
printf '\n%-9s %5s %7s %8s %6s %8s %11s %12s %9s %6s %8s\n' "" runs "failed" signals hangs \
    damaged "left-overs" "clean-after" "bad exit" mixed foreign
failed=0
for row in "${rows[@]}"; do
    declare -A n=()
    for c in "${columns[@]}"; do
        n[$c]=$(grep -c -x -F "$row"$'\t'"$c" "$results")
    done
    printf '%-9s %5d %7d %8d %6d %8d %11d %12d %9d %6d %8d\n' "$row" "${n[runs]}" "${n[failed]}" \
        "${n[signals]}" "${n[hangs]}" "${n[damaged]}" "${n[leftover]}" "${n[clean]}" \
        "${n[badexit]}" "${n[mixed]}" "${n[foreign]}"
    defects=$((n[signals] + n[hangs] + n[damaged] + n[leftover] + n[clean] + n[badexit] + n[mixed]))
    case "$row" in *hosts) defects=$((defects + n[failed])) ;; esac
    [ "$defects" -ne 0 ] && failed=1
done
cat <<'TEXT'
failed: start-ups that did not succeed (expected under faults; with hosts together, a defect).
damaged: homes whose user files changed or went. left-overs: homes where a setting copy or a
temporary file was left after all hosts ended, or something placed half-done. clean-after:
homes where a clean start-up then failed. bad exit: exit 4 without its one line, or an exit
code kaldor does not have. mixed: reports that counted another host's packages. foreign: runs
that ended inside other people's code at a place the README lists (not a defect of ours).
TEXT
if [ "$(grep -c -v ' faults: ' "$details")" -gt 0 ]; then
    echo
    echo "Findings (a seed repeats a single-host run: FIU_PRNG_SEED=<seed> with that FIU_ENABLE):"
    head -n 150 "$details"
    [ "$(wc -l <"$details")" -gt 150 ] && echo "... $(($(wc -l <"$details") - 150)) more lines"
fi
rmdir "$kept" 2>/dev/null || echo "The homes of the first failures are kept in $kept."
echo "faults: finished in $((SECONDS - start)) s"
exit $failed
