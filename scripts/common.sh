# Shared by the scripts: where the sources are, and how many jobs to run.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-5G}
