# The browser build with Debian's emscripten (package emscripten).  Debian
# ships emscripten's system libraries already built, in its cache
# /usr/share/emscripten/cache, and freezes that cache (FROZEN_CACHE in
# /usr/share/emscripten/.emscripten): nothing is built or downloaded on first
# use, and a setting that needs a library Debian did not build (an emscripten
# "port" such as SDL2) fails at once instead.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# emcc runs its JavaScript optimiser with node, which must find the acorn
# parser from Debian's node-acorn in /usr/share/nodejs.  Debian's nodejs
# looks there by itself; another build of node (NodeSource's) does not.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

# C++ exceptions are caught as on every other build (the runtime's I/O
# error travels as one); emscripten's default only aborts on a throw.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")

# Whole archives (the layer checks of cmake/layers.cmake link each layer
# whole): wasm-ld takes the flags GNU ld does; CMake knows no such feature
# for this platform by itself.
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE
    "LINKER:--whole-archive" "<LINK_ITEM>" "LINKER:--no-whole-archive")
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED TRUE)
