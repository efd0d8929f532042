# Sourced by the other scripts: installs the Debian packages the build,
# the program and the tests need, and any named as arguments, when any is
# missing.
ORVANE_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev libsqlite3-dev libcurl4-openssl-dev
  ca-certificates libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev python3-aiosmtpd openssl
  fonts-dejavu-core fonts-liberation2 libcsv-dev libxxhash-dev desktop-file-utils appstream"

# Only the fuzzing run needs these: clang with libFuzzer and its sanitizer
# runtimes, and the symbolizer that puts file and line into clang's reports.
# Pass them to orvane_install_deps.
ORVANE_FUZZ_PACKAGES="clang-14 libclang-rt-14-dev llvm-14"

# Only the lint needs these (scripts/lint.sh).
ORVANE_LINT_PACKAGES="clang-tidy-14 clang-format-14"

# ccache, when there, makes rebuilds cheap. CMake reads the launcher from the
# environment when it first configures a tree; the presets cannot ask
# whether ccache exists.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER+set}" ] && command -v ccache >/dev/null 2>&1; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

orvane_install_deps() {
    local missing=""
    for p in $ORVANE_PACKAGES "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
}
