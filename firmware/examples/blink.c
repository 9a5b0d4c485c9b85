/* Demo firmware: an LED on P1.0 breathes through a sine-shaped brightness curve,
 * then spells a message in Morse code, then walks a bar pattern over port 1.
 * Timing comes from timer 0 at 11.0592 MHz (12 clocks per machine cycle). */
#include <8051.h>

#include "serial_9600.h"

#define LED P1_0

/* One full sine period, 0..255, for the breathing effect. */
static __code const unsigned char sine_table[256] = {
    128, 131, 134, 137, 140, 143, 146, 149, 152, 155, 158, 162, 165, 167, 170, 173, 176, 179, 182,
    185, 188, 190, 193, 196, 198, 201, 203, 206, 208, 211, 213, 215, 218, 220, 222, 224, 226, 228,
    230, 232, 234, 235, 237, 238, 240, 241, 243, 244, 245, 246, 248, 249, 250, 250, 251, 252, 253,
    253, 254, 254, 254, 255, 255, 255, 255, 255, 255, 255, 254, 254, 254, 253, 253, 252, 251, 250,
    250, 249, 248, 246, 245, 244, 243, 241, 240, 238, 237, 235, 234, 232, 230, 228, 226, 224, 222,
    220, 218, 215, 213, 211, 208, 206, 203, 201, 198, 196, 193, 190, 188, 185, 182, 179, 176, 173,
    170, 167, 165, 162, 158, 155, 152, 149, 146, 143, 140, 137, 134, 131, 128, 124, 121, 118, 115,
    112, 109, 106, 103, 100, 97,  93,  90,  88,  85,  82,  79,  76,  73,  70,  67,  65,  62,  59,
    57,  54,  52,  49,  47,  44,  42,  40,  37,  35,  33,  31,  29,  27,  25,  23,  21,  20,  18,
    17,  15,  14,  12,  11,  10,  9,   7,   6,   5,   5,   4,   3,   2,   2,   1,   1,   1,   0,
    0,   0,   0,   0,   0,   0,   1,   1,   1,   2,   2,   3,   4,   5,   5,   6,   7,   9,   10,
    11,  12,  14,  15,  17,  18,  20,  21,  23,  25,  27,  29,  31,  33,  35,  37,  40,  42,  44,
    47,  49,  52,  54,  57,  59,  62,  65,  67,  70,  73,  76,  79,  82,  85,  88,  90,  93,  97,
    100, 103, 106, 109, 112, 115, 118, 121, 124};

/* Morse code of 'A'..'Z' then '0'..'9': low 5 bits are the symbols (1 = dash),
 * first symbol in bit 0; the top 3 bits are the symbol count. */
static __code const unsigned char morse_table[36] = {
    0x42, 0x81, 0x85, 0x61, 0x20, 0x84, 0x63, 0x80, 0x40, 0x8E, 0x65, 0x82,
    0x43, 0x41, 0x67, 0x86, 0x8B, 0x62, 0x60, 0x21, 0x64, 0x88, 0x66, 0x89,
    0x8D, 0x83, 0xBF, 0xBE, 0xBC, 0xB8, 0xB0, 0xA0, 0xA1, 0xA3, 0xA7, 0xAF};

static __code const char message[] = "QRK BLINK DEMO 2024 PARIS HELLO WORLD SOS";

/* Bar patterns walked over port 1, one per step. */
static __code const unsigned char bar_patterns[64] = {
    0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF, 0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0, 0x80, 0x00,
    0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x00,
    0x81, 0x42, 0x24, 0x18, 0x24, 0x42, 0x81, 0x00, 0x55, 0xAA, 0x55, 0xAA, 0x0F, 0xF0, 0x0F, 0xF0,
    0x33, 0xCC, 0x33, 0xCC, 0x99, 0x66, 0x99, 0x66, 0x18, 0x3C, 0x7E, 0xFF, 0x7E, 0x3C, 0x18, 0x00};

