#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qrk {

inline constexpr std::size_t kIspDemoSize = 1024;
using IspDemoBytes = std::array<std::uint8_t, kIspDemoSize>;

// The ISP DEMO firmware as assembled from firmware/ispdemo/isp_demo.asm, set
// up for an 11.0592 MHz crystal, 38400 baud, parity on and model code 4005.
// The builder copies it and patches the bytes from 0x03F to 0x080.
const IspDemoBytes& ispDemoTemplate();

}  // namespace qrk
