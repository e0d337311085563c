// The per-step helpers of the pixel passes must inline into their loops:
// a call would spill the step's vectors to memory on every step.
#pragma once

#define PIPELINE_INLINE inline __attribute__((always_inline))
