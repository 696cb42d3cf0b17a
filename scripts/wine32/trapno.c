/* Preloaded into the emulated 32-bit wine loader (qemu-i386 -E LD_PRELOAD=...).
 * The user-mode emulator leaves the trap number of a fault at -1 in the signal
 * context, and wine's i386 fault handlers choose the exception code from it:
 * an access violation would come out as an illegal instruction (c000001d), an
 * integer divide by zero as c0000090. This library wraps sigaction for
 * SIGSEGV, SIGBUS and SIGFPE and, before wine's handler runs, fills the trap
 * number from the signal's si_code.
 *
 * Built without any 32-bit headers (there is no i386 development package on
 * these machines): the few i386 glibc layouts it touches are written out here.
 * gcc -m32 -ffreestanding -fno-stack-protector -fPIC -O2 -c trapno.c
 * ld -m elf_i386 -shared -o trapno.so trapno.o /lib/i386-linux-gnu/libc.so.6 */

typedef unsigned int u32;

#define SIGBUS 7
#define SIGFPE 8
#define SIGSEGV 11
#define SA_SIGINFO 4u
#define RTLD_NEXT ((void *)-1l)

/* si_code values */
#define SEGV_MAPERR 1
#define SEGV_ACCERR 2
#define BUS_ADRALN 1
#define FPE_INTDIV 1
#define FPE_INTOVF 2
#define SI_KERNEL 0x80

/* x86 trap numbers, as the kernel stores them */
#define TRAP_DIVIDE 0
#define TRAP_OVERFLOW 4
#define TRAP_PROTECTION 13
#define TRAP_PAGE_FAULT 14
#define TRAP_X87 16
#define TRAP_ALIGNMENT 17

/* glibc's struct sigaction on i386: handler, 128-byte mask, flags, restorer */
struct kq_sigaction {
    void (*handler)(int, void *, void *);
    u32 mask[32];
    int flags;
    void (*restorer)(void);
};

/* siginfo_t: signo, errno, code; ucontext_t: flags, link, 12-byte stack, then
 * the general registers, of which REG_TRAPNO is number 12 */
struct kq_siginfo {
    int signo;
    int err;
    int code;
};
#define UC_GREGS_OFFSET 20
#define REG_TRAPNO 12

extern void *dlsym(void *, const char *);
extern int unsetenv(const char *);

typedef int (*sigaction_fn)(int, const struct kq_sigaction *, struct kq_sigaction *);

static void (*handlers[32])(int, void *, void *);

static int trap_of(int sig, int code) {
    if (sig == SIGFPE) {
        if (code == FPE_INTDIV)
            return TRAP_DIVIDE;
        if (code == FPE_INTOVF)
            return TRAP_OVERFLOW;
        return TRAP_X87;
    }
    if (sig == SIGBUS)
        return code == BUS_ADRALN ? TRAP_ALIGNMENT : TRAP_PAGE_FAULT;
    if (code == SEGV_MAPERR || code == SEGV_ACCERR)
        return TRAP_PAGE_FAULT;
    return TRAP_PROTECTION; /* SI_KERNEL: a general protection fault */
}

static void fill_trapno(int sig, void *info, void *uc) {
    int *trapno = (int *)((char *)uc + UC_GREGS_OFFSET) + REG_TRAPNO;
    if (*trapno == -1)
        *trapno = trap_of(sig, ((struct kq_siginfo *)info)->code);
    handlers[sig](sig, info, uc);
}

static int wrapped(int sig) {
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE;
}

int sigaction(int sig, const struct kq_sigaction *act, struct kq_sigaction *old) {
    static sigaction_fn next;
    struct kq_sigaction mine;
    void (*previous)(int, void *, void *);
    int r;
    if (!next)
        next = (sigaction_fn)dlsym(RTLD_NEXT, "sigaction");
    if (!wrapped(sig))
        return next(sig, act, old);
    previous = handlers[sig];
    if (act && (act->flags & SA_SIGINFO) && (unsigned long)act->handler > 1ul) {
        mine = *act;
        mine.handler = fill_trapno;
        handlers[sig] = act->handler;
        act = &mine;
    }
    r = next(sig, act, old);
    if (old && old->handler == fill_trapno)
        old->handler = previous;
    return r;
}

/* 64-bit programs that wine starts must not get this library */
__attribute__((constructor)) static void forget_preload(void) {
    unsetenv("LD_PRELOAD");
}
