; ISP DEMO: a resident downloader for the top kilobyte of a QRK kind-2 chip.
;
; The chip starts here at power-on when its HWBS option is set. The DEMO
; listens on the UART for about two seconds; a PC that speaks to it in time can
; erase and write the application area, otherwise the chip restarts into the
; application.
;
; The programmer patches the bytes from 0x03F to 0x080 for the user's crystal,
; baud rate, parity, erase range, watchdog pin, RS-485 pin and model code, so
; everything there stays where it is: an instruction moved by one byte breaks
; every patch. The code is position independent within its 2 KB page (AJMP,
; ACALL and relative jumps only, no tables): the same bytes run at 0xF800 and
; at 0x3800.
;
; Frames, both directions: 0x5A 0xA5, one byte (0x00 in answers), LEN (every
; byte of the frame), the command, its data, the 16-bit sum of all bytes before
; it (high byte first) and 0x16. At most 143 bytes.
;   0xB0 handshake                     answer 8 bytes
;   0xB1 answer, then start the application
;   0xB2 erase the patched number of 512-byte sectors from address 0
;   0xB3 ADDRH ADDRL DATA...           write the data from ADDR on
;   0xB4 ADDRH ADDRL DATA...           erase ADDR's sector, then write
;   0xB5 model code                    answer 10 bytes: code high, code low
; With parity on, every byte carries even parity in the ninth bit; a byte with
; the wrong parity discards the frame it belongs to.

	.module isp_demo
	.area CSEG (ABS,CODE)

; --- the chip's own registers ------------------------------------------------
WDT_CONTR   = 0xE1      ; internal watchdog; writing WDT_CLEAR restarts its count
IAP_DATA    = 0xE2
IAP_ADDRH   = 0xE3
IAP_ADDRL   = 0xE4
IAP_CMD     = 0xE5
IAP_TRIG    = 0xE6      ; 0x5A then 0xA5 starts the command
IAP_CONTR   = 0xE7      ; flash enable and wait time; 0x20 restarts into the application
WDT_CLEAR   = 0x10
IAP_PROGRAM = 0x02
IAP_ERASE   = 0x03
RESTART_AP  = 0x20

; --- internal RAM -------------------------------------------------------------
FLAGS       = 0x20      ; bit-addressable: the three state bits below
FRAME_READY = 0x00      ; a whole frame waits in RXBUF; the receiver ignores bytes
WAIT_OVER   = 0x01      ; the power-up wait ran out
TICK        = 0x02      ; Timer 0 overflowed: time to feed the watchdogs
PARAM_FLAGS = 0x23      ; patched: bit 0 = 9-bit UART with even parity
PARITY_ON   = 0x18      ; bit 0 of PARAM_FLAGS
ERASE_COUNT = 0x27      ; patched: sectors of 512 bytes erased by 0xB2
RELOAD_H    = 0x2A      ; patched: Timer 2 reload, 65536 - divisor
RELOAD_L    = 0x2B
CODE_H      = 0x2E      ; patched: model code
CODE_L      = 0x2F
RX_PTR      = 0x30      ; where the next received byte goes
RX_LEN      = 0x31      ; LEN of the frame being received
CLOCK_BAND  = 0x32      ; patched (returned in A by the parameter block)
IAP_VALUE   = 0x33      ; patched: IAP_CONTR value for flash commands
WAIT_N      = 0x3B      ; overflows of the power-up wait
WAIT_LEFT   = 0x3C
DELAY_OUTER = 0x3D      ; patched: RS-485 turn-around delay
DELAY_INNER = 0x3E
RXBUF       = 0x50      ; 143 bytes, reached through @R0 and @R1
STACK_TOP   = 0xDF      ; the stack grows from 0xE0

; --- vectors: every interrupt the DEMO does not use leaves for the application
	.org 0x0000
	ajmp start
	.org 0x0003
	ajmp leave
	.org 0x000B
	ajmp timer0_isr
	.org 0x0013
	ajmp leave
	.org 0x001B
	clr TR1                 ; Timer 1 is not the DEMO's: it must not run on
	reti
	.org 0x0023
	ajmp serial_isr
	.org 0x002B
	ajmp leave
	.org 0x0033
	ajmp leave
	.org 0x003B
	ajmp leave

; --- patched: the power-up wait, counted in Timer 0 overflows -----------------
	.org 0x003F
wait_start:
	mov a,#0x1C
	ajmp wait_setup

; --- patched: feed the external watchdog (RET when there is none) -------------
	.org 0x0043
feed_pin:
	cpl 0xFF
	ret

; --- patched: RS-485 back to receive (RET when there is no RS-485 pin) --------
	.org 0x0046
to_receive:
	clr 0xFF
	clr 0xFF
	setb REN
	setb ES
	ret