/* Perceived brightness is not linear: levels go through a 2.2 gamma curve. */
static __code const unsigned char gamma_table[256] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   1,   1,   1,   1,
    1,   1,   1,   1,   1,   1,   2,   2,   2,   2,   2,   2,   2,   3,   3,   3,   3,   3,   4,
    4,   4,   4,   5,   5,   5,   5,   6,   6,   6,   6,   7,   7,   7,   8,   8,   8,   9,   9,
    9,   10,  10,  11,  11,  11,  12,  12,  13,  13,  13,  14,  14,  15,  15,  16,  16,  17,  17,
    18,  18,  19,  19,  20,  20,  21,  22,  22,  23,  23,  24,  25,  25,  26,  26,  27,  28,  28,
    29,  30,  30,  31,  32,  33,  33,  34,  35,  35,  36,  37,  38,  39,  39,  40,  41,  42,  43,
    43,  44,  45,  46,  47,  48,  49,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,
    61,  62,  63,  64,  65,  66,  67,  68,  69,  70,  71,  73,  74,  75,  76,  77,  78,  79,  81,
    82,  83,  84,  85,  87,  88,  89,  90,  91,  93,  94,  95,  97,  98,  99,  100, 102, 103, 105,
    106, 107, 109, 110, 111, 113, 114, 116, 117, 119, 120, 121, 123, 124, 126, 127, 129, 130, 132,
    133, 135, 137, 138, 140, 141, 143, 145, 146, 148, 149, 151, 153, 154, 156, 158, 159, 161, 163,
    165, 166, 168, 170, 172, 173, 175, 177, 179, 181, 182, 184, 186, 188, 190, 192, 194, 196, 197,
    199, 201, 203, 205, 207, 209, 211, 213, 215, 217, 219, 221, 223, 225, 227, 229, 231, 234, 236,
    238, 240, 242, 244, 246, 248, 251, 253, 255};

/* CRC-32 (reflected, polynomial 0xEDB88320): the banner carries the checksum of
 * the Morse message so a terminal user can tell which build is running. */
