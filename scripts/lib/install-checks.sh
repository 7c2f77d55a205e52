# The install checks of scripts/test: install the normal build into a temporary prefix, check the
# installed tree, build the consumer against it and build the Debian package. Each function prints
# what is wrong on standard error and returns non-zero.

# Builds tests/consumer against the install in PREFIX twice, with find_package(devio) and with
# pkg-config, in WORK, and runs both programs.
consumer_test() { # prefix work
    local prefix=$1 work=$2
    cmake -S tests/consumer -B "$work/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$prefix" >/dev/null &&
        cmake --build "$work/cmake" >/dev/null &&
        "$work/cmake/devio-consumer" || {
        echo "consumer test: the find_package(devio) build failed" >&2
        return 1
    }
    local flags
    flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs devio) &&
        ${CXX:-c++} -o "$work/devio-consumer-pc" tests/consumer/main.cpp $flags &&
        "$work/devio-consumer-pc" || {
        echo "consumer test: the pkg-config build failed" >&2
        return 1
    }
}

# The man pages in PREFIX render without a warning from man or groff.
check_man_pages() { # prefix programs...
    local prefix=$1 program warnings ok=0
    shift
    for program in "$@"; do
        local page=$prefix/share/man/man1/$program.1.gz
        if [[ ! -f $page ]]; then
            echo "man page $page is missing" >&2
            ok=1
            continue
        fi
        warnings=$(MANWIDTH=80 man -l --warnings "$page" 2>&1 >/dev/null)
        if [[ -n $warnings ]]; then
            printf 'man page of %s: %s\n' "$program" "$warnings" >&2
            ok=1
        fi
    done
    return $ok
}

