# Warning sets. Driver code treats every warning as an error; host code,
# tools and tests get the same warnings without -Werror on the conversions
# that test code does on purpose.
set(BAYERCAM_DRIVER_WARNINGS
  -Wall -Wextra -Wconversion -Wsign-conversion -Wshadow -Wcast-align
  -Wnon-virtual-dtor -Wold-style-cast -Wnull-dereference -Wdouble-promotion
  -Wformat=2 -Wimplicit-fallthrough -Werror)

set(BAYERCAM_HOST_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