static __code const unsigned long crc32_table[256] = {
    0x00000000UL, 0x77073096UL, 0xEE0E612CUL, 0x990951BAUL, 0x076DC419UL, 0x706AF48FUL,
    0xE963A535UL, 0x9E6495A3UL, 0x0EDB8832UL, 0x79DCB8A4UL, 0xE0D5E91EUL, 0x97D2D988UL,
    0x09B64C2BUL, 0x7EB17CBDUL, 0xE7B82D07UL, 0x90BF1D91UL, 0x1DB71064UL, 0x6AB020F2UL,
    0xF3B97148UL, 0x84BE41DEUL, 0x1ADAD47DUL, 0x6DDDE4EBUL, 0xF4D4B551UL, 0x83D385C7UL,
    0x136C9856UL, 0x646BA8C0UL, 0xFD62F97AUL, 0x8A65C9ECUL, 0x14015C4FUL, 0x63066CD9UL,
    0xFA0F3D63UL, 0x8D080DF5UL, 0x3B6E20C8UL, 0x4C69105EUL, 0xD56041E4UL, 0xA2677172UL,
    0x3C03E4D1UL, 0x4B04D447UL, 0xD20D85FDUL, 0xA50AB56BUL, 0x35B5A8FAUL, 0x42B2986CUL,
    0xDBBBC9D6UL, 0xACBCF940UL, 0x32D86CE3UL, 0x45DF5C75UL, 0xDCD60DCFUL, 0xABD13D59UL,
    0x26D930ACUL, 0x51DE003AUL, 0xC8D75180UL, 0xBFD06116UL, 0x21B4F4B5UL, 0x56B3C423UL,
    0xCFBA9599UL, 0xB8BDA50FUL, 0x2802B89EUL, 0x5F058808UL, 0xC60CD9B2UL, 0xB10BE924UL,
    0x2F6F7C87UL, 0x58684C11UL, 0xC1611DABUL, 0xB6662D3DUL, 0x76DC4190UL, 0x01DB7106UL,
    0x98D220BCUL, 0xEFD5102AUL, 0x71B18589UL, 0x06B6B51FUL, 0x9FBFE4A5UL, 0xE8B8D433UL,
    0x7807C9A2UL, 0x0F00F934UL, 0x9609A88EUL, 0xE10E9818UL, 0x7F6A0DBBUL, 0x086D3D2DUL,
    0x91646C97UL, 0xE6635C01UL, 0x6B6B51F4UL, 0x1C6C6162UL, 0x856530D8UL, 0xF262004EUL,
    0x6C0695EDUL, 0x1B01A57BUL, 0x8208F4C1UL, 0xF50FC457UL, 0x65B0D9C6UL, 0x12B7E950UL,
    0x8BBEB8EAUL, 0xFCB9887CUL, 0x62DD1DDFUL, 0x15DA2D49UL, 0x8CD37CF3UL, 0xFBD44C65UL,
    0x4DB26158UL, 0x3AB551CEUL, 0xA3BC0074UL, 0xD4BB30E2UL, 0x4ADFA541UL, 0x3DD895D7UL,
    0xA4D1C46DUL, 0xD3D6F4FBUL, 0x4369E96AUL, 0x346ED9FCUL, 0xAD678846UL, 0xDA60B8D0UL,
    0x44042D73UL, 0x33031DE5UL, 0xAA0A4C5FUL, 0xDD0D7CC9UL, 0x5005713CUL, 0x270241AAUL,
    0xBE0B1010UL, 0xC90C2086UL, 0x5768B525UL, 0x206F85B3UL, 0xB966D409UL, 0xCE61E49FUL,
    0x5EDEF90EUL, 0x29D9C998UL, 0xB0D09822UL, 0xC7D7A8B4UL, 0x59B33D17UL, 0x2EB40D81UL,
    0xB7BD5C3BUL, 0xC0BA6CADUL, 0xEDB88320UL, 0x9ABFB3B6UL, 0x03B6E20CUL, 0x74B1D29AUL,
    0xEAD54739UL, 0x9DD277AFUL, 0x04DB2615UL, 0x73DC1683UL, 0xE3630B12UL, 0x94643B84UL,
    0x0D6D6A3EUL, 0x7A6A5AA8UL, 0xE40ECF0BUL, 0x9309FF9DUL, 0x0A00AE27UL, 0x7D079EB1UL,
    0xF00F9344UL, 0x8708A3D2UL, 0x1E01F268UL, 0x6906C2FEUL, 0xF762575DUL, 0x806567CBUL,
    0x196C3671UL, 0x6E6B06E7UL, 0xFED41B76UL, 0x89D32BE0UL, 0x10DA7A5AUL, 0x67DD4ACCUL,
    0xF9B9DF6FUL, 0x8EBEEFF9UL, 0x17B7BE43UL, 0x60B08ED5UL, 0xD6D6A3E8UL, 0xA1D1937EUL,
    0x38D8C2C4UL, 0x4FDFF252UL, 0xD1BB67F1UL, 0xA6BC5767UL, 0x3FB506DDUL, 0x48B2364BUL,
    0xD80D2BDAUL, 0xAF0A1B4CUL, 0x36034AF6UL, 0x41047A60UL, 0xDF60EFC3UL, 0xA867DF55UL,
    0x316E8EEFUL, 0x4669BE79UL, 0xCB61B38CUL, 0xBC66831AUL, 0x256FD2A0UL, 0x5268E236UL,
    0xCC0C7795UL, 0xBB0B4703UL, 0x220216B9UL, 0x5505262FUL, 0xC5BA3BBEUL, 0xB2BD0B28UL,
    0x2BB45A92UL, 0x5CB36A04UL, 0xC2D7FFA7UL, 0xB5D0CF31UL, 0x2CD99E8BUL, 0x5BDEAE1DUL,
    0x9B64C2B0UL, 0xEC63F226UL, 0x756AA39CUL, 0x026D930AUL, 0x9C0906A9UL, 0xEB0E363FUL,
    0x72076785UL, 0x05005713UL, 0x95BF4A82UL, 0xE2B87A14UL, 0x7BB12BAEUL, 0x0CB61B38UL,
    0x92D28E9BUL, 0xE5D5BE0DUL, 0x7CDCEFB7UL, 0x0BDBDF21UL, 0x86D3D2D4UL, 0xF1D4E242UL,
    0x68DDB3F8UL, 0x1FDA836EUL, 0x81BE16CDUL, 0xF6B9265BUL, 0x6FB077E1UL, 0x18B74777UL,
    0x88085AE6UL, 0xFF0F6A70UL, 0x66063BCAUL, 0x11010B5CUL, 0x8F659EFFUL, 0xF862AE69UL,
    0x616BFFD3UL, 0x166CCF45UL, 0xA00AE278UL, 0xD70DD2EEUL, 0x4E048354UL, 0x3903B3C2UL,
    0xA7672661UL, 0xD06016F7UL, 0x4969474DUL, 0x3E6E77DBUL, 0xAED16A4AUL, 0xD9D65ADCUL,
    0x40DF0B66UL, 0x37D83BF0UL, 0xA9BCAE53UL, 0xDEBB9EC5UL, 0x47B2CF7FUL, 0x30B5FFE9UL,
    0xBDBDF21CUL, 0xCABAC28AUL, 0x53B39330UL, 0x24B4A3A6UL, 0xBAD03605UL, 0xCDD70693UL,
    0x54DE5729UL, 0x23D967BFUL, 0xB3667A2EUL, 0xC4614AB8UL, 0x5D681B02UL, 0x2A6F2B94UL,
    0xB40BBE37UL, 0xC30C8EA1UL, 0x5A05DF1BUL, 0x2D02EF8DUL};

