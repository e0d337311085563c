# Compile settings of the Windows x64 kernel objects (the `windows` preset,
# BAYERCAM_WINDOWS_KERNEL=ON, toolchain windows/mingw-w64-x86_64.cmake).
# driver/CMakeLists.txt applies them, with BAYERCAM_DRIVER_WARNINGS, to every
# driver source.
if(NOT BAYERCAM_WINDOWS_KERNEL)
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_SYSTEM_NAME STREQUAL "Windows"
   OR NOT DEFINED BAYERCAM_MINGW_ROOT)
  message(FATAL_ERROR
    "BAYERCAM_WINDOWS_KERNEL needs the mingw-w64 toolchain: use `cmake --preset windows` "
    "(toolchain file windows/mingw-w64-x86_64.cmake).")
endif()

# Windows 10 is the oldest system the driver supports.
set(BAYERCAM_KERNEL_DEFINITIONS
  BAYERCAM_WINDOWS_KERNEL
  _AMD64_
  _WIN64
  NTDDI_VERSION=0x0A000000   # NTDDI_WIN10
  _WIN32_WINNT=0x0A00        # _WIN32_WINNT_WIN10
  WINVER=0x0A00
  POOL_TAGGING=1)

# Freestanding C++17 without exceptions, RTTI or guarded statics: nothing that
# needs a C++ runtime in the kernel. -fcheck-new because the pool returns null
# when it fails. <new> (placement new) and the SSE2 intrinsics of
# <emmintrin.h> stay available.
set(BAYERCAM_KERNEL_FLAGS
  -std=c++17
  -O2
  -ffreestanding
  -fno-exceptions
  -fno-rtti
  -fno-threadsafe-statics
  -fcheck-new
  -fno-math-errno
  -fno-strict-aliasing
  -fno-common
  -ffunction-sections
  -fdata-sections)

# The DDK headers first, then the normal include directory (ks.h, ksmedia.h,
# usb*.h). The toolchain file also names include/ddk a standard include
# directory, so it reaches the compiler once, as -isystem; the normal include
# directory is the compiler's own and is not repeated on the command line.
set(BAYERCAM_KERNEL_INCLUDE_DIRS
  ${BAYERCAM_MINGW_ROOT}/include/ddk
  ${BAYERCAM_MINGW_ROOT}/include)
