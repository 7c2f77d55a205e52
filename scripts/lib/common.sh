# Shared by scripts/test and scripts/demo: package installation and the normal build.

# Clones at other paths share the compiler cache: paths are hashed relative to the project.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

# Packages a fresh Debian 12 machine needs to build, test and run the project.
DEVIO_PACKAGES=(cmake ninja-build g++ clang lld libclang-rt-14-dev ccache python3
    libgtest-dev libgmock-dev libbenchmark-dev librapidxml-dev nlohmann-json3-dev libspdlog-dev
    libssl-dev libudev-dev pkg-config
    help2man man-db bash-completion desktop-file-utils dpkg-dev lintian
    qt6-base-dev xvfb xauth fonts-wqy-zenhei fonts-dejavu-core)
# What scripts/demo needs of them: the packages that configure the tree and build the tool.
# (GoogleTest because the tree's tests are configured, though not built.)
DEVIO_DEMO_PACKAGES=(cmake ninja-build g++ ccache libgtest-dev libgmock-dev librapidxml-dev
    nlohmann-json3-dev libssl-dev libudev-dev pkg-config)

# Installs the packages of the arguments that are not installed yet (apt-get, as root).
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Configures and builds the normal (release) tree in build/: the targets named, or all of them.
build_release() { # [targets...]
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j "$(nproc)" ${1:+--target "$@"}
}
