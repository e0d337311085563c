# The kernel image bayercam.sys: the driver's objects and the runtime support
# the driver carries itself (driver/platform/runtime), linked by mingw-w64's
# ld as a native x64 kernel driver. Included by driver/CMakeLists.txt in the
# Windows kernel build, after it has defined bayercam_driver_objects.
#
#   build/windows/driver/bayercam.sys     scripts/check_kernel_image.sh checks it
#
# The image links no C or C++ runtime. What the compiler may call on its own
# comes from: ntoskrnl.exe (memcpy, memset, memmove, memcmp), libgcc
# (___chkstk_ms for frames above a page, no imports) and the runtime sources
# below. operator new, atexit and the thread-safe static guards are
# deliberately absent: code that needs them does not link.

set(BAYERCAM_RUNTIME_DIR ${PROJECT_SOURCE_DIR}/driver/platform/runtime)
target_sources(bayercam_driver_objects PRIVATE
  ${BAYERCAM_RUNTIME_DIR}/operator_delete.cpp
  ${BAYERCAM_RUNTIME_DIR}/pure_virtual_call.cpp
  ${BAYERCAM_RUNTIME_DIR}/quarter_turn_reduction.cpp
  ${BAYERCAM_RUNTIME_DIR}/sine_cosine.cpp
  ${BAYERCAM_RUNTIME_DIR}/stack_protector.cpp)

# Stack buffers in the driver are filled from USB transfers and property
# requests; an overrun should stop the machine at the function that made it
# (DRIVER_OVERRAN_STACK_BUFFER, runtime/stack_protector.cpp) rather than
# return through a corrupted frame. The compiler does not enable it by
# default. The cost is a load and a compare per call of a function with a
# local array or an address-taken local; the pixel passes make such a call
# once per frame, not per row or pixel.
target_compile_options(bayercam_driver_objects PRIVATE -fstack-protector-strong)

add_executable(bayercam_image $<TARGET_OBJECTS:bayercam_driver_objects>)
set_target_properties(bayercam_image PROPERTIES
  OUTPUT_NAME bayercam
  SUFFIX .sys
  LINKER_LANGUAGE CXX)

# No Win32 libraries: the toolchain's default list (kernel32, user32, ...)
# must not reach a kernel image. And no import library next to the image:
# nothing links against a driver.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_CXX_LINK_EXECUTABLE
  "<CMAKE_CXX_COMPILER> <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")

target_link_options(bayercam_image PRIVATE
  # No start files, C library or libstdc++.
  -nostdlib -nostartfiles
  -Wl,--subsystem,native:10.0
  -Wl,--major-os-version,10,--minor-os-version,0
  -Wl,--wdmdriver
  # Without --entry, ld takes the start of .text as the entry point.
  -Wl,--entry,DriverEntry
  -Wl,--require-defined,DriverEntry
  # The usual base of an x64 driver; the loader relocates it anyway.
  -Wl,--image-base,0x140000000
  -Wl,--dynamicbase,--nxcompat,--high-entropy-va
  -Wl,--gc-sections
  # Every import is a declared __imp_ reference, never one ld makes up.
  -Wl,--disable-auto-import,--disable-runtime-pseudo-reloc)

# ld also fills in the PE checksum, which the loader checks for drivers.
#
# ks and ksguid: the streaming class and its GUIDs; usbd: the USB client
# library; hal and ntoskrnl: the kernel (also memcpy and friends); gcc:
# ___chkstk_ms.
target_link_libraries(bayercam_image PRIVATE ks ksguid usbd hal ntoskrnl gcc)
