# Same sources as the shipped launcher, built for 64-bit Windows. Used only where the
# test machine cannot execute 32-bit code and so runs the Windows tests under 64-bit Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
