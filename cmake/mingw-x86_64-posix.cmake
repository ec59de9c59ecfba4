# The same code as 64-bit Windows, for Linux machines whose kernel cannot run
# Wine's 32-bit loader: tests run here under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(WINE_LOADER_NAME wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-posix.cmake)
