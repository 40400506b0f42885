# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# shellcheck shell=bash
# Sourced by scripts/fuzz.sh and scripts/fuzz-smoke.sh (from the repository root): clang for
# the libFuzzer targets in fuzz/, and their build in build-fuzz/.

fuzz_targets=(reply numbers ini csv logimport)

# Installs clang and its runtime libraries (libFuzzer, the sanitizers) when missing: directly
# as root, through sudo otherwise. When the install fails (a fresh machine has no package
# lists yet), the lists are read and the install tried once more.
fuzz_install_clang() {
    local packages=(clang libclang-rt-14-dev) missing=() as_root=() p
    for p in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        as_root=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    local install=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive
        apt-get install -y --no-install-recommends "${missing[@]}")
    if ! "${install[@]}"; then
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
        "${install[@]}"
    fi
}

# Installs what is missing and configures build-fuzz/ with clang.
fuzz_configure() {
    bash scripts/deps.sh
    fuzz_install_clang
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DABGLEICH_FUZZ=ON -DABGLEICH_BUILD_TESTS=OFF -DABGLEICH_BUILD_BENCHMARKS=OFF >/dev/null
}

# Builds the named targets (reply numbers ...), every one when none is named.
fuzz_build() {
    local targets=("$@")
    if ((${#targets[@]} == 0)); then
        targets=("${fuzz_targets[@]}")
    fi
    cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
}
