# The DDK side of the layout checks: windows/ddk_layout_check.cpp (the
# stand-in's structures) and windows/driver_layout_check.cpp (the driver
# objects the host tools read in an image) compiled with the kernel
# objects' flags, definitions and include directories, as part of the
# Windows kernel build's default target, but linked into nothing. Included
# by driver/CMakeLists.txt in the Windows kernel build.
add_library(bayercam_ddk_layout_check OBJECT
  ${PROJECT_SOURCE_DIR}/windows/ddk_layout_check.cpp
  ${PROJECT_SOURCE_DIR}/windows/driver_layout_check.cpp)
target_compile_definitions(bayercam_ddk_layout_check PRIVATE ${BAYERCAM_KERNEL_DEFINITIONS})
target_compile_options(bayercam_ddk_layout_check PRIVATE
  ${BAYERCAM_KERNEL_FLAGS} ${BAYERCAM_DRIVER_WARNINGS})
target_include_directories(bayercam_ddk_layout_check PRIVATE ${BAYERCAM_KERNEL_INCLUDE_DIRS})
