// Writing registers and parameters the way the driver does, with
// WriteRegister and SetParameter packets on the command endpoint, for tests
// of what the settings do to the camera.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// Registers 0..255 (6-bit values) from `first` on, one packet each.
std::vector<std::vector<std::uint8_t>> registerRunPackets(unsigned first,
                                                          std::initializer_list<unsigned> values);
// The exposure registers 152..163 as the driver's start-up leaves them.
std::vector<std::vector<std::uint8_t>> startupExposurePackets();
// An exposure count (3..1001) in both register pairs, 158/159 and 161/162.
std::vector<std::vector<std::uint8_t>> exposureCountPackets(unsigned count);
// Into a special exposure, 1002 or 1003.
std::vector<std::vector<std::uint8_t>> enterSpecialExposurePackets(unsigned exposure);
// Out of a special exposure to `count`.
std::vector<std::vector<std::uint8_t>> leaveSpecialExposurePackets(unsigned count);
// The global gain (0..1023) into registers 6 and 7.
std::vector<std::vector<std::uint8_t>> globalGainPackets(unsigned gain);
std::vector<std::uint8_t> setParameterPacket(std::uint8_t number, std::uint8_t value);
