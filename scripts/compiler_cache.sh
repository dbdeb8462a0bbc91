# Sourced by the build scripts after setup.sh: build folders configured afresh compile through
# ccache, so a clean clone rebuilds what an earlier build of the same sources already compiled.
# Paths below the checkout are hashed relative to it, so clones in other folders share the cache.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD"
fi