static volatile unsigned int ticks;

/* Timer 0 overflows every 1 ms at 11.0592 MHz: 921.6 counts, reload 0xFC66. */
void timer0_isr(void) __interrupt(1) {
  TH0 = 0xFC;
  TL0 = 0x66;
  ticks++;
}

static __code const char banner[] =
    "\r\nQRK blink demo\r\n"
    "  P1.0  breathing LED, then the message below in Morse code\r\n"
    "  P1    a bar pattern walking over all eight pins\r\n"
    "Serial: 9600 baud, 8 data bits, no parity, 1 stop bit (timer 1, mode 2)\r\n"
    "Keys: b = breathe, m = Morse, w = walk, anything else = all three\r\n"
    "Message: ";
static __code const char crc_label[] = "\r\nMessage CRC-32: ";
static __code const char hex_digits[] = "0123456789ABCDEF";

static void uart_init(void) {
  SERIAL_9600_INIT();
  TI = 1;
}

static void uart_put(char c) {
  while (!TI) {
  }
  TI = 0;
  SBUF = c;
}

static void uart_puts(const char __code* s) {
  while (*s) uart_put(*s++);
}

static void uart_hex32(unsigned long value) {
  signed char shift;
  for (shift = 28; shift >= 0; shift -= 4) uart_put(hex_digits[(value >> shift) & 0x0F]);
}

static unsigned long crc32(const char __code* p) {
  unsigned long crc = 0xFFFFFFFFUL;
  while (*p) crc = crc32_table[(unsigned char)(crc ^ (unsigned char)*p++)] ^ (crc >> 8);
  return ~crc;
}

static void delay_ms(unsigned int ms) {
  unsigned int start;
  EA = 0;
  start = ticks;
  EA = 1;
  for (;;) {
    unsigned int now;
    EA = 0;
    now = ticks;
    EA = 1;
    if ((unsigned int)(now - start) >= ms) break;
  }
}

/* Software PWM: one 256-step period with the LED lit for `level` steps. */
static void pwm_period(unsigned char level) {
  unsigned char step = 0;
  do {
    LED = (step < level) ? 0 : 1; /* active low */
    step++;
  } while (step != 0);
}

static void breathe(unsigned char cycles) {
  while (cycles--) {
    unsigned char i = 0;
    do {
      unsigned char repeat;
      for (repeat = 0; repeat < 4; repeat++) pwm_period(gamma_table[sine_table[i]]);
      i++;
    } while (i != 0);
  }
  LED = 1;
}

#define DOT_MS 120

static void morse_symbol(__bit dash) {
  LED = 0;
  delay_ms(dash ? 3 * DOT_MS : DOT_MS);
  LED = 1;
  delay_ms(DOT_MS);
}

static void morse_char(char c) {
  unsigned char code, count;
  if (c >= 'A' && c <= 'Z') {
    code = morse_table[c - 'A'];
  } else if (c >= '0' && c <= '9') {
    code = morse_table[26 + (c - '0')];
  } else {
    delay_ms(4 * DOT_MS); /* word gap: 7 dots with the letter gaps around it */
    return;
  }
  count = code >> 5;
  while (count--) {
    morse_symbol(code & 1);
    code >>= 1;
  }
  delay_ms(2 * DOT_MS);
}

static void morse_message(void) {
  const char __code* p = message;
  while (*p) morse_char(*p++);
}

static void walk_bars(void) {
  unsigned char i;
  for (i = 0; i < sizeof bar_patterns; i++) {
    P1 = ~bar_patterns[i];
    delay_ms(60);
  }
  P1 = 0xFF;
}

void main(void) {
  TMOD = (TMOD & 0xF0) | 0x01; /* timer 0, mode 1 */
  TH0 = 0xFC;
  TL0 = 0x66;
  ET0 = 1;
  TR0 = 1;
  EA = 1;
  uart_init();
  uart_puts(banner);
  uart_puts(message);
  uart_puts(crc_label);
  uart_hex32(crc32(message));
  uart_puts("\r\n");
  for (;;) {
    char key = 0;
    if (RI) {
      key = SBUF;
      RI = 0;
    }
    if (key != 'm' && key != 'w') breathe(2);
    if (key != 'b' && key != 'w') morse_message();
    if (key != 'b' && key != 'm') walk_bars();
  }
}