# Offers the completions bash would for the words given (the last one is the word being completed;
# "=" is a word of its own, as bash splits it) from the completion file FILE.
completions_for() { # file words...
    bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_LINE=${COMP_LINE// = /=}
        COMP_POINT=${#COMP_LINE}
        function=$(complete -p "$1" | sed "s/.*-F \([^ ]*\) .*/\1/")
        "$function" "$1" "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}" 2>/dev/null
        echo "${COMPREPLY[*]}"' completions "$@"
}

# Each program's completion in PREFIX offers every option its --help lists (the options that
# begin a line of the help or an item in brackets), and a value of one option.
check_completions() { # prefix
    local prefix=$1 ok=0 program option
    local folder=$prefix/share/bash-completion/completions
    for program in vantor-dfu devio-probe devio-uhid-sim; do
        if [[ ! -f $folder/$program ]]; then
            echo "bash completion $folder/$program is missing" >&2
            ok=1
            continue
        fi
        local offered
        offered=" $(completions_for "$folder/$program" "$program" '') "
        for option in $("$prefix/bin/$program" --help |
            grep -oE '(^[[:space:]]*\[?|\[)(--[a-z][a-z-]*|/[A-Z]+)' | grep -oE '(--|/).*' | sort -u); do
            if [[ $offered != *" $option"[=\ ]* ]]; then
                echo "bash completion of $program does not offer $option" >&2
                ok=1
            fi
        done
    done
    local values
    values=$(completions_for "$folder/vantor-dfu" vantor-dfu --ui = '')
    if [[ $values != "terminal headless" ]]; then
        echo "bash completion of vantor-dfu --ui= offers '$values'" >&2
        ok=1
    fi
    return $ok
}

# The width and height of a PNG file, from its header.
png_size() { # file
    local bytes
    read -ra bytes < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((bytes[0] << 24) + (bytes[1] << 16) + (bytes[2] << 8) + bytes[3]))x$(((bytes[4] << 24) + (bytes[5] << 16) + (bytes[6] << 8) + bytes[7]))"
}

# The desktop entry in PREFIX is valid, and its icon is there in each size, of that size.
check_desktop_entry() { # prefix
    local prefix=$1 ok=0 entry=$1/share/applications/vantor-dfu.desktop
    if [[ ! -f $entry ]] || ! desktop-file-validate "$entry"; then
        echo "desktop entry $entry is missing or not valid" >&2
        ok=1
    fi
    local icon=$(sed -n 's/^Icon=//p' "$entry" 2>/dev/null) size found=0
    for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
        local file=$prefix/share/icons/hicolor/$size/apps/$icon.png
        if [[ ! -f $file ]]; then
            echo "icon $file is missing" >&2
            ok=1
        elif [[ $(png_size "$file") != "$size" ]]; then
            echo "icon $file is $(png_size "$file"), not $size" >&2
            ok=1
        fi
    done
    return $ok
}

# The programs, the udev rules and the library's files are in PREFIX; the programs run.
check_installed_tree() { # prefix
    local prefix=$1 ok=0 file program
    for program in vantor-dfu devio-probe devio-uhid-sim; do
        if ! "$prefix/bin/$program" --help >/dev/null; then
            echo "$prefix/bin/$program is missing or does not run" >&2
            ok=1
        fi
    done
    for file in lib/udev/rules.d/70-varkon.rules \
        include/devio/Source/Manager/CDevio.h include/devio/Source/Contracts/IDevice.h \
        include/devio/Source/Log/LastError.h lib/libdevio_core.a lib/libdevio_features.a \
        lib/libdevio_system.a lib/cmake/devio/devioConfig.cmake \
        lib/cmake/devio/devioConfigVersion.cmake lib/cmake/devio/devioTargets.cmake \
        lib/pkgconfig/devio.pc; do
        if [[ ! -f $prefix/$file ]]; then
            echo "$prefix/$file is missing" >&2
            ok=1
        fi
    done
    # The private layers stay private; of System only the lock annotations, which the public
    # headers' declarations use, are installed.
    local private
    private=$(find "$prefix/include/devio/Source/System" "$prefix/include/devio/Source/Busses" \
        -type f ! -path "*/Source/System/ThreadAnnotations.h" 2>/dev/null)
    if [[ -n $private ]]; then
        echo "private headers were installed under $prefix/include/devio: $private" >&2
        ok=1
    fi
    if ! cmp -s packaging/udev/70-varkon.rules "$prefix/lib/udev/rules.d/70-varkon.rules"; then
        echo "the installed udev rules differ from packaging/udev/70-varkon.rules" >&2
        ok=1
    fi
    return $ok
}

# The tool's package in FOLDER holds what a user needs and reloads the udev rules; lintian finds
# no error in either package.
check_packages() { # folder
    local folder=$1 ok=0 path
    local tool=$folder/vantor-dfu_*.deb dev=$folder/libdevio-dev_*.deb
    local contents
    contents=$(dpkg-deb -c $tool | awk '{print $6}') || return 1
    for path in ./usr/bin/vantor-dfu ./usr/bin/devio-probe ./usr/bin/devio-uhid-sim \
        ./usr/share/man/man1/vantor-dfu.1.gz ./usr/share/man/man1/devio-probe.1.gz \
        ./usr/share/man/man1/devio-uhid-sim.1.gz ./usr/lib/udev/rules.d/70-varkon.rules \
        ./usr/share/applications/vantor-dfu.desktop \
        ./usr/share/icons/hicolor/48x48/apps/vantor-dfu.png \
        ./usr/share/bash-completion/completions/vantor-dfu; do
        if ! grep -qxF "$path" <<<"$contents"; then
            echo "the package $(basename $tool) lacks $path" >&2
            ok=1
        fi
    done
    if ! dpkg-deb -I $tool postinst | grep -q 'udevadm control --reload-rules'; then
        echo "the package $(basename $tool) does not reload the udev rules" >&2
        ok=1
    fi
    if ! dpkg-deb -f $tool Depends | grep -q 'libudev1'; then
        echo "the package $(basename $tool) lacks the dependencies of its programs" >&2
        ok=1
    fi
    # lintian fails on errors only; its warnings are printed.
    local report
    report=$(lintian --fail-on error $tool $dev 2>&1)
    local lintian_rc=$?
    grep -v 'running with root privileges' <<<"$report"
    if ((lintian_rc != 0)); then
        echo "lintian reports errors" >&2
        ok=1
    fi
    return $ok
}

# The install stage of scripts/test, on the normal build in BUILD (already built): installs it
# into a temporary prefix and checks the tree, builds the consumer against it, and builds and
# checks the Debian packages.
install_checks() { # build-dir
    local build=$1 work ok=0
    work=$(mktemp -d) || return 1
    # The programs' and the consumer's diagnostic logs go to the temporary folder too.
    (
        export TMPDIR=$work
        prefix=$work/prefix
        if ! cmake --install "$build" --prefix "$prefix" >/dev/null; then
            echo "cmake --install failed" >&2
            exit 1
        fi
        check_installed_tree "$prefix" || ok=1
        check_man_pages "$prefix" vantor-dfu devio-probe devio-uhid-sim || ok=1
        check_completions "$prefix" || ok=1
        check_desktop_entry "$prefix" || ok=1
        consumer_test "$prefix" "$work/consumer" || ok=1
        if (cd "$build" && cpack -G DEB -B "$work/packages" >/dev/null); then
            check_packages "$work/packages" || ok=1
        else
            echo "cpack -G DEB failed" >&2
            ok=1
        fi
        exit $ok
    )
    ok=$?
    rm -rf "$work"
    return $ok
}
