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
