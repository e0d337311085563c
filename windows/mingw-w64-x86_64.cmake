# Toolchain for the Windows x64 kernel build: mingw-w64's GCC cross compiler
# and the DDK headers that come with mingw-w64-x86-64-dev.
#
#   cmake --preset windows && cmake --build --preset windows
#
# The compile flags, definitions and include directories of the kernel
# objects live in cmake/kernel_flags.cmake.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BAYERCAM_MINGW_TRIPLET x86_64-w64-mingw32)
set(BAYERCAM_MINGW_ROOT /usr/${BAYERCAM_MINGW_TRIPLET})

set(CMAKE_CXX_COMPILER ${BAYERCAM_MINGW_TRIPLET}-g++)
set(CMAKE_C_COMPILER ${BAYERCAM_MINGW_TRIPLET}-gcc)
set(CMAKE_RC_COMPILER ${BAYERCAM_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH ${BAYERCAM_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing here links a user-mode program: the compiler checks build a static
# library instead of an executable.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# The DDK headers (ntddk.h, wdm.h, ...) sit in include/ddk, next to the normal
# include directory that holds ks.h, ksmedia.h and the usb headers. As a
# standard include directory of the toolchain CMake passes it with -isystem:
# it is searched before the normal include directory, and the DDK headers'
# own warnings stay out of the driver's -Werror build.
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${BAYERCAM_MINGW_ROOT}/include/ddk)
