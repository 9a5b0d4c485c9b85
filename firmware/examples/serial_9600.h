/* The serial port at 9600 baud 8N1 from an 11.0592 MHz crystal: mode 1 with
 * the receiver on, timer 1 in mode 2 (8-bit auto reload) as baud generator.
 * A macro, so that every example keeps its code exactly as it was built. */
#ifndef SERIAL_9600_H
#define SERIAL_9600_H

#define SERIAL_9600_INIT()                                 \
  do {                                                     \
    SCON = 0x50;                                           \
    TMOD = (TMOD & 0x0F) | 0x20;                           \
    TH1 = 0xFD; /* 256 - 11059200 / (12 * 32 * 9600) */    \
    TL1 = 0xFD;                                            \
    TR1 = 1;                                               \
  } while (0)

#endif
