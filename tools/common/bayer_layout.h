// Which colour each photosite of a raw frame records, for the Bayer phases
// of the camera's phase setting. A phase names the 2 x 2 block at the
// frame's (or region's) top-left corner, row 0 then row 1:
//   0 GRBG, 1 BGGR, 2 RGGB (the sensor's full frame), 3 GBRG.
// Like the driver's pipeline, any other value is taken as GBRG.
#pragma once

enum SceneChannel : int { kSceneRed = 0, kSceneGreen = 1, kSceneBlue = 2 };

// The channel (kSceneRed, kSceneGreen or kSceneBlue) recorded at (x, y).
int bayerChannelAt(int x, int y, long phase);