; --- patched: RS-485 to transmit, then wait for the line to turn round --------
	.org 0x004F
to_transmit:
	clr ES
	setb 0xFF
	setb 0xFF
	acall parameters
turn_round:
	djnz DELAY_INNER,turn_round
	djnz DELAY_OUTER,turn_round
	ret

; --- patched: the parameter block ---------------------------------------------
	.org 0x005E
parameters:
	mov PARAM_FLAGS,#0xFF
	mov IAP_VALUE,#0x81
	mov RELOAD_H,#0xFF
	mov RELOAD_L,#0xF7
	mov ERASE_COUNT,#0x7A
	mov CODE_H,#0x40
	mov CODE_L,#0x05
	mov DELAY_OUTER,#0x14
	mov a,#0x03
	nop
	nop
	nop
	nop
	nop
	nop
	setb EA
	ret

; --- start-up -----------------------------------------------------------------
	.org 0x0081
start:
	clr EA
	mov r0,#0xFF            ; RAM 0xFF down to 0x01; R0 itself ends at 0
	clr a
clear_ram:
	mov @r0,a
	djnz r0,clear_ram
	mov SP,#STACK_TOP
	mov RX_PTR,#RXBUF
	orl WDT_CONTR,#WDT_CLEAR
	acall iap_idle
	acall parameters
	mov CLOCK_BAND,a
	mov TMOD,#0x01          ; Timer 0: 16 bits, one overflow per 65,536 cycles
	mov RCAP2H,RELOAD_H     ; Timer 2 clocks both directions of the UART
	mov RCAP2L,RELOAD_L
	mov TH2,RELOAD_H
	mov TL2,RELOAD_L
	mov T2CON,#0x34
	mov SCON,#0x50          ; 8 data bits, receiver on
	jnb PARITY_ON,uart_ready
	mov SCON,#0xD0          ; 9 bits: the ninth carries even parity
uart_ready:
	acall to_receive
	setb ES
	setb ET0
	ajmp wait_start

; --- the command loop ---------------------------------------------------------
main_loop:
	jnb TICK,no_tick
	clr TICK
	acall feed_watchdogs
no_tick:
	jnb WAIT_OVER,no_timeout
	ajmp leave
no_timeout:
	jnb FRAME_READY,main_loop
	acall handle_frame
	clr FRAME_READY
	sjmp main_loop

feed_watchdogs:
	orl WDT_CONTR,#WDT_CLEAR
	ajmp feed_pin

; A frame with a wrong sum or end byte, or an unknown command, gets no answer.
handle_frame:
	mov a,RX_LEN
	add a,#RXBUF-1
	mov r0,a
	cjne @r0,#0x16,frame_bad
	mov a,RX_LEN
	clr c
	subb a,#3
	mov r6,a
	acall sum_buffer
	mov a,@r0
	xrl a,r2
	jnz frame_bad
	inc r0
	mov a,@r0
	xrl a,r3
	jnz frame_bad
	mov a,RXBUF+4
	cjne a,#0xB0,not_b0
	ajmp answer_plain
not_b0:
	cjne a,#0xB1,not_b1
	acall answer_plain
	ajmp leave
not_b1:
	cjne a,#0xB2,not_b2
	acall erase_ap
	ajmp answer_plain
not_b2:
	cjne a,#0xB3,not_b3
	acall write_block
	ajmp answer_plain
not_b3:
	cjne a,#0xB4,not_b4
	acall erase_block_sector
	acall write_block
	ajmp answer_plain
not_b4:
	cjne a,#0xB5,frame_bad
	mov RXBUF+5,CODE_H
	mov RXBUF+6,CODE_L
	mov r7,#10
	ajmp send_answer
frame_bad:
	ret

; R2:R3 = 16-bit sum of the R6 bytes from RXBUF on; R0 ends after them.
sum_buffer:
	mov r0,#RXBUF
	mov r2,#0
	mov r3,#0
sum_next:
	mov a,@r0
	add a,r3
	mov r3,a
	clr a
	addc a,r2
	mov r2,a
	inc r0
	djnz r6,sum_next
	ret

; An answer without data: the command stays where the request had it.
answer_plain:
	mov r7,#8
; Sends the answer in RXBUF: its command and data are in place, R7 is LEN.
send_answer:
	mov RXBUF,#0x5A
	mov RXBUF+1,#0xA5
	mov RXBUF+2,#0x00
	mov RXBUF+3,r7
	mov a,r7
	clr c
	subb a,#3
	mov r6,a
	acall sum_buffer
	mov a,r2
	mov @r0,a
	inc r0
	mov a,r3
	mov @r0,a
	inc r0
	mov @r0,#0x16
	clr ES                  ; sent by polling: no interrupt for TI
	acall to_transmit
	mov r0,#RXBUF
