// Per filter instance: the KSFILTER it belongs to. Allocated zero-filled
// (tag KCNw) at filter create, freed by the filter's bag.
#pragma once

#include "../platform/streaming.h"

struct FilterContext {
    PKSFILTER filter;
};
