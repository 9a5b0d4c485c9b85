#include "ispdemo/isp_demo_template.h"

namespace qrk {

namespace {

constexpr IspDemoBytes kTemplate = {
#include "../../firmware/ispdemo/isp_demo_template.inc"
};

// The patch table addresses these bytes by offset, and chips in the field run
// the routines at these places: a change of the firmware source that moves any
// of them must not build.
constexpr std::uint8_t kFixedBlock[] = {
    0x74, 0x1C, 0x41, 0xED, 0xB2, 0xFF, 0x22, 0xC2, 0xFF, 0xC2, 0xFF, 0xD2, 0x9C, 0xD2,
    0xAC, 0x22, 0xC2, 0xAC, 0xD2, 0xFF, 0xD2, 0xFF, 0x11, 0x5E, 0xD5, 0x3E, 0xFD, 0xD5,
    0x3D, 0xFA, 0x22, 0x75, 0x23, 0xFF, 0x75, 0x33, 0x81, 0x75, 0x2A, 0xFF, 0x75, 0x2B,
    0xF7, 0x75, 0x27, 0x7A, 0x75, 0x2E, 0x40, 0x75, 0x2F, 0x05, 0x75, 0x3D, 0x14, 0x74,
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xD2, 0xAF, 0x22};
constexpr std::size_t kFixedBlockStart = 0x03F;

constexpr bool fixedBlockInPlace() {
  for (std::size_t i = 0; i < sizeof kFixedBlock; ++i) {
    if (kTemplate[kFixedBlockStart + i] != kFixedBlock[i]) return false;
  }
  return kFixedBlockStart + sizeof kFixedBlock == 0x081;
}

// Whether the instruction at `at` is an AJMP to `target` in the same 2 KB page.
constexpr bool jumpsTo(std::size_t at, unsigned target) {
  return kTemplate[at] == (((target >> 3) & 0xE0) | 0x01) && kTemplate[at + 1] == (target & 0xFF);
}

constexpr unsigned kStart = 0x081, kTimer0 = 0x2FB, kSerial = 0x35F, kLeave = 0x267;

static_assert(fixedBlockInPlace(), "the patched block 0x03F..0x080 moved");
static_assert(jumpsTo(0x000, kStart) && jumpsTo(0x00B, kTimer0) && jumpsTo(0x023, kSerial),
              "the reset, Timer 0 or serial vector moved");
static_assert(jumpsTo(0x003, kLeave) && jumpsTo(0x013, kLeave) && jumpsTo(0x02B, kLeave),
              "an unused vector no longer leaves for the application");
static_assert(kTemplate[0x01B] == 0xC2 && kTemplate[0x01C] == 0x8E && kTemplate[0x01D] == 0x32,
              "the Timer 1 vector no longer stops Timer 1 (CLR TR1, RETI)");
// 0x267: CLR EA, MOV 0xE7,#0x20 restarts the chip into the application.
static_assert(kTemplate[0x267] == 0xC2 && kTemplate[0x268] == 0xAF && kTemplate[0x269] == 0x75 &&
                  kTemplate[0x26A] == 0xE7 && kTemplate[0x26B] == 0x20,
              "the restart into the application moved from 0x267");
// 0x041 jumps here: the routine that loads Timer 0 and counts the overflows.
static_assert(kTemplate[0x2ED] == 0xF5, "the power-up wait routine moved from 0x2ED");

}  // namespace

const IspDemoBytes& ispDemoTemplate() { return kTemplate; }

}  // namespace qrk
