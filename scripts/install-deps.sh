#!/usr/bin/env bash
# Installs what the build and the tests need and is not on this machine yet. Quiet and quick when
# everything is present; runs apt-get update only when something must be installed.
set -euo pipefail

packages=(
    clang libclang-rt-14-dev
    g++ cmake make
    libgtest-dev libbenchmark-dev
    # The 32-bit Windows build, and wine (with its 32-bit part) to test it.
    g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine wine32:i386
    # The command-line program.
    libpugixml-dev libzip-dev libxml2-utils
    # A faster allocator for the native programs and the benchmarks.
    libmimalloc-dev
    # The command-line program's preview page: the browser the tests load it in, and libpng to
    # read the screenshot.
    chromium libpng-dev
)
# The preview page engraves with Verovio under Node.js: Debian's nodejs, and npm to install the
# package, unless this machine has them already from elsewhere.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# wine32 is an i386 package: the architecture must be known to dpkg before apt can find it.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 architecture"
    $SUDO dpkg --add-architecture i386
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -ne 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    # A mirror in the middle of a sync fails an index or two; try again, and go on with what the
    # indexes have if it still fails: the install below says clearly what it cannot find.
    for attempt in 1 2 3; do
        if $SUDO apt-get update -qq; then break; fi
        echo "install-deps: apt-get update failed (attempt $attempt of 3)"
        sleep $((attempt * 3))
    done
    if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
        # wine's 32-bit part needs the i386 index of every archive, which a mirror in the middle
        # of a sync can lack for a while. Everything else is installed regardless; without wine
        # the Windows suite is skipped, loudly (scripts/run-under-wine.sh), never passed.
        others=()
        for package in "${missing[@]}"; do
            case "$package" in wine | wine32:i386) ;; *) others+=("$package") ;; esac
        done
        if [ ${#others[@]} -ne 0 ]; then
            $SUDO apt-get install -y -qq --no-install-recommends "${others[@]}" >/dev/null
        fi
        # The usual gap is the security archive's i386 index: its amd64 updates are then
        # offered with no i386 twin, and the two halves of a shared library must match. Taking
        # wine's libraries from the main archive alone (the security archive ranked below the
        # installed versions, for this one install) closes it.
        pins="$(mktemp)"
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 50\n' >"$pins"
        chmod 644 "$pins"
        if $SUDO apt-get install -y -qq --no-install-recommends -o Dir::Etc::Preferences="$pins" \
            wine wine32:i386 >/dev/null; then
            echo "install-deps: wine installed from the main archive (the security archive's" \
                "i386 index was not available)"
        else
            echo "install-deps: WARNING: wine could not be installed (the package archive did" \
                "not offer it); the Windows suite will be skipped on this machine"
        fi
        rm -f "$pins"
    fi
fi

# The preview's npm packages, exactly as its lock file pins them: installed again whenever the
# lock file differs from the one they were installed from.
preview="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/preview"
stamp="$preview/node_modules/.installed-from-lock.json"
if ! cmp -s "$preview/package-lock.json" "$stamp"; then
    echo "install-deps: installing the preview's npm packages (npm ci in preview/)"
    (cd "$preview" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
    cp "$preview/package-lock.json" "$stamp"
fi
