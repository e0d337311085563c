// camcap --list: every one of the camera's properties, one row each in
// identifier order, under a heading row:
//   NAME  ACCESS  VALUE  MIN  MAX  DEFAULT
// ACCESS is r, w or rw. VALUE is read for the plain readable items (the
// register write, the raw command and the byte read are left out: reading
// them means nothing or talks to the camera). MIN, MAX and DEFAULT are the
// values of the driver's own limit items (EXPOSURE_MIN for EXPOSURE,
// GAIN_MIN for the three colour gains, ...). "-" marks what does not
// apply; "refused" a value the driver would not give.
#pragma once

#include <iosfwd>

#include <streaming/ks_client.h>

void printPropertyTable(const host::streaming::FilterHandle& filter, std::ostream& out);