send_next:
	mov a,@r0
	mov c,P                 ; even parity in the ninth bit (ignored in 8-bit mode)
	mov TB8,c
	mov SBUF,a
	jnb TI,.
	clr TI
	inc r0
	djnz r7,send_next
	acall to_receive
	setb ES
	ret

; 0xB2: ERASE_COUNT sectors of 512 bytes from address 0.
erase_ap:
	mov r4,ERASE_COUNT
	mov a,r4
	jz erase_done
	mov r5,#0
erase_next:
	mov IAP_ADDRH,r5
	mov IAP_ADDRL,#0
	mov a,#IAP_ERASE
	acall iap_command
	acall feed_watchdogs    ; a long erase must not let a watchdog bite
	inc r5
	inc r5
	djnz r4,erase_next
erase_done:
	ret

; 0xB4: the sector that holds the block's address.
erase_block_sector:
	mov a,RXBUF+5
	anl a,#0xFE
	mov IAP_ADDRH,a
	mov IAP_ADDRL,#0
	mov a,#IAP_ERASE
	ajmp iap_command

; --- leave: restart into the application ---------------------------------------
	.org 0x0267
leave:
	clr EA
	mov IAP_CONTR,#RESTART_AP
	sjmp .

; 0xB3 / 0xB4: the data bytes of the frame, from its address on.
write_block:
	mov a,RX_LEN
	clr c
	subb a,#10              ; header 5, address 2, sum and end 3
	jc write_done
	jz write_done
	mov r4,a
	mov r1,#RXBUF+7
	mov r2,RXBUF+5
	mov r3,RXBUF+6
write_next:
	mov IAP_ADDRH,r2
	mov IAP_ADDRL,r3
	mov IAP_DATA,@r1
	mov a,#IAP_PROGRAM
	acall iap_command
	inc r1
	inc r3
	cjne r3,#0,write_same_page
	inc r2
write_same_page:
	djnz r4,write_next
write_done:
	ret

; Runs flash command A on IAP_ADDRH:IAP_ADDRL, then leaves the IAP idle.
iap_command:
	mov IAP_CONTR,IAP_VALUE
	mov IAP_CMD,a
	mov IAP_TRIG,#0x5A
	mov IAP_TRIG,#0xA5
	nop
iap_idle:
	mov IAP_CONTR,#0
	mov IAP_CMD,#0
	mov IAP_TRIG,#0
	mov IAP_ADDRH,#0
	mov IAP_ADDRL,#0
	ret

; --- the power-up wait: A overflows of Timer 0, restarted by every byte -------
	.org 0x02ED
wait_setup:
	mov WAIT_N,a
	mov WAIT_LEFT,a
	mov TL0,#0
	mov TH0,#0
	setb TR0
	ajmp main_loop

	.org 0x02FB
timer0_isr:
	setb TICK
	djnz WAIT_LEFT,timer0_done
	setb WAIT_OVER
timer0_done:
	reti

; --- the receiver ----------------------------------------------------------------
	.org 0x035F
serial_isr:
	jbc RI,receive_byte
	clr TI                  ; only sent by polling; a stray flag is dropped
	reti
receive_byte:
	push PSW
	push ACC
	push 0x00
	mov WAIT_LEFT,WAIT_N    ; someone is talking: the wait starts again
	mov a,SBUF
	jb FRAME_READY,receive_done
	jnb PARITY_ON,parity_ok
	jb P,odd_ones
	jb RB8,receive_drop
	sjmp parity_ok
odd_ones:
	jnb RB8,receive_drop
parity_ok:
	mov r0,RX_PTR
	cjne r0,#RXBUF,not_first
	cjne a,#0x5A,receive_drop
	sjmp receive_store
not_first:
	cjne r0,#RXBUF+1,not_second
	cjne a,#0xA5,resync
	sjmp receive_store
not_second:
	cjne r0,#RXBUF+3,receive_store
	cjne a,#8,length_low
length_low:
	jc receive_drop         ; shorter than an empty frame
	cjne a,#144,length_high
length_high:
	jnc receive_drop        ; longer than the buffer
	mov RX_LEN,a
receive_store:
	mov @r0,a
	inc r0
	mov RX_PTR,r0
	mov a,r0
	clr c
	subb a,#RXBUF
	cjne a,RX_LEN,receive_done
	setb FRAME_READY
	mov RX_PTR,#RXBUF
	sjmp receive_done
resync:
	cjne a,#0x5A,receive_drop   ; 5A 5A A5: the second 5A starts the frame
	sjmp receive_done
receive_drop:
	mov RX_PTR,#RXBUF
receive_done:
	pop 0x00
	pop ACC
	pop PSW
	reti
