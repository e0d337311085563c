// The kernel-streaming class (ks.sys) as the driver sees it on the Linux
// stand-in: ks.h and the parts of ksmedia.h the driver uses, with Windows'
// names, field order, types and x64 layouts, so driver code compiles
// unchanged against this header or against <ks.h>/<ksmedia.h>. The driver
// includes it as <streaming/ks_api.h> (through its platform door only).
// The stand-in behind these declarations is host/streaming; tests and tools
// drive it through streaming_host.h and ks_client.h.
//
// C++17, no standard containers.
#pragma once

#include "ks_automation.h"
#include "ks_formats.h"
#include "ks_functions.h"
#include "ks_guids.h"
#include "ks_nt_extras.h"
#include "ks_objects.h"
#include "ks_stream.h"
#include "ks_video.h"
