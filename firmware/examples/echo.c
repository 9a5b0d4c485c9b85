/* Serial echo: every character received at 9600 baud is sent back, letters in
 * upper case; an interrupt-driven receive ring keeps up while the sender blocks. */
#include <8051.h>

#include "serial_9600.h"

#define RING_SIZE 16

static volatile unsigned char ring[RING_SIZE];
static volatile unsigned char head;
static volatile unsigned char tail;

void serial_isr(void) __interrupt(4) {
  if (RI) {
    unsigned char next = (head + 1) & (RING_SIZE - 1);
    if (next != tail) { /* a full ring drops the byte rather than the oldest */
      ring[head] = SBUF;
      head = next;
    }
    RI = 0;
  }
}

static void put(char c) {
  ES = 0;
  SBUF = c;
  while (!TI) {
  }
  TI = 0;
  ES = 1;
}

void main(void) {
  SERIAL_9600_INIT();
  ES = 1;
  EA = 1;
  for (;;) {
    char c;
    if (head == tail) continue;
    c = ring[tail];
    tail = (tail + 1) & (RING_SIZE - 1);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    put(c);
    if (c == '\r') put('\n');
  }
}
