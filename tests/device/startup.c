/*
 * Start-up of the golden-vector self-test on an emulated Cortex-M4 (QEMU mps2-an386):
 * the vector table, the reset handler that clears .bss, turns the floating-point unit on
 * and runs main, and the end of the run through semihosting, which also carries the
 * program's output.
 */
#include <stdint.h>
#include <stdlib.h>

extern uint32_t __bss_start__, __bss_end__, __stack_top;
extern int main(void);
extern void initialise_monitor_handles(void);

void reset_handler(void);
void fault_handler(void);

__attribute__((section(".vectors"), used)) static void (*const vectors[16])(void) = {
    (void (*)(void))(&__stack_top),
    reset_handler,
    fault_handler, /* NMI */
    fault_handler, /* hard fault */
    fault_handler, /* memory management */
    fault_handler, /* bus fault */
    fault_handler, /* usage fault */
};

/* exit() runs the finalisers of the C library; this program registers none. */
void _fini(void);
void _fini(void) {}

void fault_handler(void) {
    exit(3);
}

void reset_handler(void) {
    uint32_t* p;
    for (p = &__bss_start__; p < &__bss_end__; ++p)
        *p = 0;
    /* CPACR: full access to the coprocessors 10 and 11, the FPU. */
    *(volatile uint32_t*)0xE000ED88 |= 0xFu << 20;
    __asm volatile("dsb\n\tisb");
    initialise_monitor_handles();
    exit(main());
}
